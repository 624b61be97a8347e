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

// What a run does with a restore it finds cut off. Only a restore (or the
// window, when its user agrees) finishes it, and only for the files no one
// has changed since; any other run leaves the memos as they are and says so,
// so that days later no backup, export or import puts old texts back over
// newer ones.
enum class CutOff { kNote, kFinish };

// Takes the lock, then deals with a restore that was cut off, if there is
// one: kFinish finishes it, and any run removes a journal that cannot be
// read (it changes no memo). What it did is logged on a line of its own and
// is in `found` (an empty message when it did nothing). False, with the
// outcome to report in `found`, when another run kept the lock.
bool StartWork(const std::string& dir, DWORD waitMs, RunLock& lock, CutOff cutOff, Outcome* found);
// What a run that leaves a cut-off restore pending says of it first; empty
// when there is none.
std::string PendingCutOffNote(const std::string& dir);
// The account of a run: what StartWork found, then its own; the code its
// own, or the finishing's when its own is done.
Outcome WithCutOff(const Outcome& found, const Outcome& own);

// Copies Remark and Notice into Backup\<today>, replacing that folder as a
// whole, then keeps the newest backups (BackupsToRemove).
Outcome BackUp(const std::string& dir, const Day& today);
// The same into a new folder of its own, Backup\<today>-import-<n>, which no
// later backup replaces; its name in `name`.
Outcome BackUpBeforeImport(const std::string& dir, const Day& today, std::string* name);
// Copies the memo and notice files of Backup\<name> back; a memo that exists
// and differs is first kept under its before-restore name. Every memo holds
// its earlier or its restored text at every instant; Backup\restore.journal
// names the restore and the files it changes until it is done.
Outcome Restore(const std::string& dir, const std::string& name);
// Whether a restore was cut off (a kill or a power cut): kPending with the
// backup it restored in `backup`.
enum class CutOffState { kNone, kPending, kUnreadable };
CutOffState FindCutOffRestore(const std::string& dir, std::string* backup);
// Finishes the restore a journal names for the files still as it left them
// (FinishStep); false when there is none.
bool FinishCutOffRestore(const std::string& dir, Outcome* outcome);
// Forgets a cut-off restore, leaving every memo as it is now.
Outcome DropCutOffRestore(const std::string& dir);
// Names of the backups, newest first (BackupsNewestFirst).
std::vector<std::string> ListBackups(const std::string& dir);
// Writes every memo (with its remind time) to the iCalendar file `file`,
// replacing it in one step; with `range`, only those of its dates (from, to).
Outcome ExportCalendar(const std::string& dir, const std::string& file, const Day* range = nullptr);
// Reads the whole iCalendar file `file` and adds its events to the memos;
// before anything changes, the memos are backed up (BackUpBeforeImport), so
// a Restore of that backup undoes the import. A file that is not iCalendar
// or is broken anywhere changes nothing. A memo saved by someone else while
// the import runs is never replaced: the events are added to its new text.
Outcome ImportCalendar(const std::string& dir, const std::string& file, const Day& today);
// Adds a dated line to Sandrel.log beside the program.
void AppendLog(const std::string& dir, const std::string& mode, const Outcome& outcome);

// The window of a start without arguments; returns the exit code.
int RunWindow(HINSTANCE instance, const std::string& dir);

}  // namespace sandrel
