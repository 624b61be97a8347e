// Rules of the backup program that need no file system: the dated folder
// names, what the command line asks for, which backups are kept, and the
// name a differing memo is kept under when a backup is restored over it.
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
// ("auto"), a silent restore ("restore <Y-M-D>"), or nothing known.
struct Command {
    enum Kind { kWindow, kAuto, kRestore, kUnknown } kind = kWindow;
    Day day;  // kRestore
};
Command ParseCommand(const std::string& commandLine);

// Dated folder names of `names`, newest first; other names are left out.
std::vector<std::string> BackupsNewestFirst(const std::vector<std::string>& names);
// The dated folders to remove so that the newest `keep` (at least one) stay.
std::vector<std::string> BackupsToRemove(const std::vector<std::string>& names, std::size_t keep);

constexpr std::size_t kBackupsKept = 30;

// Where a memo that differs from the restored one is kept.
std::string BeforeRestoreName(const std::string& fileName);

}  // namespace sandrel
