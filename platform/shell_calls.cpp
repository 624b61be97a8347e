#include "platform/shell_calls.h"

namespace {

// From the system folder only: never a shell32.dll lying in the working
// folder. Kept loaded for the rest of the process.
HMODULE ShellLibrary() {
    static const HMODULE library = [] {
        HMODULE loaded = ::LoadLibraryExA("shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        // Systems without the search flags refuse it; the name alone then
        // finds the known system library.
        return loaded ? loaded : ::LoadLibraryA("shell32.dll");
    }();
    return library;
}

template <typename Function>
Function ShellFunction(const char* name) {
    HMODULE library = ShellLibrary();
    return library ? reinterpret_cast<Function>(
                         reinterpret_cast<void*>(::GetProcAddress(library, name)))
                   : nullptr;
}

}  // namespace

BOOL ShellNotifyIcon(DWORD message, NOTIFYICONDATAA* data) {
    using Fn = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAA*);
    static const Fn notify = ShellFunction<Fn>("Shell_NotifyIconA");
    return notify ? notify(message, data) : FALSE;
}

HINSTANCE ShellOpen(HWND owner, const char* verb, const char* file, const char* parameters,
                    const char* directory, int show) {
    using Fn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    static const Fn execute = ShellFunction<Fn>("ShellExecuteA");
    return execute ? execute(owner, verb, file, parameters, directory, show)
                   : reinterpret_cast<HINSTANCE>(SE_ERR_DLLNOTFOUND);
}
