// Rules of the backup program that need no file system: the backup folder
// names, what the command line asks for, which backups are kept, what each
// file in a memo folder is, what a restore does with it and under which name
// a differing memo is kept, the restore journal and what finishing a restore
// cut off does with each file it names, and the result messages.
#pragma once

#include <cstddef>
#include <cstdint>
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

// A backup's folder name: the day's own backup ("2008-1-5", which a later
// backup of the day replaces), or the one an import makes before it changes
// anything ("2008-1-5-import-<n>", n counting that day's imports from 1),
// which nothing replaces.
// A sync with a calendar server that replaces memos keeps what they held the
// same way ("2008-1-5-sync-<n>", counted with the imports).
struct BackupName {
    Day day;
    int import = 0;     // 0: the day's own backup
    bool sync = false;  // made by a sync rather than an import
};
std::string BackupFolderName(const BackupName& backup);
// False for any other name (a folder the program did not make, or one half
// written), leaving `backup` alone.
bool ParseBackupName(const std::string& name, BackupName* backup);
constexpr int kImportBackupsADay = 9999;
// The name for the next import backup of `day`, after those among `names`;
// empty when the day has had kImportBackupsADay of them.
std::string NextImportBackupName(const std::vector<std::string>& names, const Day& day,
                                 bool sync = false);

// What the command line asks for: the window (no argument), a silent backup
// ("auto"), a silent restore ("restore <backup name>"), the memos written to or
// read from a calendar file ("export <file.ics>", "import <file.ics>"; the
// name may stand in double quotes, and without them it is the rest of the
// line), or nothing known.
// An export may end with two dates, "export <file.ics> <Y-M-D> <Y-M-D>": only
// the memos of those dates and the ones between them are written.
struct Command {
    enum Kind { kWindow, kAuto, kRestore, kExport, kImport, kUnknown } kind = kWindow;
    Day day;             // kRestore: the backup's day
    std::string backup;  // kRestore: its folder name
    std::string file;  // kExport, kImport
    bool ranged = false;  // kExport of the dates from..to only
    Day from, to;
};
Command ParseCommand(const std::string& commandLine);

// Backup folder names of `names`, newest first (by day; within a day the
// imports' backups, the latest first, before the day's own, which is most
// often the morning's automatic one); other names are left out.
std::vector<std::string> BackupsNewestFirst(const std::vector<std::string>& names);
// The backup folders to remove so that the newest `keep` (at least one) of
// the days' own backups stay, and apart from them the newest `keep` import
// backups: many imports on one day never push out a month of daily backups.
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

// What a file held at one moment, told apart from any other content without
// keeping it: missing, or its size and a 64-bit FNV-1a hash of its bytes.
struct FileState {
    bool exists = false;
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    bool operator==(const FileState& o) const { return exists == o.exists && size == o.size && hash == o.hash; }
    bool operator!=(const FileState& o) const { return !(*this == o); }
};
FileState StateOfBytes(const std::string& bytes);

// The journal a restore writes before it changes anything and removes when it
// is done; a journal found at start names a restore that was cut off. It
// lists each file the restore is to change, with what the file held before
// and what the restore puts there, and then, one line each, the files dealt
// with so far.
struct JournalEntry {
    std::string folder;  // one of kMemoFolderNames
    std::string name;    // a plain file name in it (and in the backup's copy of it)
    FileState before, after;
    bool done = false;
};
struct RestoreJournal {
    std::string backup;  // the backup's folder name
    // False for the journal of an earlier version, which names the backup
    // but not the files: nothing tells what such a restore changed.
    bool listed = true;
    std::vector<JournalEntry> entries;
};
// The journal's text, ending with a line for each entry that is done.
std::string RestoreJournalText(const RestoreJournal& journal);
// The line appended once entry `index` is dealt with.
std::string JournalDoneLine(std::size_t index);
// False for any text RestoreJournalText did not write (half a file, another
// program's, a hostile one), leaving `journal` alone. Lines after the list
// that do not read as done lines (a line cut off by a power cut) end it.
bool ParseRestoreJournal(const std::string& text, RestoreJournal* journal);
constexpr std::size_t kJournalReadLimit = 64u << 20;

// What finishing a cut-off restore does with one file of its journal, given
// what the file holds now: leave it (dealt with, or as restored), finish it
// (still as before the restore, so no one has changed it since), or drop it
// (changed since the restore began: a newer edit is never replaced).
enum class FinishStep { kLeave, kFinish, kDrop };
FinishStep ChooseFinishStep(const JournalEntry& entry, const FileState& now);

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

struct FinishCount {
    int finished = 0;  // restored now
    int already = 0;   // restored before the cut
    int failed = 0;
    std::vector<std::string> dropped;  // "Remark\<name>": changed since, left as they are
};
// The account of finishing the cut-off restore of backup `name`.
std::string FinishMessage(const std::string& name, const FinishCount& count);
// What a run that does not finish it says of a cut-off restore.
std::string CutOffNote(const std::string& name);

}  // namespace sandrel
