// "Export to calendar file..." and "Import calendar file..." of the tools
// menu: the standard file dialog, then the backup program run with its
// "export" or "import" switch (the one implementation, which scripts use
// too), and its account in a message box.
#pragma once

#include <windows.h>

#include <string>

// Asks for the file to write and exports every memo to it.
void ExportCalendarFile(HWND panel);
// Asks for the file to read and imports it (the backup program backs the
// memos up first). True when memos may have changed: the panel then reads
// them again.
bool ImportCalendarFile(HWND panel);

// What a run of the backup program gave: whether it ran, its exit code and
// what it wrote to its standard output.
struct CompanionRun {
    bool started = false;
    DWORD exitCode = 0;
    std::string output;
};
// Runs `exePath` with `arguments` and waits for it, keeping `owner`'s
// windows painted and `owner` disabled meanwhile.
CompanionRun RunCompanionAndWait(const std::string& exePath, const std::string& arguments, HWND owner);
