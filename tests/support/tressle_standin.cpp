// Test stand-in for the product-information library: DLLFunction appends its
// argument to Tressle.log beside itself, shows a box captioned
// "Tressle stand-in" and returns when the box has been closed.
#include <windows.h>

#include "standin_log.h"

#include <cstdio>
#include <cstring>

namespace {
void Log(const char* format, int value) {
    char line[256] = {};
    std::snprintf(line, sizeof line, format, value);
    AppendStandInLog("Tressle.log", line);
}
}  // namespace

extern "C" __declspec(dllexport) int __cdecl DLLFunction(int kind) {
    Log("DLLFunction %d", kind);
    ::MessageBoxA(nullptr, "Product information from the stand-in library.", "Tressle stand-in",
                  MB_OK);
    Log("closed %d", kind);
    return 1;
}
