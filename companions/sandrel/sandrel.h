// The backup program's work on the file system, shared by its silent modes
// and its window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/tools/backup_rules.h"

namespace sandrel {

// Exit codes of the silent modes.
enum ExitCode {
    kDone = 0,
    kCopyFailed = 2,   // some file could not be copied; nothing half done is kept
    kNoMemos = 3,      // no Remark or Notice with memos beside the program
    kNoSuchBackup = 4, // restore of a backup that does not exist
    kUnknownCommand = 5,
};

struct Outcome {
    int code = kDone;
    std::string message;  // one line, for the log, the status line or a box
};

// The folder of this program; the memos and Backup live beside it.
std::string ProgramDir();
Day Today();

// Copies Remark and Notice into Backup\<today>, replacing that folder as a
// whole, then keeps the newest kBackupsKept dated backups.
Outcome BackUp(const std::string& dir, const Day& today);
// Copies the memo and notice files of Backup\<name> back; a memo that exists
// and differs is first kept under its before-restore name.
Outcome Restore(const std::string& dir, const std::string& name);
// Names of the dated backups, newest first.
std::vector<std::string> ListBackups(const std::string& dir);
// Adds a dated line to Sandrel.log beside the program.
void AppendLog(const std::string& dir, const std::string& mode, const Outcome& outcome);

// The window of a start without arguments; returns the exit code.
int RunWindow(HINSTANCE instance, const std::string& dir);

}  // namespace sandrel
