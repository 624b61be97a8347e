// Sandrel: Vellumo's backup program. Copies the memo folders beside it
// (Remark and Notice) into Backup\<year>-<month>-<day> and copies a chosen
// backup back. Without arguments it shows its window; "auto" backs up,
// "restore <Y-M-D>" restores, and "export <file.ics>" and "import
// <file.ics>" write the memos to or read them from a calendar file, all
// silently, answering with an exit code, a line in Sandrel.log and the same
// account on the standard output (or the console it was started from).
#include "companions/sandrel/sandrel.h"

#include <cstdio>

#include "companions/sandrel/sandrel_files.h"
#include "core/memo/memo_format.h"

namespace sandrel {

namespace {

// Writes every memo file into `staging`, counting memos and kept-aside
// files; false (and why) on the first failure.
bool CopyMemos(const std::string& dir, const std::string& staging, BackupCount* count, std::string* why) {
    if (!::CreateDirectoryA(staging.c_str(), nullptr)) {
        *why = "could not create " + staging;
        return false;
    }
    for (const char* folder : kMemoFolderNames) {
        const std::string from = dir + "\\" + folder;
        if (!IsFolder(from)) continue;
        const std::string to = staging + "\\" + folder;
        if (!::CreateDirectoryA(to.c_str(), nullptr)) {
            *why = "could not create " + to;
            return false;
        }
        for (const std::string& name : NamesIn(from, false)) {
            const FileKind kind = KindOfName(name);
            if (!::CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE)) {
                *why = "could not copy " + from + "\\" + name;
                return false;
            }
            ++(kind == FileKind::kKeptAside ? count->keptAside : count->memos);
        }
    }
    return true;
}

}  // namespace

std::string ProgramDir() {
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    const std::string p(path, n);
    const auto slash = p.find_last_of('\\');
    return slash == std::string::npos ? std::string() : p.substr(0, slash);
}

Day Today() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return Day{now.wYear, now.wMonth, now.wDay};
}

bool RunLock::Acquire(const std::string& dir, DWORD waitMs) {
    const std::string path = dir + "\\Sandrel.lock";
    const DWORD start = ::GetTickCount();
    for (;;) {
        file_.Reset(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                  nullptr));
        // Only another run's hold is waited for. Where no lock can be made
        // at all (a folder that cannot be written) the work goes ahead and
        // says itself what fails.
        if (file_ || ::GetLastError() != ERROR_SHARING_VIOLATION) return true;
        if (::GetTickCount() - start >= waitMs) return false;
        ::Sleep(50);
    }
}

bool StartWork(const std::string& dir, DWORD waitMs, RunLock& lock, Outcome* finished, bool* hadCutOff) {
    *hadCutOff = false;
    if (!lock.Acquire(dir, waitMs)) {
        *finished = {kBusy, "Another run of Sandrel is working on the memos in " + dir +
                                "; nothing was done. Try again later."};
        return false;
    }
    *hadCutOff = FinishCutOffRestore(dir, finished);
    if (*hadCutOff) AppendLog(dir, "finish restore", *finished);
    return true;
}

Outcome BackUp(const std::string& dir, const Day& today) {
    std::size_t files = 0;
    for (const char* folder : kMemoFolderNames) files += NamesIn(dir + "\\" + folder, false).size();
    if (files == 0) {
        return {kNoMemos, "No memos to back up: there are no memo files in " + dir + "\\Remark or " + dir +
                              "\\Notice."};
    }
    const std::string root = dir + "\\Backup";
    ::CreateDirectoryA(root.c_str(), nullptr);
    const std::string target = root + "\\" + DayFolderName(today);
    const std::string staging = target + ".new";
    const std::string previous = target + ".old";
    RemoveTree(staging);
    RemoveTree(previous);

    // The new set is written completely before it replaces the day's folder,
    // so a failed backup leaves the earlier one of the day as it was.
    BackupCount copied;
    std::string why;
    if (!CopyMemos(dir, staging, &copied, &why)) {
        RemoveTree(staging);
        return {kCopyFailed, "Backup failed, " + why + "; nothing was changed in " + root + "."};
    }
    if (IsFolder(target) && !::MoveFileA(target.c_str(), previous.c_str())) {
        RemoveTree(staging);
        return {kCopyFailed, "Backup failed: " + target + " is in use; nothing was changed."};
    }
    if (!::MoveFileA(staging.c_str(), target.c_str())) {
        ::MoveFileA(previous.c_str(), target.c_str());
        RemoveTree(staging);
        return {kCopyFailed, "Backup failed: could not rename " + staging + "; nothing was changed."};
    }
    RemoveTree(previous);

    const std::vector<std::string> old = BackupsToRemove(NamesIn(root, true), kBackupsKept);
    for (const std::string& name : old) RemoveTree(root + "\\" + name);
    return {kDone, BackupMessage(copied, target, old.size())};
}

