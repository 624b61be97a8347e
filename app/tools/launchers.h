// The tools menu and the launchers behind it: web pages, the help file, the
// backup program, the product-information box and the history cleaner (the
// calendar-file commands: app/tools/calendar_files.h).
// Missing companions give the not-found message or fall back quietly; a
// launch that fails says nothing.
#pragma once

#include <windows.h>

#include <string>

#include "core/tools/install_dir.h"
#include "platform/handles.h"

// The maker's pages, kept here and nowhere else.
extern const char kHomePageUrl[];
extern const char kUpdatePageUrl[];  // "updata.htm" on the support site

class CThemedMenu;

// Loads the tools menu (resource 181) into `menu` and deletes "Sychnorize
// Time" and the separator after it; returns the popup that then holds the eight
// commands, or null.
CThemedMenu* LoadToolsMenu(CThemedMenu& menu);
// Shows the tools menu, headed by "Find memo..." (ID_FIND_MEMO) and a
// separator, at the "Menu" button (vertically centred 75 pixels
// above its top edge); the chosen command goes to `owner` as WM_COMMAND.
void ShowToolsMenu(HWND owner, HWND menuButton);

// Looks for `fileName` beside the program and up to three directories above
// it; on success `found` holds the full path (which, like the program's, may
// be longer than MAX_PATH).
bool FindInInstallDir(const char* fileName, std::string& found);
// The same search for a program at `exePath`.
bool FindInInstallDirFrom(const std::string& exePath, const char* fileName, std::string& found);
// A name of `path` that the ANSI calls of the launchers (CreateProcessA, the
// help viewer) accept: the path itself when it is short enough, else its
// short-name form. A volume without short names leaves the long path, and
// the launch then fails like any other.
std::string LaunchablePath(const std::string& path);
// "Can not find file  "<name>" in installation directory".
void ShowNotFound(const char* fileName);

// Starts "Sandrel.exe auto" (found by the platform's search, beginning with
// the program's own directory) without waiting. Failures are ignored.
bool RunBackupAuto();
// Starts the backup program found near the program, without arguments, and
// hides `panel`; without it, the not-found message and `panel` stays.
void RunBackup(HWND panel);

void OpenHomePage();
void OpenUpdatePage();
// Opens "Help.chm" from the installation directory in the HTML Help viewer.
void ShowHelp();

// Calls DLLFunction(1) of "Tressle.dll" with `wnd` disabled meanwhile; false
// when the library or its export is missing.
bool ShowInfoFromLibrary(HWND wnd);
// The library's box, or the built-in information dialog.
void ShowProductInfo(HWND panel);

// Takes the working directory out of the search for libraries loaded by
// bare name ("Scourwell.dll", "Tressle.dll"), so a planted copy there is never
// loaded; the program's own folder and the system folders are still searched.
void KeepWorkingDirectoryOutOfDllSearch();

// Runs the history cleaner dialog.
void ShowCleaner();
