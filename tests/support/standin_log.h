// The stand-in libraries' record of their calls: one line appended to a log
// file beside the library itself (so each variant's folder has its own).
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstring>

inline void AppendStandInLog(const char* fileName, const char* line) {
    HMODULE self = nullptr;  // the library this copy of the function lives in
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&AppendStandInLog), &self);
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(self, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    if (n == 0 || n >= MAX_PATH || !slash ||
        static_cast<size_t>(slash - path) + 2 + std::strlen(fileName) > sizeof path)
        return;
    slash[1] = '\0';
    std::strcat(path, fileName);
    if (std::FILE* log = std::fopen(path, "ab")) {
        std::fputs(line, log);
        std::fputc('\n', log);
        std::fclose(log);
    }
}