std::vector<std::string> ListBackups(const std::string& dir) {
    return BackupsNewestFirst(NamesIn(dir + "\\Backup", true));
}

void AppendLog(const std::string& dir, const std::string& mode, const Outcome& outcome) {
    const std::string path = dir + "\\Sandrel.log";
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info) && info.nFileSizeLow > 256 * 1024)
        ::MoveFileExA(path.c_str(), (path + ".old").c_str(), MOVEFILE_REPLACE_EXISTING);
    std::FILE* log = std::fopen(path.c_str(), "ab");
    if (!log) return;
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    std::fprintf(log, "%d-%d-%d %02d:%02d:%02d %s (exit %d): %s\r\n", now.wYear, now.wMonth, now.wDay,
                 now.wHour, now.wMinute, now.wSecond, mode.c_str(), outcome.code, outcome.message.c_str());
    std::fclose(log);
}

namespace {

// The account for whoever started a silent run: its standard output when it
// was handed one (Vellumo's Tools menu reads it from a pipe), else the
// console of a command prompt, if there is one.
void TellCaller(const std::string& text) {
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    FileHandle console;
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        // Looked up, not imported: Windows 2000 has no AttachConsole, and
        // the program must still start there.
        using AttachFn = BOOL(WINAPI*)(DWORD);
        const auto attach = reinterpret_cast<AttachFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "AttachConsole")));
        if (!attach || !attach(ATTACH_PARENT_PROCESS)) return;
        console.Reset(::CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
        if (!console) return;
        out = console.Get();
    }
    std::string lines;
    for (char c : text) {
        if (c == '\n') lines += '\r';
        lines += c;
    }
    lines += "\r\n";
    DWORD written = 0;
    ::WriteFile(out, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
}

// The log keeps one line a run: the account's lines joined, "; " after
// those that end without a full stop.
Outcome OneLine(Outcome outcome) {
    std::string line;
    std::size_t pos = 0;
    while (pos <= outcome.message.size()) {
        std::size_t end = outcome.message.find('\n', pos);
        if (end == std::string::npos) end = outcome.message.size();
        if (end > pos) {
            if (!line.empty()) line += line.back() == '.' ? " " : "; ";
            line.append(outcome.message, pos, end - pos);
        }
        pos = end + 1;
    }
    outcome.message = line;
    return outcome;
}

const char* ModeName(Command::Kind kind) {
    switch (kind) {
    case Command::kAuto:
        return "auto";
    case Command::kRestore:
        return "restore";
    case Command::kExport:
        return "export";
    case Command::kImport:
        return "import";
    default:
        return "start";
    }
}

}  // namespace

}  // namespace sandrel

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    using namespace sandrel;
    const std::string dir = ProgramDir();
    if (dir.empty()) return kNoMemos;
    const Command command = ParseCommand(commandLine ? commandLine : "");
    if (command.kind == Command::kWindow) return RunWindow(instance, dir);
    const char* const mode = ModeName(command.kind);
    // Every run first finishes a restore that was cut off, whatever it was
    // started for.
    RunLock lock;
    Outcome outcome;
    bool hadCutOff = false;
    if (!StartWork(dir, kSilentWaitMs, lock, &outcome, &hadCutOff)) {
        AppendLog(dir, mode, outcome);
        TellCaller(outcome.message);
        return outcome.code;
    }
    switch (command.kind) {
    case Command::kWindow:
        break;
    case Command::kAuto:
        outcome = BackUp(dir, Today());
        AppendLog(dir, "auto", outcome);
        return outcome.code;
    case Command::kRestore:
        outcome = Restore(dir, DayFolderName(command.day));
        AppendLog(dir, "restore", outcome);
        return outcome.code;
    case Command::kExport:
    case Command::kImport:
        if (command.kind == Command::kExport) {
            const Day range[2] = {command.from, command.to};
            outcome = ExportCalendar(dir, command.file, command.ranged ? range : nullptr);
        } else {
            outcome = ImportCalendar(dir, command.file, Today());
        }
        AppendLog(dir, mode, OneLine(outcome));
        TellCaller(outcome.message);
        return outcome.code;
    case Command::kUnknown:
        break;
    }
    outcome = {kUnknownCommand, std::string("Unknown arguments \"") + commandLine +
                                    "\"; use none, \"auto\", \"restore <year>-<month>-<day>\", "
                                    "\"export <file.ics> [<from Y-M-D> <to Y-M-D>]\" or \"import <file.ics>\"."};
    AppendLog(dir, mode, outcome);
    TellCaller(outcome.message);
    return outcome.code;
}
