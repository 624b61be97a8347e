// Rules of the backup program that need no file system: the dated folder
// names, what the command line asks for, which backups are kept, what each
// file in a memo folder is, what a restore does with it and under which name
// a differing memo is kept, the restore journal, and the result messages.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sandrel {

struct Day {
    int year = 0, month = 0, day = 0;
};
bool operator<(const Day& a, const Day& b);

// "2008-1-5": the memo files' own date text, no leading zeros.
std::string DayFolderName(const Day& day);
// The day a folder name stands for; false for any other name (a folder the
// program did not make, or one half written).
bool ParseDayFolderName(const std::string& name, Day* day);

// What the command line asks for: the window (no argument), a silent backup
// ("auto"), a silent restore ("restore <Y-M-D>"), the memos written to or
// read from a calendar file ("export <file.ics>", "import <file.ics>"; the
// name may stand in double quotes, and without them it is the rest of the
// line), or nothing known.
// An export may end with two dates, "export <file.ics> <Y-M-D> <Y-M-D>": only
// the memos of those dates and the ones between them are written.
struct Command {
    enum Kind { kWindow, kAuto, kRestore, kExport, kImport, kUnknown } kind = kWindow;
    Day day;           // kRestore
    std::string file;  // kExport, kImport
    bool ranged = false;  // kExport of the dates from..to only
    Day from, to;
};
Command ParseCommand(const std::string& commandLine);

// Dated folder names of `names`, newest first; other names are left out.
std::vector<std::string> BackupsNewestFirst(const std::vector<std::string>& names);
// The dated folders to remove so that the newest `keep` (at least one) stay.
std::vector<std::string> BackupsToRemove(const std::vector<std::string>& names, std::size_t keep);

constexpr std::size_t kBackupsKept = 30;

// Where a memo that differs from the restored one is kept.
std::string BeforeRestoreName(const std::string& fileName);
// The `n`th name (1: BeforeRestoreName, then "<name>.before-restore.<n>") to
// keep it under when earlier ones are taken by other texts.
std::string KeepName(const std::string& fileName, int n);
constexpr int kKeepNamesTried = 99;

// What a file in a memo folder (or in a backup of one) is, by its name: a
// memo or remind-time file, or an earlier text kept aside by a restore.
enum class FileKind { kMemo, kKeptAside };
FileKind KindOfName(const std::string& fileName);
// The subfolder of a memo folder in which a restore writes each file before
// it takes its place in one step (a rename within the folder's volume).
// Readers of the memo store ask only for "<prefix><date>.txt" and backups take
// only the folder's files, so neither ever sees it; and its own lookups stay
// in a small folder.
constexpr char kRestoreTempFolder[] = "restore.tmp";

// What a restore does with one file of the backup, given the file of that
// name among the memos: nothing (already so, or not ours to replace), copy it
// (none there), or keep the differing memo aside and replace it.
enum class RestoreStep { kLeave, kCopy, kKeepAsideAndReplace };
RestoreStep ChooseRestoreStep(FileKind kind, bool targetExists, bool sameBytes);

// The journal a restore writes before it changes anything and removes when it
// is done; a journal found at start names a restore that was cut off.
std::string RestoreJournalText(const std::string& backupName);
// The backup a journal names; false for any text RestoreJournalText did not
// write (half a file, another program's, a hostile one).
bool ParseRestoreJournal(const std::string& text, std::string* backupName);
constexpr std::size_t kJournalReadLimit = 4096;

struct BackupCount {
    int memos = 0;      // memo and remind-time files
    int keptAside = 0;  // <name>.before-restore files
};
// "Backed up ..." of a finished backup into `target`.
std::string BackupMessage(const BackupCount& count, const std::string& target, std::size_t removedBackups);

struct RestoreCount {
    int restored = 0;
    int kept = 0;  // differing memos kept aside before they were replaced
    int failed = 0;
};
// "Restored ..." of a restore of backup `name`.
std::string RestoreMessage(const std::string& name, const RestoreCount& count);

}  // namespace sandrel
