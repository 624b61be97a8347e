#include "tools/launchers.h"

#include <htmlhelp.h>
#include <io.h>
#include <shellapi.h>

#include <string>

#include "calendar/about_dlg.h"
#include "framework/dialog.h"
#include "menus/themed_menu.h"
#include "res/resource.h"
#include "tools/dlg_clear_history.h"

const char kHomePageUrl[] = "http://www.brakkon.example/";
const char kUpdatePageUrl[] = "http://support.brakkon.example/updata.htm";

namespace {
// Menus are tracked this far above the "Menu" button's top edge, so the
// popup covers the panel rather than running off the screen's bottom.
constexpr int kMenuLift = 75;

// Starts a process without waiting for it; failures are ignored.
void StartProcess(const char* application, std::string commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    commandLine.push_back('\0');  // CreateProcessA may write into the text
    if (::CreateProcessA(application, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                         nullptr, &startup, &process)) {
        KernelHandle thread(process.hThread);
        KernelHandle handle(process.hProcess);
    }
}

void OpenPage(const char* url) {
    ::ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
}
}  // namespace

CThemedMenu* LoadToolsMenu(CThemedMenu& menu) {
    if (!menu.LoadMenu(IDR_TOOLS_MENU)) return nullptr;
    CThemedMenu* popup = menu.GetSubMenu(0);
    if (popup) {
        // "Sychnorize Time" and the separator after it.
        popup->DeleteMenu(0);
        popup->DeleteMenu(0);
    }
    return popup;
}

void ShowToolsMenu(HWND owner, HWND menuButton) {
    CThemedMenu menu;
    CThemedMenu* popup = LoadToolsMenu(menu);
    if (!popup) return;
    RECT button{};
    ::GetWindowRect(menuButton, &button);
    popup->TrackPopupMenu(TPM_RIGHTBUTTON | TPM_VCENTERALIGN, button.left, button.top - kMenuLift,
                          owner);
}

bool FindInInstallDirFrom(const std::string& exePath, const char* fileName,
                          char (&found)[kInstallPathBufferSize]) {
    for (const std::string& candidate : InstallDirCandidates(exePath, fileName)) {
        if (::_access(candidate.c_str(), 0) == 0) {
            // Candidates always fit: longer ones are never made.
            candidate.copy(found, sizeof found - 1);
            found[candidate.size()] = '\0';
            return true;
        }
    }
    return false;
}

bool FindInInstallDir(const char* fileName, char (&found)[kInstallPathBufferSize]) {
    char exePath[kInstallPathBufferSize] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, exePath, sizeof exePath);
    if (n == 0 || n >= sizeof exePath) return false;
    return FindInInstallDirFrom(exePath, fileName, found);
}

void ShowNotFound(const char* fileName) {
    AppMessageBox(NotFoundMessage(fileName).c_str(), MB_OK);
}

bool RunBackupAuto() {
    StartProcess(nullptr, "Sandrel.exe auto");
    return true;
}

void RunBackup(HWND panel) {
    char path[kInstallPathBufferSize] = {};
    if (!FindInInstallDir("Sandrel.exe", path)) {
        ShowNotFound("Sandrel.exe");
        return;
    }
    // Name the program exactly and quote it: an unquoted path with blanks
    // would let the platform try "C:\Program.exe" and the like first.
    StartProcess(path, std::string("\"") + path + "\"");
    ::ShowWindow(panel, SW_HIDE);
}

void OpenHomePage() { OpenPage(kHomePageUrl); }

void OpenUpdatePage() { OpenPage(kUpdatePageUrl); }

void ShowHelp() {
    char path[kInstallPathBufferSize] = {};
    if (!FindInInstallDir("Help.chm", path)) {
        ShowNotFound("Help.chm");
        return;
    }
    ::HtmlHelpA(nullptr, path, HH_DISPLAY_TOPIC, 0);
}

bool ShowInfoFromLibrary(HWND wnd) {
    using DllFunctionFn = int(__cdecl*)(int);
    ModuleHandle library(::LoadLibraryA("Tressle.dll"));
    if (!library) return false;
    auto show = reinterpret_cast<DllFunctionFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.Get(), "DLLFunction")));
    if (!show) return false;
    ::EnableWindow(wnd, FALSE);
    show(1);  // returns once the library's box has closed
    ::EnableWindow(wnd, TRUE);
    return true;
}

void ShowProductInfo(HWND panel) {
    if (ShowInfoFromLibrary(panel)) return;
    CAboutDlg about(CWnd::FromHandle(panel));
    about.DoModal();
}

void KeepWorkingDirectoryOutOfDllSearch() {
    ::SetDllDirectoryA("");
    // Where the platform has it, also name the folders to search outright:
    // the program's, the system's and any added with SetDllDirectory. Some
    // loaders (Wine's among them) still try the working folder after an
    // empty SetDllDirectory.
    using SetDefaultDirsFn = BOOL(WINAPI*)(DWORD);
    auto setDefaultDirs = reinterpret_cast<SetDefaultDirsFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDirs) setDefaultDirs(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

void ShowCleaner() {
    CDlgClearHistory dialog;
    dialog.DoModal();
}
