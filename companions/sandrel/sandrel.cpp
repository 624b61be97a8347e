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

bool StartWork(const std::string& dir, DWORD waitMs, RunLock& lock, CutOff cutOff, Outcome* found) {
    *found = Outcome{};
    if (!lock.Acquire(dir, waitMs)) {
        *found = {kBusy, "Another run of Sandrel is working on the memos in " + dir +
                             "; nothing was done. Try again later."};
        return false;
    }
    std::string backup;
    const CutOffState state = FindCutOffRestore(dir, &backup);
    if (state == CutOffState::kNone || (state == CutOffState::kPending && cutOff == CutOff::kNote)) return true;
    if (FinishCutOffRestore(dir, found)) AppendLog(dir, "finish restore", *found);
    return true;
}

std::string PendingCutOffNote(const std::string& dir) {
    std::string backup;
    return FindCutOffRestore(dir, &backup) == CutOffState::kPending ? CutOffNote(backup) : std::string();
}

Outcome WithCutOff(const Outcome& found, const Outcome& own) {
    if (found.message.empty()) return own;
    return {own.code == kDone ? found.code : own.code, found.message + "\n\n" + own.message};
}

namespace {

// Writes a backup of the memos into Backup\<name>: the new set is written
// completely before it takes its place (replacing a folder of that name when
// `replace`), so a failed backup leaves an earlier one as it was. Then prunes.
Outcome WriteBackup(const std::string& dir, const std::string& name, bool replace) {
    std::size_t files = 0;
    for (const char* folder : kMemoFolderNames) files += NamesIn(dir + "\\" + folder, false).size();
    if (files == 0) {
        return {kNoMemos, "No memos to back up: there are no memo files in " + dir + "\\Remark or " + dir +
                              "\\Notice."};
    }
    const std::string root = dir + "\\Backup";
    ::CreateDirectoryA(root.c_str(), nullptr);
    const std::string target = root + "\\" + name;
    const std::string staging = target + ".new";
    const std::string previous = target + ".old";
    RemoveTree(staging);
    RemoveTree(previous);

    BackupCount copied;
    std::string why;
    if (!CopyMemos(dir, staging, &copied, &why)) {
        RemoveTree(staging);
        return {kCopyFailed, "Backup failed, " + why + "; nothing was changed in " + root + "."};
    }
    if (replace && IsFolder(target) && !::MoveFileA(target.c_str(), previous.c_str())) {
        RemoveTree(staging);
        return {kCopyFailed, "Backup failed: " + target + " is in use; nothing was changed."};
    }
    if (!::MoveFileA(staging.c_str(), target.c_str())) {
        if (replace) ::MoveFileA(previous.c_str(), target.c_str());
        RemoveTree(staging);
        return {kCopyFailed, "Backup failed: could not rename " + staging + "; nothing was changed."};
    }
    RemoveTree(previous);

    const std::vector<std::string> old = BackupsToRemove(NamesIn(root, true), kBackupsKept);
    for (const std::string& gone : old) RemoveTree(root + "\\" + gone);
    return {kDone, BackupMessage(copied, target, old.size())};
}

}  // namespace

Outcome BackUp(const std::string& dir, const Day& today) { return WriteBackup(dir, DayFolderName(today), true); }

Outcome BackUpBeforeImport(const std::string& dir, const Day& today, std::string* name) {
    const std::string root = dir + "\\Backup";
    *name = NextImportBackupName(NamesIn(root, true), today);
    if (name->empty())
        return {kCopyFailed, "Backup failed: " + root + " holds the backups of " +
                                 std::to_string(kImportBackupsADay) + " imports of today already."};
    return WriteBackup(dir, *name, false);
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
    // A restore finishes one that was cut off before it; the other runs say
    // that there is one.
    const CutOff cutOff = command.kind == Command::kRestore ? CutOff::kFinish : CutOff::kNote;
    RunLock lock;
    Outcome found;
    if (!StartWork(dir, kSilentWaitMs, lock, cutOff, &found)) {
        AppendLog(dir, mode, found);
        TellCaller(found.message);
        return found.code;
    }
    Outcome outcome;
    switch (command.kind) {
    case Command::kWindow:
    case Command::kUnknown:
        outcome = {kUnknownCommand, std::string("Unknown arguments \"") + commandLine +
                                        "\"; use none, \"auto\", \"restore <backup, as Backup names it>\", "
                                        "\"export <file.ics> [<from Y-M-D> <to Y-M-D>]\" or \"import <file.ics>\"."};
        break;
    case Command::kAuto:
        outcome = BackUp(dir, Today());
        break;
    case Command::kRestore:
        outcome = Restore(dir, command.backup);
        break;
    case Command::kExport: {
        const Day range[2] = {command.from, command.to};
        outcome = ExportCalendar(dir, command.file, command.ranged ? range : nullptr);
        break;
    }
    case Command::kImport:
        outcome = ImportCalendar(dir, command.file, Today());
        break;
    }
    if (cutOff == CutOff::kNote) {
        const std::string note = PendingCutOffNote(dir);
        if (!note.empty()) outcome.message = note + "\n\n" + outcome.message;
    }
    AppendLog(dir, mode, OneLine(outcome));
    TellCaller(WithCutOff(found, outcome).message);
    return outcome.code;
}
