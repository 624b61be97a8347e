// Sandrel: Vellumo's backup program. Copies the memo folders beside it
// (Remark and Notice) into Backup\<year>-<month>-<day> and copies a chosen
// backup back. Without arguments it shows its window; "auto" backs up and
// "restore <Y-M-D>" restores silently, answering with an exit code and a
// line in Sandrel.log.
#include "companions/sandrel/sandrel.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace sandrel {

namespace {

const char* const kMemoFolders[] = {"Remark", "Notice"};

bool IsFolder(const std::string& path) {
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Names in `dir`: its plain files, or its subfolders.
std::vector<std::string> NamesIn(const std::string& dir, bool folders) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folders) names.push_back(name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return names;
}

void RemoveTree(const std::string& dir) {
    for (const std::string& sub : NamesIn(dir, true)) RemoveTree(dir + "\\" + sub);
    for (const std::string& file : NamesIn(dir, false)) {
        const std::string path = dir + "\\" + file;
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
    }
    ::RemoveDirectoryA(dir.c_str());
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Writes every memo file into `staging`; false (and why) on the first failure.
bool CopyMemos(const std::string& dir, const std::string& staging, int* copied, std::string* why) {
    if (!::CreateDirectoryA(staging.c_str(), nullptr)) {
        *why = "could not create " + staging;
        return false;
    }
    for (const char* folder : kMemoFolders) {
        const std::string from = dir + "\\" + folder;
        if (!IsFolder(from)) continue;
        const std::string to = staging + "\\" + folder;
        if (!::CreateDirectoryA(to.c_str(), nullptr)) {
            *why = "could not create " + to;
            return false;
        }
        for (const std::string& name : NamesIn(from, false)) {
            if (!::CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE)) {
                *why = "could not copy " + from + "\\" + name;
                return false;
            }
            ++*copied;
        }
    }
    return true;
}

// A free name to keep `path` under before a restore replaces it.
std::string KeepName(const std::string& path) {
    std::string candidate = BeforeRestoreName(path);
    for (int n = 2; Exists(candidate) && n < 100; ++n) candidate = BeforeRestoreName(path) + "." + std::to_string(n);
    return Exists(candidate) ? std::string() : candidate;
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

Outcome BackUp(const std::string& dir, const Day& today) {
    int memos = 0;
    for (const char* folder : kMemoFolders) memos += static_cast<int>(NamesIn(dir + "\\" + folder, false).size());
    if (memos == 0) {
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
    int copied = 0;
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
    std::string message = "Backed up " + std::to_string(copied) + " memo file(s) to " + target + ".";
    if (!old.empty()) message += " Removed " + std::to_string(old.size()) + " old backup(s).";
    return {kDone, message};
}

Outcome Restore(const std::string& dir, const std::string& name) {
    Day day;
    const std::string source = dir + "\\Backup\\" + name;
    if (!ParseDayFolderName(name, &day) || !IsFolder(source))
        return {kNoSuchBackup, "There is no backup " + name + " in " + dir + "\\Backup."};
    int restored = 0, kept = 0, failed = 0;
    for (const char* folder : kMemoFolders) {
        const std::string from = source + "\\" + folder;
        if (!IsFolder(from)) continue;
        const std::string to = dir + "\\" + folder;
        ::CreateDirectoryA(to.c_str(), nullptr);
        for (const std::string& file : NamesIn(from, false)) {
            const std::string src = from + "\\" + file;
            const std::string dst = to + "\\" + file;
            if (Exists(dst)) {
                if (ReadAll(dst) == ReadAll(src)) continue;  // already as backed up
                const std::string keep = KeepName(dst);
                if (keep.empty() || !::MoveFileA(dst.c_str(), keep.c_str())) {
                    ++failed;  // never overwrite a memo that could not be kept
                    continue;
                }
                ++kept;
            }
            if (::CopyFileA(src.c_str(), dst.c_str(), TRUE))
                ++restored;
            else
                ++failed;
        }
    }
    std::string message = "Restored " + std::to_string(restored) + " file(s) from backup " + name + ".";
    if (kept) message += " " + std::to_string(kept) + " changed memo file(s) kept as <name>.before-restore.";
    if (failed) message += " " + std::to_string(failed) + " file(s) could not be restored.";
    return {failed ? kCopyFailed : kDone, message};
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

}  // namespace sandrel

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    using namespace sandrel;
    const std::string dir = ProgramDir();
    if (dir.empty()) return kNoMemos;
    const Command command = ParseCommand(commandLine ? commandLine : "");
    Outcome outcome;
    switch (command.kind) {
    case Command::kWindow:
        return RunWindow(instance, dir);
    case Command::kAuto:
        outcome = BackUp(dir, Today());
        AppendLog(dir, "auto", outcome);
        return outcome.code;
    case Command::kRestore:
        outcome = Restore(dir, DayFolderName(command.day));
        AppendLog(dir, "restore", outcome);
        return outcome.code;
    case Command::kUnknown:
        break;
    }
    outcome = {kUnknownCommand, std::string("Unknown arguments \"") + commandLine +
                                    "\"; use none, \"auto\" or \"restore <year>-<month>-<day>\"."};
    AppendLog(dir, "start", outcome);
    return outcome.code;
}
