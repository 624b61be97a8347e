// Memos to and from iCalendar files ("export <file.ics>", "import
// <file.ics>"). Vellumo's Tools menu runs this program with the same
// switches, so there is one implementation of both.
#include <algorithm>
#include <optional>

#include "companions/sandrel/sandrel.h"
#include "companions/sandrel/sandrel_files.h"
#include "core/memo/ical_export.h"
#include "core/memo/ical_import.h"
#include "core/memo/ical_time.h"
#include "core/memo/memo_format.h"
#include "core/memo/memo_search.h"
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
        memos.push_back(std::move(entry));
    }
    std::sort(memos.begin(), memos.end(), [](const MemoForExport& a, const MemoForExport& b) {
        return DayNumber(a.date) < DayNumber(b.date);
    });

    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    const LocalDateTime nowUtc{{now.wYear, now.wMonth, now.wDay}, {now.wHour, now.wMinute, now.wSecond}};
    const IcsExport ics = ExportIcs(memos, SystemAnsiCodePage(), nowUtc);
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
    const IcsImport plan = PlanIcsImport(bytes, context);
    if (!plan.error.empty()) return {kNotCalendar, "Import failed: " + file + ": " + plan.error + " No memo was changed."};

    const std::string account = DescribeImport(plan.report);
    if (plan.plan.empty()) return {kDone, account + "\n\nNothing was changed, so no backup was needed."};

    // The memos as they are now, so that Restore can undo the import.
    std::string backupLine;
    const Outcome backup = BackUp(dir, today);
    const std::string backupName = DayFolderName(today);
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
    for (const PlannedDay& day : plan.plan) {
        const Date& d = day.date;
        const std::pair<const std::optional<std::string>*, std::string> files[] = {
            {&day.memoFile, MakeDayFilePath(paths.remarkPrefix, d.year, d.month, d.day)},
            {&day.notice, MakeDayFilePath(paths.noticePrefix, d.year, d.month, d.day)},
        };
        for (const auto& f : files) {
            if (!*f.first || PlaceWhole(f.second, f.second + ".tmp", **f.first, true)) continue;
            return {kCopyFailed, "Import stopped: could not write " + f.second + ". " +
                                     Plural(written, "date was", "dates were") + " written of " +
                                     std::to_string(plan.plan.size()) + ". " + backupLine};
        }
        ++written;
    }
    return {kDone, account + "\n\n" + backupLine};
}

}  // namespace sandrel
