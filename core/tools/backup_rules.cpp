#include "core/tools/backup_rules.h"

#include <algorithm>
#include <cctype>
#include <tuple>

namespace sandrel {

namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysIn(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Reads 1..4 digits without a leading zero at `pos`; advances `pos`.
bool ReadNumber(const std::string& s, std::size_t& pos, int* value) {
    const std::size_t start = pos;
    int v = 0;
    while (pos < s.size() && pos - start < 4 && s[pos] >= '0' && s[pos] <= '9') v = v * 10 + (s[pos++] - '0');
    if (pos == start || (s[start] == '0') || (pos < s.size() && s[pos] >= '0' && s[pos] <= '9'))
        return false;
    *value = v;
    return true;
}

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

bool EqualsNoCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

struct Dated {
    Day day;
    std::string name;
};

std::vector<Dated> DatedNewestFirst(const std::vector<std::string>& names) {
    std::vector<Dated> dated;
    for (const std::string& name : names) {
        Day d;
        if (ParseDayFolderName(name, &d)) dated.push_back({d, name});
    }
    std::stable_sort(dated.begin(), dated.end(), [](const Dated& a, const Dated& b) { return b.day < a.day; });
    return dated;
}

}  // namespace

bool operator<(const Day& a, const Day& b) {
    return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
}

std::string DayFolderName(const Day& d) {
    return std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day);
}

bool ParseDayFolderName(const std::string& name, Day* day) {
    std::size_t pos = 0;
    Day d;
    if (!ReadNumber(name, pos, &d.year) || pos >= name.size() || name[pos++] != '-') return false;
    if (!ReadNumber(name, pos, &d.month) || pos >= name.size() || name[pos++] != '-') return false;
    if (!ReadNumber(name, pos, &d.day) || pos != name.size()) return false;
    if (d.year < 1601 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > DaysIn(d.year, d.month))
        return false;
    *day = d;
    return true;
}

Command ParseCommand(const std::string& commandLine) {
    Command command;
    const std::string line = Trimmed(commandLine);
    if (line.empty()) return command;
    if (EqualsNoCase(line, "auto")) {
        command.kind = Command::kAuto;
        return command;
    }
    const auto space = line.find_first_of(" \t");
    if (space != std::string::npos && EqualsNoCase(line.substr(0, space), "restore") &&
        ParseDayFolderName(Trimmed(line.substr(space)), &command.day)) {
        command.kind = Command::kRestore;
        return command;
    }
    if (space != std::string::npos) {
        const std::string verb = line.substr(0, space);
        const bool exporting = EqualsNoCase(verb, "export");
        if (exporting || EqualsNoCase(verb, "import")) {
            std::string file = Trimmed(line.substr(space));
            if (exporting) {
                // The last two words, when both are dates in order.
                const auto second = file.find_last_of(" \t");
                const auto first = second == std::string::npos ? second : file.find_last_of(" \t", second - 1);
                Day from, to;
                if (first != std::string::npos && first > 0 &&
                    ParseDayFolderName(file.substr(first + 1, second - first - 1), &from) &&
                    ParseDayFolderName(file.substr(second + 1), &to) && !(to < from)) {
                    command.ranged = true;
                    command.from = from;
                    command.to = to;
                    file = Trimmed(file.substr(0, first));
                }
            }
            if (file.size() >= 2 && file.front() == '"' && file.back() == '"') file = file.substr(1, file.size() - 2);
            // A quote left inside would reach the file system as part of the name.
            if (!file.empty() && file.find('"') == std::string::npos) {
                command.kind = exporting ? Command::kExport : Command::kImport;
                command.file = file;
                return command;
            }
        }
    }
    command.kind = Command::kUnknown;
    return command;
}

std::vector<std::string> BackupsNewestFirst(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const Dated& d : DatedNewestFirst(names)) out.push_back(d.name);
    return out;
}

std::vector<std::string> BackupsToRemove(const std::vector<std::string>& names, std::size_t keep) {
    const std::vector<std::string> newest = BackupsNewestFirst(names);
    keep = std::max<std::size_t>(keep, 1);
    if (newest.size() <= keep) return {};
    return std::vector<std::string>(newest.begin() + static_cast<std::ptrdiff_t>(keep), newest.end());
}

std::string BeforeRestoreName(const std::string& fileName) { return fileName + ".before-restore"; }

std::string KeepName(const std::string& fileName, int n) {
    return n <= 1 ? BeforeRestoreName(fileName) : BeforeRestoreName(fileName) + "." + std::to_string(n);
}

namespace {

const char kKeptMark[] = ".before-restore";

// Whether `name` ends with `tail`, without regard to case (as the file
// system compares names).
bool EndsWithNoCase(const std::string& name, const std::string& tail) {
    return name.size() >= tail.size() && EqualsNoCase(name.substr(name.size() - tail.size()), tail.c_str());
}

}  // namespace

FileKind KindOfName(const std::string& fileName) {
    // "<name>.before-restore" or "<name>.before-restore.<n>".
    std::string base = fileName;
    const auto dot = base.find_last_of('.');
    if (dot != std::string::npos && dot + 1 < base.size() &&
        base.find_first_not_of("0123456789", dot + 1) == std::string::npos)
        base.resize(dot);
    return EndsWithNoCase(base, kKeptMark) ? FileKind::kKeptAside : FileKind::kMemo;
}

RestoreStep ChooseRestoreStep(FileKind kind, bool targetExists, bool sameBytes) {
    switch (kind) {
    case FileKind::kMemo:
        if (!targetExists) return RestoreStep::kCopy;
        return sameBytes ? RestoreStep::kLeave : RestoreStep::kKeepAsideAndReplace;
    case FileKind::kKeptAside:
        // An earlier text comes back where it is gone; one of that name that
        // is there is another earlier text, never replaced.
        return targetExists ? RestoreStep::kLeave : RestoreStep::kCopy;
    }
    return RestoreStep::kLeave;
}

namespace {
const char kJournalHead[] = "Sandrel restore journal 1\r\nbackup ";
}

std::string RestoreJournalText(const std::string& backupName) { return kJournalHead + backupName + "\r\n"; }

bool ParseRestoreJournal(const std::string& text, std::string* backupName) {
    const std::string head = kJournalHead;
    if (text.size() > kJournalReadLimit || text.size() < head.size() + 2 || text.compare(0, head.size(), head) != 0 ||
        text.compare(text.size() - 2, 2, "\r\n") != 0)
        return false;
    const std::string name = text.substr(head.size(), text.size() - head.size() - 2);
    Day day;
    if (!ParseDayFolderName(name, &day)) return false;
    *backupName = name;
    return true;
}

std::string BackupMessage(const BackupCount& count, const std::string& target, std::size_t removedBackups) {
    std::string message = "Backed up " + std::to_string(count.memos) + " memo file(s)";
    if (count.keptAside)
        message += " and " + std::to_string(count.keptAside) + " kept-aside file(s) (<name>.before-restore)";
    message += " to " + target + ".";
    if (removedBackups) message += " Removed " + std::to_string(removedBackups) + " old backup(s).";
    return message;
}

std::string RestoreMessage(const std::string& name, const RestoreCount& count) {
    std::string message = "Restored " + std::to_string(count.restored) + " file(s) from backup " + name + ".";
    if (count.kept)
        message += " " + std::to_string(count.kept) + " changed memo file(s) kept as <name>.before-restore.";
    if (count.failed) message += " " + std::to_string(count.failed) + " file(s) could not be restored.";
    return message;
}

}  // namespace sandrel
