#include "core/tools/backup_rules.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <tuple>

#include "core/calendar/month_length.h"
#include "core/memo/memo_format.h"

namespace sandrel {

namespace {

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
    BackupName backup;
    std::string name;
};

// Within a day the import backups, the latest first, before the day's own.
bool Newer(const BackupName& a, const BackupName& b) {
    if (a.day < b.day || b.day < a.day) return b.day < a.day;
    if ((a.import == 0) != (b.import == 0)) return a.import != 0;
    return a.import > b.import;
}

std::vector<Dated> DatedNewestFirst(const std::vector<std::string>& names) {
    std::vector<Dated> dated;
    for (const std::string& name : names) {
        BackupName b;
        if (ParseBackupName(name, &b)) dated.push_back({b, name});
    }
    std::stable_sort(dated.begin(), dated.end(),
                     [](const Dated& a, const Dated& b) { return Newer(a.backup, b.backup); });
    return dated;
}

const char kImportTag[] = "-import-";
const char kSyncTag[] = "-sync-";

}  // namespace

bool operator<(const Day& a, const Day& b) {
    return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
}

std::string DayFolderName(const Day& d) {
    return std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day);
}

namespace {

// The day's name at the start of `name`; `pos` then just after it.
bool ReadDay(const std::string& name, std::size_t& pos, Day* day) {
    Day d;
    if (!ReadNumber(name, pos, &d.year) || pos >= name.size() || name[pos++] != '-') return false;
    if (!ReadNumber(name, pos, &d.month) || pos >= name.size() || name[pos++] != '-') return false;
    if (!ReadNumber(name, pos, &d.day)) return false;
    if (d.year < 1601 || !IsRealDate(Date{d.year, d.month, d.day})) return false;
    *day = d;
    return true;
}

}  // namespace

bool ParseDayFolderName(const std::string& name, Day* day) {
    std::size_t pos = 0;
    Day d;
    if (!ReadDay(name, pos, &d) || pos != name.size()) return false;
    *day = d;
    return true;
}

std::string BackupFolderName(const BackupName& backup) {
    const std::string day = DayFolderName(backup.day);
    return backup.import > 0 ? day + (backup.sync ? kSyncTag : kImportTag) + std::to_string(backup.import)
                             : day;
}

bool ParseBackupName(const std::string& name, BackupName* backup) {
    std::size_t pos = 0;
    BackupName b;
    if (!ReadDay(name, pos, &b.day)) return false;
    if (pos != name.size()) {
        b.sync = name.compare(pos, std::strlen(kSyncTag), kSyncTag) == 0;
        const char* tag = b.sync ? kSyncTag : kImportTag;
        if (name.compare(pos, std::strlen(tag), tag) != 0) return false;
        pos += std::strlen(tag);
        if (!ReadNumber(name, pos, &b.import) || pos != name.size()) return false;
    }
    *backup = b;
    return true;
}

std::string NextImportBackupName(const std::vector<std::string>& names, const Day& day, bool sync) {
    int last = 0;
    for (const std::string& name : names) {
        BackupName b;
        if (ParseBackupName(name, &b) && !(b.day < day) && !(day < b.day)) last = std::max(last, b.import);
    }
    if (last >= kImportBackupsADay) return std::string();
    return BackupFolderName(BackupName{day, last + 1, sync});
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
    BackupName backup;
    if (space != std::string::npos && EqualsNoCase(line.substr(0, space), "restore") &&
        ParseBackupName(Trimmed(line.substr(space)), &backup)) {
        command.kind = Command::kRestore;
        command.day = backup.day;
        command.backup = BackupFolderName(backup);
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
    keep = std::max<std::size_t>(keep, 1);
    std::vector<std::string> remove;
    std::size_t own = 0, imports = 0;
    for (const Dated& d : DatedNewestFirst(names)) {
        std::size_t& seen = d.backup.import ? imports : own;
        if (++seen > keep) remove.push_back(d.name);
    }
    return remove;
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

FileState StateOfBytes(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return FileState{true, bytes.size(), hash};
}

namespace {

const char kJournalHeadOld[] = "Sandrel restore journal 1\r\nbackup ";
const char kJournalHead[] = "Sandrel restore journal 2\r\nbackup ";
const char kJournalEnd[] = "end";

std::string StateText(const FileState& state) {
    if (!state.exists) return "-";
    char hash[17];
    for (int i = 0; i < 16; ++i) hash[i] = "0123456789abcdef"[(state.hash >> (60 - 4 * i)) & 15];
    hash[16] = '\0';
    return std::to_string(state.size) + ":" + hash;
}

// Decimal digits, at most `digits` of them, without a leading zero (but "0").
bool ReadCount(const std::string& text, std::uint64_t* value, std::size_t digits) {
    if (text.empty() || text.size() > digits || (text.size() > 1 && text[0] == '0')) return false;
    std::uint64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    *value = v;
    return true;
}

bool ReadState(const std::string& text, FileState* state) {
    if (text == "-") {
        *state = FileState{};
        return true;
    }
    const auto colon = text.find(':');
    if (colon == std::string::npos || text.size() - colon - 1 != 16) return false;
    FileState s;
    s.exists = true;
    if (!ReadCount(text.substr(0, colon), &s.size, 15)) return false;
    for (std::size_t i = colon + 1; i < text.size(); ++i) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        s.hash = (s.hash << 4) | static_cast<std::uint64_t>(digit);
    }
    *state = s;
    return true;
}

bool IsMemoFolder(const std::string& folder) {
    for (const char* known : kMemoFolderNames)
        if (folder == known) return true;
    return false;
}

// A file name alone: never a path out of the memo folder, never a device
// or control text.
bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:*?\"<>|", c)) return false;
    return true;
}

