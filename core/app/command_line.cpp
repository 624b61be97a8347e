#include "core/app/command_line.h"

#include <cstring>

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

LogOnTaskRequest LogOnTaskSwitch(const char* commandLine) {
    constexpr char kSwitch[] = "/logon-task=";
    if (!HasSwitchPrefix(commandLine, kSwitch)) return LogOnTaskRequest::None;
    const char* value = commandLine + sizeof kSwitch - 1;
    const struct {
        const char* word;
        LogOnTaskRequest request;
    } words[] = {{"on", LogOnTaskRequest::On},
                 {"off", LogOnTaskRequest::Off},
                 {"query", LogOnTaskRequest::Query}};
    for (const auto& w : words) {
        if (!HasSwitchPrefix(value, w.word)) continue;
        const char end = value[std::strlen(w.word)];
        if (end == '\0' || end == ' ' || end == '\t') return w.request;
    }
    return LogOnTaskRequest::Invalid;
}
