#include "tools/launchers.h"

#include <windows.h>

#include "framework/handles.h"

bool RunBackupAuto() {
    char commandLine[] = "Sandrel.exe auto";  // CreateProcessA may write into it
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &process)) {
        KernelHandle thread(process.hThread);
        KernelHandle handle(process.hProcess);
    }
    return true;
}