// "file <folder> <before> <after> <name>" (the name last: it may hold blanks).
bool ReadEntry(const std::string& line, JournalEntry* entry) {
    std::size_t pos = 0;
    std::string words[4];
    for (std::string& word : words) {
        const auto space = line.find(' ', pos);
        if (space == std::string::npos) return false;
        word = line.substr(pos, space - pos);
        pos = space + 1;
    }
    JournalEntry e;
    e.folder = words[1];
    e.name = line.substr(pos);
    if (words[0] != "file" || !IsMemoFolder(e.folder) || !IsPlainFileName(e.name) ||
        !ReadState(words[2], &e.before) || !ReadState(words[3], &e.after) || e.before == e.after)
        return false;
    *entry = e;
    return true;
}

}  // namespace

std::string JournalDoneLine(std::size_t index) { return "done " + std::to_string(index) + "\r\n"; }

std::string RestoreJournalText(const RestoreJournal& journal) {
    std::string text = kJournalHead + journal.backup + "\r\n";
    for (const JournalEntry& e : journal.entries)
        text += "file " + e.folder + " " + StateText(e.before) + " " + StateText(e.after) + " " + e.name + "\r\n";
    text += std::string(kJournalEnd) + "\r\n";
    for (std::size_t i = 0; i < journal.entries.size(); ++i)
        if (journal.entries[i].done) text += JournalDoneLine(i);
    return text;
}

bool ParseRestoreJournal(const std::string& text, RestoreJournal* journal) {
    if (text.size() > kJournalReadLimit) return false;
    const bool old = text.compare(0, std::strlen(kJournalHeadOld), kJournalHeadOld) == 0;
    const std::string head = old ? kJournalHeadOld : kJournalHead;
    if (text.compare(0, head.size(), head) != 0) return false;
    // The lines after the head; the last one ends with its CR LF.
    std::vector<std::string> lines;
    std::size_t pos = head.size();
    bool cut = false;  // a last piece without its line end
    while (pos < text.size()) {
        const auto end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            cut = true;
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    RestoreJournal j;
    BackupName backup;
    if (lines.empty() || !ParseBackupName(lines[0], &backup)) return false;
    j.backup = lines[0];
    if (old) {
        if (lines.size() != 1 || cut) return false;
        j.listed = false;
        *journal = j;
        return true;
    }
    std::size_t line = 1;
    for (; line < lines.size() && lines[line] != kJournalEnd; ++line) {
        JournalEntry entry;
        if (!ReadEntry(lines[line], &entry)) return false;
        j.entries.push_back(entry);
    }
    if (line == lines.size()) return false;  // the list is whole or the journal is not ours
    for (++line; line < lines.size(); ++line) {
        std::uint64_t index = 0;
        if (lines[line].compare(0, 5, "done ") != 0 || !ReadCount(lines[line].substr(5), &index, 10) ||
            index >= j.entries.size())
            break;
        j.entries[static_cast<std::size_t>(index)].done = true;
    }
    *journal = j;
    return true;
}

FinishStep ChooseFinishStep(const JournalEntry& entry, const FileState& now) {
    if (entry.done || now == entry.after) return FinishStep::kLeave;
    return now == entry.before ? FinishStep::kFinish : FinishStep::kDrop;
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

std::string FinishMessage(const std::string& name, const FinishCount& count) {
    std::string message = "Finished the restore of backup " + name + " that was cut off: " +
                          std::to_string(count.finished) + " file(s) restored now, " +
                          std::to_string(count.already) + " restored before.";
    if (!count.dropped.empty()) {
        message += " " + std::to_string(count.dropped.size()) +
                   " file(s) changed since the restore began were left as they are:";
        constexpr std::size_t kNamed = 5;
        for (std::size_t i = 0; i < count.dropped.size() && i < kNamed; ++i)
            message += (i ? ", " : " ") + count.dropped[i];
        if (count.dropped.size() > kNamed)
            message += " and " + std::to_string(count.dropped.size() - kNamed) + " more";
        message += ".";
    }
    if (count.failed) message += " " + std::to_string(count.failed) + " file(s) could not be restored.";
    return message;
}

std::string CutOffNote(const std::string& name) {
    return "A restore of backup " + name +
           " was cut off and is not finished: memos it had not reached are as they were. Start Sandrel.exe "
           "without arguments to finish it (files changed since stay as they are) or to drop it.";
}

}  // namespace sandrel
