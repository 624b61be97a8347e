// The backup program's folder names and command line: a name reads only when
// it names a real day and is written back exactly; a restore names a real
// backup; pruning removes only backup folders and keeps the newest of each
// kind; a restore journal reads only as written, names a real backup and
// plain file names; the names a restore keeps earlier texts under read back
// as such.
#include <algorithm>
#include <cctype>
#include <set>

#include "core/tools/backup_rules.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool RealDay(const sandrel::Day& d) {
    return d.year >= 1601 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= CivilMonthLength(d.year, d.month);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1024) return -1;
    FuzzInput in(data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);

    sandrel::Day day{-7, -7, -7};
    if (sandrel::ParseDayFolderName(text, &day)) {
        FUZZ_CHECK(RealDay(day) && sandrel::DayFolderName(day) == text);
    } else {
        FUZZ_CHECK(day.year == -7 && day.month == -7 && day.day == -7);  // untouched
    }
    // Day -> name -> day.
    const sandrel::Day made{static_cast<int>(in.U32() % 12000), in.Byte() % 14, in.Byte() % 33};
    sandrel::Day back;
    FUZZ_CHECK(sandrel::ParseDayFolderName(sandrel::DayFolderName(made), &back) == RealDay(made));
    if (RealDay(made)) FUZZ_CHECK(!(back < made) && !(made < back));

    const sandrel::Command command = sandrel::ParseCommand(text);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const std::string line = first == std::string::npos ? std::string() : Lower(text.substr(first));
    switch (command.kind) {
    case sandrel::Command::kWindow:
        FUZZ_CHECK(line.empty());
        break;
    case sandrel::Command::kAuto:
        FUZZ_CHECK(line.compare(0, 4, "auto") == 0 &&
                   line.find_first_not_of(" \t\r\n", 4) == std::string::npos);
        break;
    case sandrel::Command::kRestore: {
        FUZZ_CHECK(line.compare(0, 7, "restore") == 0 && (line[7] == ' ' || line[7] == '\t'));
        FUZZ_CHECK(RealDay(command.day));
        sandrel::BackupName named;
        FUZZ_CHECK(sandrel::ParseBackupName(command.backup, &named) && sandrel::BackupFolderName(named) == command.backup);
        FUZZ_CHECK(line.find(command.backup) != std::string::npos);
        break;
    }
    case sandrel::Command::kExport:
    case sandrel::Command::kImport:
        // The verb, then a file name the command line really holds.
        FUZZ_CHECK(line.compare(0, 6, command.kind == sandrel::Command::kExport ? "export" : "import") == 0);
        FUZZ_CHECK(!command.file.empty() && line.find(Lower(command.file)) != std::string::npos);
        break;
    case sandrel::Command::kUnknown:
        FUZZ_CHECK(!line.empty());
        break;
    }

    sandrel::RestoreJournal journal;
    if (sandrel::ParseRestoreJournal(text, &journal)) {
        sandrel::BackupName named;
        FUZZ_CHECK(sandrel::ParseBackupName(journal.backup, &named));
        for (const sandrel::JournalEntry& e : journal.entries)
            FUZZ_CHECK(!e.name.empty() && e.name != "." && e.name != ".." &&
                       e.name.find_first_of("\\/:") == std::string::npos && e.before != e.after);
        // What it read, written again, reads the same and is the text up to
        // where reading stopped.
        sandrel::RestoreJournal again;
        const std::string written = sandrel::RestoreJournalText(journal);
        FUZZ_CHECK(sandrel::ParseRestoreJournal(written, &again) && again.entries.size() == journal.entries.size());
        if (journal.listed) {
            FUZZ_CHECK(sandrel::RestoreJournalText(again) == written);
            const std::size_t list = written.find("\r\nend\r\n") + 7;
            FUZZ_CHECK(text.compare(0, list, written, 0, list) == 0);
        } else {
            FUZZ_CHECK(text == "Sandrel restore journal 1\r\nbackup " + journal.backup + "\r\n");
        }
    }
    const int n = 1 + in.Byte() % sandrel::kKeepNamesTried;
    FUZZ_CHECK(sandrel::KindOfName(sandrel::KeepName(text, n)) == sandrel::FileKind::kKeptAside);
    if (sandrel::KindOfName(text) == sandrel::FileKind::kKeptAside)
        FUZZ_CHECK(Lower(text).find(".before-restore") != std::string::npos);

    // The text as a folder listing, one name a line.
    std::vector<std::string> names;
    std::size_t from = 0;
    for (std::size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1)
        names.push_back(text.substr(from, nl - from));
    names.push_back(text.substr(from));
    const std::size_t keep = size == 0 ? 0 : data[size - 1] % 5;
    // Of each kind (the days' own backups, the imports'), the same rule.
    std::size_t dated[2] = {0, 0};
    sandrel::BackupName backup;
    for (const std::string& n : names)
        if (sandrel::ParseBackupName(n, &backup)) ++dated[backup.import != 0];
    const std::vector<std::string> newest = sandrel::BackupsNewestFirst(names);
    FUZZ_CHECK(newest.size() == dated[0] + dated[1]);
    const std::vector<std::string> removed = sandrel::BackupsToRemove(names, keep);
    const std::size_t kept = std::max<std::size_t>(keep, 1);
    std::size_t removedOf[2] = {0, 0};
    // Every removed folder is a backup and no newer than any kept one of its kind.
    std::multiset<std::string> left(names.begin(), names.end());
    sandrel::Day newestRemoved[2] = {{0, 0, 0}, {0, 0, 0}};
    for (const std::string& r : removed) {
        FUZZ_CHECK(sandrel::ParseBackupName(r, &backup));
        const int kind = backup.import != 0;
        ++removedOf[kind];
        auto it = left.find(r);
        FUZZ_CHECK(it != left.end());
        left.erase(it);
        if (newestRemoved[kind] < backup.day) newestRemoved[kind] = backup.day;
    }
    for (int kind = 0; kind < 2; ++kind)
        FUZZ_CHECK(removedOf[kind] == (dated[kind] > kept ? dated[kind] - kept : 0));
    for (const std::string& n : left)
        if (sandrel::ParseBackupName(n, &backup)) FUZZ_CHECK(!(backup.day < newestRemoved[backup.import != 0]));
    return 0;
}
