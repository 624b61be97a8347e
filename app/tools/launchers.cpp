#include "app/tools/launchers.h"

#include <htmlhelp.h>
#include <io.h>

#include <string>

#include "app/tools/about_dlg.h"
#include "app/tools/dlg_clear_history.h"
#include "controls/menus/themed_menu.h"
#include "platform/dialog.h"
#include "platform/display_scale.h"
#include "platform/shell_calls.h"
#include "platform/win_app.h"
#include "res/resource.h"

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
    ShellOpen(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
}

// `path` in the "\\?\" form through which the wide-character calls reach
// beyond MAX_PATH.
std::wstring ExtendedPath(const std::string& path) {
    const int n = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (n <= 1) return {};
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n) - 1);
    if (wide.compare(0, 4, L"\\\\?\\") == 0) return wide;
    if (wide.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + wide.substr(2);
    return L"\\\\?\\" + wide;
}

bool PathExists(const std::string& path) {
    if (path.size() < MAX_PATH) return ::_access(path.c_str(), 0) == 0;
    const std::wstring extended = ExtendedPath(path);
    return !extended.empty() && ::GetFileAttributesW(extended.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The HTML Help viewer, loaded at the first Help rather than imported: a
// system without HTML Help must still start the program. It stays loaded,
// since the viewer's windows run on its code. Null when it is missing.
decltype(&::HtmlHelpA) HelpViewer() {
    static const auto viewer = [] {
        decltype(&::HtmlHelpA) entry = nullptr;
        char system[MAX_PATH] = {};
        const UINT n = ::GetSystemDirectoryA(system, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return entry;
        // Only the system's own copy, never one planted beside the program.
        const std::string path = std::string(system, n) + "\\hhctrl.ocx";
        if (HMODULE library = ::LoadLibraryA(path.c_str())) {
            entry = reinterpret_cast<decltype(&::HtmlHelpA)>(
                reinterpret_cast<void*>(::GetProcAddress(library, "HtmlHelpA")));
        }
        return entry;
    }();
    return viewer;
}
}  // namespace

std::string LaunchablePath(const std::string& path) {
    if (path.size() < MAX_PATH) return path;
    const std::wstring extended = ExtendedPath(path);
    if (extended.empty()) return path;
    const DWORD size = ::GetShortPathNameW(extended.c_str(), nullptr, 0);
    if (size == 0) return path;
    std::wstring shortPath(size, L'\0');
    const DWORD n = ::GetShortPathNameW(extended.c_str(), &shortPath[0], size);
    if (n == 0 || n >= size) return path;
    shortPath.resize(n);
    if (shortPath.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
        shortPath.replace(0, 8, L"\\\\");
    } else if (shortPath.compare(0, 4, L"\\\\?\\") == 0) {
        shortPath.erase(0, 4);
    }
    char ansi[MAX_PATH] = {};
    const int length = ::WideCharToMultiByte(CP_ACP, 0, shortPath.c_str(), -1, ansi, sizeof ansi,
                                             nullptr, nullptr);
    return length > 0 ? std::string(ansi) : path;
}

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
    // Finding a memo heads the menu: it is about the memos, the rest about
    // the program.
    popup->InsertMenu(0, MF_STRING, ID_FIND_MEMO, "Find memo...");
    popup->InsertMenu(1, MF_SEPARATOR, 0, nullptr);
    RECT button{};
    ::GetWindowRect(menuButton, &button);
    popup->TrackPopupMenu(TPM_RIGHTBUTTON | TPM_VCENTERALIGN, button.left, button.top - ScalePixels(kMenuLift),
                          owner);
}

bool FindInInstallDirFrom(const std::string& exePath, const char* fileName, std::string& found) {
    for (const std::string& candidate :
         InstallDirCandidates(exePath, fileName, kLongestPath)) {
        if (PathExists(candidate)) {
            found = candidate;
            return true;
        }
    }
    return false;
}

bool FindInInstallDir(const char* fileName, std::string& found) {
    const std::string exePath = ModuleFilePath();
    return !exePath.empty() && FindInInstallDirFrom(exePath, fileName, found);
}

void ShowNotFound(const char* fileName) {
    AppMessageBox(NotFoundMessage(fileName).c_str(), MB_OK);
}

bool RunBackupAuto() {
    StartProcess(nullptr, "Sandrel.exe auto");
    return true;
}

void RunBackup(HWND panel) {
    std::string found;
    if (!FindInInstallDir("Sandrel.exe", found)) {
        ShowNotFound("Sandrel.exe");
        return;
    }
    // Name the program exactly and quote it: an unquoted path with blanks
    // would let the platform try "C:\Program.exe" and the like first.
    const std::string path = LaunchablePath(found);
    StartProcess(path.c_str(), "\"" + path + "\"");
    ::ShowWindow(panel, SW_HIDE);
}

void OpenHomePage() { OpenPage(kHomePageUrl); }

void OpenUpdatePage() { OpenPage(kUpdatePageUrl); }

void ShowHelp() {
    std::string found;
    if (!FindInInstallDir("Help.chm", found)) {
        ShowNotFound("Help.chm");
        return;
    }
    if (const auto viewer = HelpViewer())
        viewer(nullptr, LaunchablePath(found).c_str(), HH_DISPLAY_TOPIC, 0);
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
