// The backup program's work on the file system, shared by its silent modes
// and its window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/tools/backup_rules.h"
#include "platform/handles.h"

namespace sandrel {

// Exit codes of the silent modes.
enum ExitCode {
    kDone = 0,
    kCopyFailed = 2,   // some file could not be copied; nothing half done is kept
    kNoMemos = 3,      // no Remark or Notice with memos beside the program
    kNoSuchBackup = 4, // restore of a backup that does not exist
    kUnknownCommand = 5,
    kBusy = 6,         // another run of this program kept working on the same memos
    kCalendarFileFailed = 7,  // the calendar file could not be read or written
    kNotCalendar = 8,         // the file is not iCalendar, or broken: no memo was changed
};

struct Outcome {
    int code = kDone;
    std::string message;  // one line, for the log, the status line or a box
};

// The folder of this program; the memos and Backup live beside it.
std::string ProgramDir();
Day Today();

// Held by a run while it works on the memos beside it, so that two runs (the
// window and an automatic backup, say) never work on them at once. Goes with
// the process, also when it is killed.
class RunLock {
public:
    // Waits up to `waitMs` for another run to let go; false when it did not.
    bool Acquire(const std::string& dir, DWORD waitMs);

private:
    FileHandle file_;
};
constexpr DWORD kSilentWaitMs = 120000;
constexpr DWORD kWindowWaitMs = 3000;

// Takes the lock, then finishes a restore that was cut off, if there is one
// (logged; its outcome in `finished`, with `hadCutOff` set). False, with the
// outcome to report in `finished`, when another run kept the lock.
bool StartWork(const std::string& dir, DWORD waitMs, RunLock& lock, Outcome* finished, bool* hadCutOff);

// Copies Remark and Notice into Backup\<today>, replacing that folder as a
// whole, then keeps the newest kBackupsKept dated backups.
Outcome BackUp(const std::string& dir, const Day& today);
// Copies the memo and notice files of Backup\<name> back; a memo that exists
// and differs is first kept under its before-restore name. Every memo holds
// its earlier or its restored text at every instant; Backup\restore.journal
// names the restore until it is done.
Outcome Restore(const std::string& dir, const std::string& name);
// Finishes the restore a journal names (one cut off by a kill or a power
// cut); false when there is none.
bool FinishCutOffRestore(const std::string& dir, Outcome* outcome);
// Names of the dated backups, newest first.
std::vector<std::string> ListBackups(const std::string& dir);
// Writes every memo (with its remind time) to the iCalendar file `file`,
// replacing it in one step; with `range`, only those of its dates (from, to).
Outcome ExportCalendar(const std::string& dir, const std::string& file, const Day* range = nullptr);
// Reads the whole iCalendar file `file` and adds its events to the memos;
// before anything changes, the memos are backed up as BackUp does (Backup\<today>),
// so a Restore of that backup undoes the import. A file that is not
// iCalendar or is broken anywhere changes nothing.
Outcome ImportCalendar(const std::string& dir, const std::string& file, const Day& today);
// Adds a dated line to Sandrel.log beside the program.
void AppendLog(const std::string& dir, const std::string& mode, const Outcome& outcome);

// The window of a start without arguments; returns the exit code.
int RunWindow(HINSTANCE instance, const std::string& dir);

}  // namespace sandrel
