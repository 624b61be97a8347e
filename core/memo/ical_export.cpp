#include "core/memo/ical_export.h"

#include <algorithm>

#include "core/memo/ical_repeat.h"
#include "core/memo/ical_time.h"
#include "core/memo/reminder_schedule.h"

namespace {

void Add(std::string& out, const std::string& line) { out += FoldContentLine(line); }

// A notice text as iCalendar TEXT carries it: printable ASCII only.
bool IsPlainNotice(const std::string& notice) {
    if (notice.empty() || notice.size() > kNoticeReadLimit) return false;
    for (char c : notice)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

std::optional<NoticeTime> RemindTime(const std::optional<std::string>& notice) {
    if (!notice) return std::nullopt;
    const std::optional<NoticeTime> time = ParseNoticeTime(*notice);
    if (!time || time->hour < 0 || time->hour > 23 || time->minute < 0 || time->minute > 59)
        return std::nullopt;
    return time;
}

// The summary, text and alarm of one event.
void AddText(std::string& out, const std::string& summary, const std::string& text, bool alarm,
             const std::string& trigger) {
    Add(out, "SUMMARY:" + EscapeText(summary));
    Add(out, "DESCRIPTION:" + EscapeText(text));
    if (!alarm) return;
    Add(out, "BEGIN:VALARM");
    Add(out, "ACTION:DISPLAY");
    // A display alarm needs words to show.
    const bool blank = summary.find_first_not_of(" \t") == std::string::npos;
    Add(out, "DESCRIPTION:" + EscapeText(blank ? kReminderCaption : summary));
    Add(out, "TRIGGER:" + trigger);
    Add(out, "END:VALARM");
}

std::string Count(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string SummaryLine(const std::string& text) {
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        for (std::size_t i = pos; i < end; ++i)
            if (text[i] != ' ' && text[i] != '\t') return text.substr(pos, end - pos);
        pos = end + 1;
    }
    return text.substr(0, text.find('\n'));
}

std::string EventUid(const Date& date) {
    return "vellumo-" + DateText(date.year, date.month, date.day) + "@vellumo";
}

IcsExport ExportIcs(const std::vector<MemoForExport>& memos, const AnsiCodePage& codePage,
                    const LocalDateTime& nowUtc, const std::vector<RepeatForExport>& repeats) {
    std::vector<const MemoForExport*> ordered;
    for (const MemoForExport& memo : memos) ordered.push_back(&memo);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const MemoForExport* a, const MemoForExport* b) {
                         return DayNumber(a->date) < DayNumber(b->date);
                     });

