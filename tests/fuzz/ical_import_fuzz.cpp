// The iCalendar reader on any bytes: a broken file plans nothing, a plan only
// ever adds to a memo and keeps within the file limit, and a second import of
// the same file plans nothing; a subscribed calendar's events of a month lie
// in that month, in order. With the first byte odd, the bytes are memos
// instead: their export is UTF-8 in short lines and imports back as it was.
// A file may ask for a few repeating rules only: each can fill a year of
// dates twice, and a run should try many files rather than a few long ones.
#include <algorithm>
#include <map>
#include <set>

#include "core/calendars/calendar_events.h"
#include "core/memo/ical_export.h"
#include "core/memo/ical_import.h"
#include "core/memo/ical_time.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/fake_code_pages.h"

namespace {

using Store =
    std::map<std::int64_t, std::pair<std::optional<std::string>, std::optional<std::string>>>;

ImportContext ContextFor(Store& store, const AnsiCodePage& codePage, int offsetHours, int& asked) {
    ImportContext c;
    c.today = Date{2026, 3, 10};
    c.codePage = codePage;
    c.utcToLocal = [offsetHours](const LocalDateTime& utc, LocalDateTime& local) {
        local = DateTimeOfSeconds(SecondsOf(utc) + offsetHours * 3600);
        return true;
    };
    c.existing = [&store, &asked](const Date& d) {
        ++asked;
        ExistingDay day;
        const auto it = store.find(DayNumber(d));
        if (it != store.end()) {
            day.memoFile = it->second.first;
            day.notice = it->second.second;
        }
        day.readable = d.day != 13;  // some dates are held elsewhere
        return day;
    };
    return c;
}

constexpr int kMostRules = 3;

// How many times the repeating properties' names stand in the file.
int RuleCount(const std::uint8_t* data, std::size_t size) {
    int n = 0;
    for (std::size_t i = 0; i + 5 <= size; ++i) {
        char name[5];
        for (int k = 0; k < 5; ++k) name[k] = static_cast<char>(data[i + k] & ~0x20);
        n += std::equal(name, name + 5, "RRULE") || std::equal(name, name + 5, "RDATE");
    }
    return n;
}

// A month of events as the panel asks for them.
void CheckEvents(const std::string& file, const AnsiCodePage& codePage, int offsetHours) {
    const IcalDocument document = ReadIcalendar(file);
    if (!document.error.empty()) return;
    Store unused;
    int asked = 0;
    const CalendarEvents events(document, ContextFor(unused, codePage, offsetHours, asked));
    const Date from{2026, 3, 1}, to{2026, 3, 31};
    std::int64_t previous = DayNumber(from);
    for (const CalendarEvent& e : events.Between(from, to)) {
        const std::int64_t day = DayNumber(e.date);
        FUZZ_CHECK(day >= previous && day <= DayNumber(to));
        FUZZ_CHECK(e.text.find_first_of("\r\n") == std::string::npos);
        previous = day;
    }
    FUZZ_CHECK(asked == 0);
}

bool ValidNotice(const std::string& notice) {
    const std::optional<NoticeTime> t = ParseNoticeTime(notice);
    return notice.size() <= kNoticeReadLimit && t && t->hour >= 0 && t->hour <= 23 &&
           t->minute >= 0 && t->minute <= 59;
}

void CheckImport(const std::string& file, const AnsiCodePage& codePage, int offsetHours) {
    Store store;
    store[DayNumber(Date{2026, 4, 1})] = {std::string("[2026-4-1] kept"), std::string("7:00")};
    store[DayNumber(Date{2026, 4, 2})] = {std::string("[2026-4-2] ") + std::string(4080, 'k'),
                                          std::nullopt};
    store[DayNumber(Date{2026, 4, 3})] = {std::nullopt, std::string("5:55")};  // memo deleted
    const Store before = store;
    int asked = 0;
    const IcsImport first = PlanIcsImport(file, ContextFor(store, codePage, offsetHours, asked));
    if (!first.error.empty()) {
        FUZZ_CHECK(first.plan.empty() && asked == 0 && first.report.eventsRead == 0);
        return;
    }
    const ImportReport& r = first.report;
    FUZZ_CHECK(r.memosAdded + r.memosExtended == static_cast<int>(first.plan.size()));
    FUZZ_CHECK(r.memosAdded + r.memosExtended + r.memosUnchanged + r.datesNotReadable == asked);
    FUZZ_CHECK(!DescribeImport(r).empty());
    std::int64_t previous = INT64_MIN;
    for (const PlannedDay& day : first.plan) {
        const std::int64_t key = DayNumber(day.date);
        FUZZ_CHECK(key > previous && day.date.day != 13);
        previous = key;
        const auto old = before.find(key);
        const std::string oldMemo =
            old != before.end() && old->second.first ? *old->second.first : std::string();
        if (day.memoFile) {
            const std::string& memo = *day.memoFile;
            FUZZ_CHECK(memo.size() <= kImportedMemoFileLimit && memo.size() > oldMemo.size());
            FUZZ_CHECK(memo.find('\0') == std::string::npos);
            if (!oldMemo.empty())
                FUZZ_CHECK(memo.compare(0, oldMemo.size(), oldMemo) == 0);
            else
                FUZZ_CHECK(memo.compare(0, 1, "[") == 0 && !CutMemoHead(memo).empty());
        }
        // Empty only in place of a leftover time, on a date without a memo.
        if (day.notice)
            FUZZ_CHECK(ValidNotice(*day.notice) || (day.notice->empty() && oldMemo.empty()));
        store[key] = {day.memoFile ? day.memoFile : store[key].first,
                      day.notice ? day.notice : store[key].second};
    }
    const IcsImport second = PlanIcsImport(file, ContextFor(store, codePage, offsetHours, asked));
    FUZZ_CHECK(second.error.empty() && second.plan.empty());
}

// Memos from the bytes; those whose text the code page shows whole come back.
void CheckRoundTrip(FuzzInput& in, const AnsiCodePage& codePage) {
    std::vector<MemoForExport> memos;
    std::set<std::int64_t> dates;
    // A few memos, one of them perhaps long enough to be cut: a run tries
    // many files rather than a few long ones.
    while (!in.Empty() && memos.size() < 8) {
        const Date date = DateOfDayNumber(DayNumber(Date{1990, 1, 1}) + in.Byte() * 97 + in.Byte());
        std::string content = in.ShortString();
        if (in.Bool()) content += std::string(memos.empty() ? in.Byte() * 16u : in.Byte() % 64u, 'w');
        content = content.substr(0, kImportedMemoFileLimit - 13);
        std::optional<std::string> notice;
        const int pick = in.Byte() % 4;
        if (pick == 1)
            notice = std::to_string(in.Byte() % 26) + ":" + std::to_string(in.Byte() % 61);
        if (pick == 2) notice = in.ShortString().substr(0, 16);
        if (!dates.insert(DayNumber(date)).second) continue;
        memos.push_back(MemoForExport{
            date, MemoRecord(DateText(date.year, date.month, date.day), content), notice});
    }
    const IcsExport file = ExportIcs(memos, codePage, LocalDateTime{Date{2026, 1, 1}, TimeOfDay{}});
    FUZZ_CHECK(IsUtf8(file.bytes));
    for (std::size_t pos = 0, end; (end = file.bytes.find("\r\n", pos)) != std::string::npos;
         pos = end + 2)
        FUZZ_CHECK(end - pos <= 75 && file.bytes.find('\n', pos) == end + 1);

    Store store;
    int asked = 0;
    const IcsImport back = PlanIcsImport(file.bytes, ContextFor(store, codePage, 0, asked));
    FUZZ_CHECK(back.error.empty());
    std::map<std::int64_t, const PlannedDay*> planned;
    for (const PlannedDay& day : back.plan) planned[DayNumber(day.date)] = &day;
    for (const MemoForExport& memo : memos) {
        const std::string content = CutMemoHead(memo.memoFile);
        bool shown = !content.empty() && memo.date.day != 13;
        for (std::size_t i = 0; shown && i < content.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(content[i]);
            const std::size_t n = codePage.isLeadByte && codePage.isLeadByte(c) ? 2 : 1;
            char32_t code = 0;
            if (c == '\r')
                shown = i + 1 < content.size() && content[++i] == '\n';
            else if (c == '\n' || i + n > content.size())
                shown = false;
            else
                shown = codePage.toUnicode(content.data() + i, n, code) &&
                        (code >= 0x20 || code == '\t') && code != 0x7F;
            if (n == 2) ++i;
        }
        if (!shown) continue;
        const auto it = planned.find(DayNumber(memo.date));
        FUZZ_CHECK(it != planned.end() && it->second->memoFile == memo.memoFile);
        const bool timed = memo.notice && ValidNotice(*memo.notice);
        if (!timed) FUZZ_CHECK(!it->second->notice);
        bool plain = timed;
        for (char c : timed ? *memo.notice : std::string()) plain = plain && c >= 0x20 && c <= 0x7E;
        if (plain) FUZZ_CHECK(it->second->notice == memo.notice);
        if (timed && !plain) FUZZ_CHECK(it->second->notice.has_value());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 8192 || RuleCount(data, size) > kMostRules) return -1;
    FuzzInput in(data, size);
    const std::uint8_t mode = in.Byte();
    const AnsiCodePage codePage =
        (mode & 2) ? fake_code_pages::DoubleByte() : fake_code_pages::Windows1252();
    if (mode & 1)
        CheckRoundTrip(in, codePage);
    else {
        const std::string file = in.Rest();
        CheckImport(file, codePage, static_cast<int>(mode >> 2) % 27 - 13);
        CheckEvents(file, codePage, static_cast<int>(mode >> 2) % 27 - 13);
    }
    return 0;
}
