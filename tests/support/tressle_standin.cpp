// Test stand-in for the product-information library: DLLFunction appends its
// argument to Tressle.log beside itself, shows a box captioned
// "Tressle stand-in" and returns when the box has been closed.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {
void Log(const char* format, int value) {
    HMODULE self = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&Log), &self);
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(self, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    const char name[] = "\\Tressle.log";
    if (n == 0 || n >= MAX_PATH || !slash ||
        static_cast<size_t>(slash - path) + sizeof name > sizeof path)
        return;
    std::memcpy(slash, name, sizeof name);
    if (std::FILE* log = std::fopen(path, "ab")) {
        std::fprintf(log, format, value);
        std::fputc('\n', log);
        std::fclose(log);
    }
}
}  // namespace

extern "C" __declspec(dllexport) int __cdecl DLLFunction(int kind) {
    Log("DLLFunction %d", kind);
    ::MessageBoxA(nullptr, "Product information from the stand-in library.", "Tressle stand-in",
                  MB_OK);
    Log("closed %d", kind);
    return 1;
}