    IcsExport result;
    ExportReport& report = result.report;
    std::string& out = result.bytes;
    Add(out, "BEGIN:VCALENDAR");
    Add(out, "VERSION:2.0");
    Add(out, "PRODID:-//Vellumo//Vellumo memos//EN");
    Add(out, "CALSCALE:GREGORIAN");
    const std::string stamp = "DTSTAMP:" + IcalDateTime(nowUtc, true);
    const MemoForExport* previous = nullptr;
    for (const MemoForExport* memo : ordered) {
        if (previous != nullptr && previous->date == memo->date) continue;
        previous = memo;
        const Date& date = memo->date;
        if (date.year < 1 || date.year > 9999 || !IsRealDate(date)) {
            ++report.skippedDate;
            continue;
        }
        const std::size_t kept = AnsiCutLength(memo->memoFile, kMemoReadLimit, codePage);
        const std::string text =
            MemoTextToUtf8(CutMemoHead(memo->memoFile.substr(0, kept)), codePage,
                           report.charactersReplaced, report.charactersDropped);
        if (text.empty()) {
            ++report.skippedEmpty;
            continue;
        }
        ++report.events;
        if (kept < memo->memoFile.size()) ++report.memosCut;
        const std::string summary = SummaryLine(text);
        const std::optional<NoticeTime> remind = RemindTime(memo->notice);
        if (memo->notice && !remind && ParseNoticeTime(*memo->notice)) ++report.remindTimesLeftOut;

        Add(out, "BEGIN:VEVENT");
        Add(out, "UID:" + EventUid(date));
        Add(out, stamp);
        if (remind) {
            const LocalDateTime start{date, TimeOfDay{remind->hour, remind->minute, 0}};
            Add(out, "DTSTART:" + IcalDateTime(start, false));
            Add(out, "DURATION:PT15M");
            if (IsPlainNotice(*memo->notice))
                Add(out, "X-VELLUMO-NOTICE:" + EscapeText(*memo->notice));
        } else {
            Add(out, "DTSTART;VALUE=DATE:" + IcalDate(date));
            Add(out, "DTEND;VALUE=DATE:" + IcalDate(AddDays(date, 1)));
        }
        AddText(out, summary, text, remind.has_value(), AheadTrigger(memo->aheadMinutes));
        Add(out, "END:VEVENT");
    }
    for (const RepeatForExport& repeat : repeats) {
        const RepeatMemo& memo = repeat.memo;
        const std::optional<Date> start = FirstRuleDate(memo);
        const std::size_t kept = AnsiCutLength(memo.text, kMemoReadLimit, codePage);
        const std::string text = MemoTextToUtf8(memo.text.substr(0, kept), codePage,
                                                report.charactersReplaced, report.charactersDropped);
        if (!start) {
            ++report.skippedDate;
            continue;
        }
        if (text.empty()) {
            ++report.skippedEmpty;
            continue;
        }
        ++report.repeats;
        if (kept < memo.text.size()) ++report.memosCut;
        const std::string stem = repeat.name.substr(0, repeat.name.rfind('.'));
        Add(out, "BEGIN:VEVENT");
        Add(out, "UID:vellumo-repeat-" + stem + "@vellumo");
        Add(out, stamp);
        std::string skipped;
        if (memo.hasTime) {
            const TimeOfDay time{memo.hour, memo.minute, 0};
            Add(out, "DTSTART:" + IcalDateTime(LocalDateTime{*start, time}, false));
            Add(out, "DURATION:PT15M");
            for (const Date& d : memo.skipped)
                skipped += (skipped.empty() ? "" : ",") + IcalDateTime(LocalDateTime{d, time}, false);
            if (!skipped.empty()) skipped = "EXDATE:" + skipped;
        } else {
            Add(out, "DTSTART;VALUE=DATE:" + IcalDate(*start));
            Add(out, "DTEND;VALUE=DATE:" + IcalDate(AddDays(*start, 1)));
            for (const Date& d : memo.skipped) skipped += (skipped.empty() ? "" : ",") + IcalDate(d);
            if (!skipped.empty()) skipped = "EXDATE;VALUE=DATE:" + skipped;
        }
        Add(out, "RRULE:" + RepeatRuleText(memo));
        if (!skipped.empty()) Add(out, skipped);
        AddText(out, SummaryLine(text), text, memo.hasTime, AheadTrigger(memo.aheadMinutes));
        Add(out, "END:VEVENT");
    }
    Add(out, "END:VCALENDAR");
    return result;
}

std::string DescribeExport(const ExportReport& r) {
    std::string text = Count(r.events, "memo", "memos") + " exported.";
    if (r.repeats > 0) text += "\n" + Count(r.repeats, "repeating memo", "repeating memos") + " exported.";
    if (r.skippedEmpty > 0)
        text +=
            "\n" +
            Count(r.skippedEmpty, "memo file without text was", "memo files without text were") +
            " left out.";
    if (r.skippedDate > 0)
        text += "\n" + Count(r.skippedDate, "memo of a year", "memos of years") +
                " before 1 or after 9999 left out.";
    if (r.charactersReplaced > 0)
        text += "\n" + Count(r.charactersReplaced, "character", "characters") +
                " that the code page does not define written as replacement marks.";
    if (r.charactersDropped > 0)
        text += "\n" + Count(r.charactersDropped, "control character", "control characters") +
                " left out.";
    if (r.memosCut > 0)
        text += "\n" + Count(r.memosCut, "memo", "memos") + " longer than " +
                std::to_string(kMemoReadLimit) + " bytes cut to fit, at a whole character.";
    if (r.remindTimesLeftOut > 0)
        text += "\n" + Count(r.remindTimesLeftOut, "remind time", "remind times") +
                " outside 0:00..23:59 left out (all-day events).";
    return text;
}
