// Test stand-in for the backup program: appends the command line it was
// given (after the program name) as one line to Sandrel.log beside itself.
#include <windows.h>

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    char* slash = std::strrchr(path, '\\');
    if (!slash) return 1;
    const char name[] = "\\Sandrel.log";
    if (static_cast<size_t>(slash - path) + sizeof name > sizeof path) return 1;
    std::memcpy(slash, name, sizeof name);
    std::FILE* log = std::fopen(path, "ab");
    if (!log) return 1;
    std::fprintf(log, "[%s]\n", commandLine ? commandLine : "");
    std::fclose(log);
    return 0;
}
