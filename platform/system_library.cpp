#include "platform/system_library.h"

#include <string>

HMODULE LoadSystemLibrary(const char* name) {
    // LOAD_LIBRARY_SEARCH_SYSTEM32 is known where AddDllDirectory is (Windows
    // 8, and Windows 7 and Vista with their loader update); elsewhere the
    // flag is refused, so the full path in the system folder is given.
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (kernel != nullptr && ::GetProcAddress(kernel, "AddDllDirectory") != nullptr)
        return ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    char folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::string path(folder, length);
    if (path.back() != '\\') path += '\\';
    path += name;
    return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
