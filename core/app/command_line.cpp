#include "core/app/command_line.h"

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool HasSwitchPrefix(const char* commandLine, const char* switchText) {
    if (!commandLine || !switchText) return false;
    for (; *switchText; ++switchText, ++commandLine) {
        if (*commandLine == '\0' || Lower(*commandLine) != Lower(*switchText)) return false;
    }
    return true;
}

StartMode FirstCopyStartMode(const char* commandLine) {
    if (HasSwitchPrefix(commandLine, "/background")) return StartMode::Background;
    if (HasSwitchPrefix(commandLine, "/now")) return StartMode::BackupNow;
    return StartMode::Shown;
}

bool SecondCopyWantsBackup(const char* commandLine) { return HasSwitchPrefix(commandLine, "/now"); }
