// Memos to and from iCalendar files ("export <file.ics>", "import
// <file.ics>"). Vellumo's Tools menu runs this program with the same
// switches, so there is one implementation of both.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <tuple>

#include "companions/sandrel/sandrel.h"
#include "companions/sandrel/sandrel_files.h"
#include "core/memo/ical_export.h"
#include "core/memo/ical_import.h"
#include "core/memo/ical_time.h"
#include "core/memo/memo_format.h"
#include "core/memo/memo_search.h"
#include "core/memo/repeat_memo.h"
#include "platform/ansi_code_page.h"

namespace sandrel {

namespace {

// Larger than any calendar a memo keeper takes in; keeps a wrong file choice
// from filling the memory.
constexpr std::size_t kCalendarFileLimit = 64u << 20;

// A memo or notice file whose text is exactly its bytes (no zero byte, not
// longer than the store reads) may be rewritten with something added;
// any other one would lose its hidden tail, so its date is left alone.
struct DayText {
    DayRead read = DayRead::kMissing;
    std::string text;
    bool whole = true;
};

DayText ReadDay(const std::string& path, std::size_t limit) {
    DayText day;
    std::string bytes;
    day.read = ReadDayFile(path, limit, &bytes);
    day.text = TextOfRead(bytes.data(), bytes.size(), limit);
    day.whole = bytes.size() <= limit && day.text.size() == bytes.size();
    return day;
}

Date ToDate(const Day& day) { return Date{day.year, day.month, day.day}; }

std::string Plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// What a date's two files held when the import looked at them, taken just
// before the plan read them: a file changed after this look is never
// replaced by a text planned from it. None when a file could not be read.
struct Looked {
    std::optional<FileState> memo, notice;
};
using LookedDays = std::map<std::int64_t, Looked>;

// `existing`, noting first what each date's files hold in `looked`.
std::function<ExistingDay(const Date&)> Noting(std::function<ExistingDay(const Date&)> existing,
                                               const MemoPaths& paths, LookedDays* looked) {
    return [existing, paths, looked](const Date& date) {
        Looked& l = (*looked)[DayNumber(date)];
        FileState state;
        l.memo.reset();
        l.notice.reset();
        if (ReadState(MakeDayFilePath(paths.remarkPrefix, date.year, date.month, date.day), &state)) l.memo = state;
        if (ReadState(MakeDayFilePath(paths.noticePrefix, date.year, date.month, date.day), &state)) l.notice = state;
        return existing(date);
    };
}

// The import's temporary files have a name of their own, so that no other
// writer of the memos (Vellumo's editor) ever moves one into place.
std::string ImportTemp(const std::string& path) { return path + ".sandrel.tmp"; }

// Writes the planned files of each day of `plan` (those of `only`, when
// given), each only while it still holds what the plan was made from. The
// dates someone else changed meanwhile go to `changed`; false (and the path)
// when a file could not be written.
bool WriteDays(const std::vector<PlannedDay>& plan, const std::vector<std::int64_t>* only, const MemoPaths& paths,
               const LookedDays& looked, std::vector<std::int64_t>* changed, std::size_t* written,
               std::string* failedPath) {
    for (const PlannedDay& day : plan) {
        const Date& d = day.date;
        const std::int64_t number = DayNumber(d);
        if (only && std::find(only->begin(), only->end(), number) == only->end()) continue;
        const auto found = looked.find(number);
        const Looked look = found == looked.end() ? Looked{} : found->second;
        const std::tuple<const std::optional<std::string>*, std::string, std::optional<FileState>> files[] = {
            {&day.memoFile, MakeDayFilePath(paths.remarkPrefix, d.year, d.month, d.day), look.memo},
            {&day.notice, MakeDayFilePath(paths.noticePrefix, d.year, d.month, d.day), look.notice},
        };
        bool dayChanged = false;
        for (const auto& [bytes, path, state] : files) {
            if (!*bytes) continue;
            const Placed placed =
                state ? PlaceIfUnchanged(path, ImportTemp(path), **bytes, *state) : Placed::kChanged;
            if (placed == Placed::kFailed) {
                *failedPath = path;
                return false;
            }
            dayChanged = dayChanged || placed == Placed::kChanged;
        }
        if (dayChanged) {
            changed->push_back(number);
            continue;
        }
        // The reminder ahead goes with the remind time the plan set.
        if (day.aheadMinutes) {
            const std::string path = MakeDayFilePath(paths.aheadPrefix, d.year, d.month, d.day);
            const bool placed = *day.aheadMinutes > 0
                                    ? PlaceWhole(path, ImportTemp(path), AheadFileText(*day.aheadMinutes), true)
                                    : ::DeleteFileA(path.c_str()) || !Exists(path);
            if (!placed) {
                *failedPath = path;
                return false;
            }
        }
        ++*written;
    }
    return true;
}

// The repeating memos in the Repeat folder ("Repeat_<n>.txt"), by number;
// a file that does not read as one is left out, as the memo store does.
std::vector<RepeatForExport> ReadRepeats(const std::string& repeatDir, unsigned* highest) {
    std::vector<std::pair<unsigned, RepeatForExport>> found;
    *highest = 0;
    for (const std::string& name : NamesIn(repeatDir, false)) {
        const unsigned number = RepeatFileNumber(name);
        if (number == 0) continue;
        *highest = std::max(*highest, number);
        std::string bytes;
        if (!ReadWhole(repeatDir + "\\" + name, &bytes, kRepeatReadLimit)) continue;
        if (std::optional<RepeatMemo> memo = ReadRepeatFile(bytes))
            found.push_back({number, RepeatForExport{name, std::move(*memo)}});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<RepeatForExport> repeats;
    for (auto& entry : found) repeats.push_back(std::move(entry.second));
    return repeats;
}

// Writes each new repeating memo under the next free number; false (and
// the path) when one could not be written.
bool WriteRepeats(const std::vector<RepeatMemo>& repeats, const std::string& repeatDir, unsigned highest,
                  std::size_t* written, std::string* failedPath) {
    if (repeats.empty()) return true;
    ::CreateDirectoryA(repeatDir.c_str(), nullptr);
    for (const RepeatMemo& memo : repeats) {
        // Never over a file made meanwhile: the next number then.
        for (int tries = 0;; ++tries) {
            const std::string path =
                repeatDir + "\\" + kRepeatFileStem + std::to_string(++highest) + ".txt";
            if (PlaceWhole(path, ImportTemp(path), RepeatFileText(memo), false)) break;
            if (tries >= 20 || !Exists(path)) {
                *failedPath = path;
                return false;
            }
        }
        ++*written;
    }
    return true;
}

}  // namespace

Outcome ExportCalendar(const std::string& dir, const std::string& file, const Day* range) {
    const MemoPaths paths = MakeMemoPaths(dir);
    // The memo files' own names ("Remark_<date>.txt"), in any case, as the
    // file system matches names.
    const std::string stem = paths.remarkPrefix.substr(paths.remarkPrefix.find_last_of('\\') + 1);
    std::vector<MemoForExport> memos;
    for (const std::string& name : NamesIn(paths.remarkDir, false)) {
        const std::optional<Date> date = DateOfDayFileName(name, stem);
        if (!date) continue;
        if (range && (DayNumber(*date) < DayNumber(ToDate(range[0])) || DayNumber(*date) > DayNumber(ToDate(range[1]))))
            continue;
        const std::string memoPath = MakeDayFilePath(paths.remarkPrefix, date->year, date->month, date->day);
        const DayText memo = ReadDay(memoPath, kExportMemoReadLimit);
        if (memo.read == DayRead::kMissing) continue;  // deleted since the listing
        if (memo.read != DayRead::kRead)
            return {kCopyFailed, "Export failed: could not read " + memoPath + "; " + file + " was not written."};
        MemoForExport entry{*date, memo.text, std::nullopt};
        const std::string noticePath = MakeDayFilePath(paths.noticePrefix, date->year, date->month, date->day);
        const DayText notice = ReadDay(noticePath, kNoticeReadLimit);
        if (notice.read == DayRead::kNotReadable)
            return {kCopyFailed, "Export failed: could not read " + noticePath + "; " + file + " was not written."};
        if (notice.read == DayRead::kRead) entry.notice = notice.text;
        const DayText ahead = ReadDay(MakeDayFilePath(paths.aheadPrefix, date->year, date->month, date->day), 16);
        if (ahead.read == DayRead::kRead) entry.aheadMinutes = AheadOfFileText(ahead.text);
        memos.push_back(std::move(entry));
    }
    std::sort(memos.begin(), memos.end(), [](const MemoForExport& a, const MemoForExport& b) {
        return DayNumber(a.date) < DayNumber(b.date);
    });

    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    const LocalDateTime nowUtc{{now.wYear, now.wMonth, now.wDay}, {now.wHour, now.wMinute, now.wSecond}};
    unsigned highest = 0;
    std::vector<RepeatForExport> repeats;
    for (RepeatForExport& repeat : ReadRepeats(paths.repeatDir, &highest)) {
        // Within a range: the series with a date in it.
        if (range && RepeatDates(repeat.memo, ToDate(range[0]), ToDate(range[1]), 1).empty()) continue;
        repeats.push_back(std::move(repeat));
    }
    const IcsExport ics = ExportIcs(memos, SystemAnsiCodePage(), nowUtc, repeats);
    if (!PlaceWhole(file, file + ".tmp", ics.bytes, true))
        return {kCalendarFileFailed, "Export failed: could not write " + file + "."};
    return {kDone, DescribeExport(ics.report) + "\n\nWritten to " + file + "."};
}

Outcome ImportCalendar(const std::string& dir, const std::string& file, const Day& today) {
    std::string bytes;
    if (!ReadWhole(file, &bytes, kCalendarFileLimit))
        return {kCalendarFileFailed, "Import failed: could not read " + file + " (missing, in use, or larger than " +
                                         std::to_string(kCalendarFileLimit >> 20) + " MB). No memo was changed."};

    const MemoPaths paths = MakeMemoPaths(dir);
    ImportContext context;
    context.today = ToDate(today);
    context.codePage = SystemAnsiCodePage();
    context.utcToLocal = UtcToLocalTime;
    context.existing = [&paths](const Date& date) {
        ExistingDay existing;
        const DayText memo =
            ReadDay(MakeDayFilePath(paths.remarkPrefix, date.year, date.month, date.day), kMemoReadLimit);
        const DayText notice =
            ReadDay(MakeDayFilePath(paths.noticePrefix, date.year, date.month, date.day), kNoticeReadLimit);
        existing.readable = memo.read != DayRead::kNotReadable && notice.read != DayRead::kNotReadable &&
                            memo.whole && notice.whole;
        if (memo.read == DayRead::kRead) existing.memoFile = memo.text;
        if (notice.read == DayRead::kRead) existing.notice = notice.text;
        return existing;
    };
    unsigned highestRepeat = 0;
    for (RepeatForExport& repeat : ReadRepeats(paths.repeatDir, &highestRepeat))
        context.repeats.push_back(std::move(repeat.memo));
    LookedDays looked;
    context.existing = Noting(context.existing, paths, &looked);
    const IcsImport plan = PlanIcsImport(bytes, context);
    if (!plan.error.empty()) return {kNotCalendar, "Import failed: " + file + ": " + plan.error + " No memo was changed."};

    const std::string account = DescribeImport(plan.report);
    if (plan.plan.empty() && plan.repeats.empty()) return {kDone, account + "\n\nNothing was changed, so no backup was needed."};

    // The memos as they are now, in a backup of their own, so that Restore
    // can undo the import.
    std::string backupLine;
    std::string backupName;
    const Outcome backup = BackUpBeforeImport(dir, today, &backupName);
    if (backup.code == kDone) {
        backupLine = "Before the import the memos were backed up to " + dir + "\\Backup\\" + backupName +
                     ". Restore of backup " + backupName +
                     " undoes the import (memos it wrote on dates that had none stay).";
    } else if (backup.code == kNoMemos) {
        backupLine = "There were no memos before the import, so there was nothing to back up.";
    } else {
        return {backup.code, "Import not made: the backup before it failed. " + backup.message};
    }

    ::CreateDirectoryA(paths.remarkDir.c_str(), nullptr);
    ::CreateDirectoryA(paths.noticeDir.c_str(), nullptr);
    std::size_t written = 0;
    std::string failedPath;
    std::vector<std::int64_t> changed;
    std::size_t repeatsWritten = 0;
    if (!WriteRepeats(plan.repeats, paths.repeatDir, highestRepeat, &repeatsWritten, &failedPath))
        return {kCopyFailed, "Import stopped: could not write " + failedPath + ". " +
                                 Plural(repeatsWritten, "repeating memo was", "repeating memos were") +
                                 " written of " + std::to_string(plan.repeats.size()) + "; no dated memo was. " +
                                 backupLine};
    bool ok = WriteDays(plan.plan, nullptr, paths, looked, &changed, &written, &failedPath);
    // A date saved meanwhile (in Vellumo's editor, say) is planned again from
    // its new text and written over that; one that keeps changing is left.
    std::size_t merged = 0;
    for (int pass = 0; ok && !changed.empty() && pass < 3; ++pass) {
        const std::vector<std::int64_t> again = changed;
        changed.clear();
        ok = WriteDays(PlanIcsImport(bytes, context).plan, &again, paths, looked, &changed, &written, &failedPath);
        // Dates whose events stand in the new text already plan nothing.
        merged += again.size() - changed.size();
    }
    if (!ok)
        return {kCopyFailed, "Import stopped: could not write " + failedPath + ". " +
                                 Plural(written, "date was", "dates were") + " written of " +
                                 std::to_string(plan.plan.size()) + ". " + backupLine};
    std::string raced;
    if (merged)
        raced += "\n" + Plural(merged, "memo was", "memos were") +
                 " changed by another program during the import; the events were added to the new text.";
    if (!changed.empty())
        raced += "\n" + Plural(changed.size(), "memo", "memos") +
                 " kept changing during the import and " + (changed.size() == 1 ? "was" : "were") +
                 " left as " + (changed.size() == 1 ? "it is" : "they are") +
                 "; import the file again to add their events.";
    return {kDone, account + raced + "\n\n" + backupLine};
}

}  // namespace sandrel
