// Locating companion files near the program, and the tray menu's item order.
// The window code supplies the executable path, tests each candidate for
// existence and shows the texts; nothing here touches the file system.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "core/base/basic_types.h"

// Size of a path buffer, terminator included; a path has at most 259 characters.
constexpr std::size_t kInstallPathBufferSize = 260;

// The paths to try, in order, for `fileName` near the program at `exePath`:
// up to four times, cut the path at its last backslash and append
// "\" + fileName. The search ends when no backslash is left. A candidate too
// long for a buffer of `bufferSize` is skipped (it still uses up one of the
// four tries) rather than truncated into a path that names something else.
// C:\A\B\C\prog.exe gives C:\A\B\C\name, C:\A\B\name, C:\A\name, C:\name.
std::vector<std::string> InstallDirCandidates(const std::string& exePath,
                                              const std::string& fileName,
                                              std::size_t bufferSize = kInstallPathBufferSize);

// The message shown when `fileName` is not found:
// Can not find file  "Help.chm" in installation directory
std::string NotFoundMessage(const std::string& fileName);

// Commands of the notification-area menu.
constexpr unsigned kTrayCommandExit = 32772;
constexpr unsigned kTrayCommandShow = 32773;
constexpr unsigned kTrayCommandHide = 32774;
constexpr unsigned kTrayCommandSyncNow = 32790;  // only with a calendar server set

struct TrayMenuItem {
    const char* text;
    unsigned command;
};

// Items by position. Position 0 is the default (bold) item and the command a
// double click sends: the one that changes the window's visibility.
std::array<TrayMenuItem, 3> TrayMenuItems(bool windowVisible);

// The command of position 0.
unsigned TrayDoubleClickCommand(bool windowVisible);
