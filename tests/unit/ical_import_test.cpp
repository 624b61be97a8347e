// Memos out to an iCalendar file and back in: the round trip, what an import
// keeps, adds and reports, and files it refuses.
#include "core/memo/ical_export.h"
#include "core/memo/ical_import.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "core/memo/ical_time.h"
#include "tests/support/fake_code_pages.h"
#include "tests/support/ical_test_memos.h"

namespace {

using Key = std::tuple<int, int, int>;
Key KeyOf(const Date& d) { return {d.year, d.month, d.day}; }

const LocalDateTime kNow{Date{2026, 3, 10}, TimeOfDay{14, 5, 9}};

// The Remark and Notice folders as maps; records the dates asked for.
struct FakeStore {
    std::map<Key, std::string> memos, notices;
    std::map<Key, int> aheads;  // the Ahead_ files
    std::set<Key> locked;
    std::vector<Key> asked;

    void Apply(const std::vector<PlannedDay>& plan) {
        for (const PlannedDay& day : plan) {
            if (day.memoFile) memos[KeyOf(day.date)] = *day.memoFile;
            if (day.notice) notices[KeyOf(day.date)] = *day.notice;
            if (day.aheadMinutes && *day.aheadMinutes > 0) aheads[KeyOf(day.date)] = *day.aheadMinutes;
            if (day.aheadMinutes && *day.aheadMinutes == 0) aheads.erase(KeyOf(day.date));
        }
    }
    std::string Memo(int y, int m, int d) const {
        const auto it = memos.find({y, m, d});
        return it == memos.end() ? "(none)" : it->second;
    }
    std::string Notice(int y, int m, int d) const {
        const auto it = notices.find({y, m, d});
        return it == notices.end() ? "(none)" : it->second;
    }
};

// Local time is UTC + `offsetHours`.
ImportContext Context(FakeStore& store, Date today = Date{2026, 3, 10}, int offsetHours = 0,
                      AnsiCodePage codePage = fake_code_pages::Windows1252()) {
    ImportContext c;
    c.today = today;
    c.codePage = codePage;
    c.utcToLocal = [offsetHours](const LocalDateTime& utc, LocalDateTime& local) {
        local = DateTimeOfSeconds(SecondsOf(utc) + offsetHours * 3600);
        return true;
    };
    c.existing = [&store](const Date& d) {
        store.asked.push_back(KeyOf(d));
        ExistingDay day;
        day.readable = store.locked.count(KeyOf(d)) == 0;
        const auto memo = store.memos.find(KeyOf(d));
        if (memo != store.memos.end()) day.memoFile = memo->second;
        const auto notice = store.notices.find(KeyOf(d));
        if (notice != store.notices.end()) day.notice = notice->second;
        return day;
    };
    return c;
}

std::string Calendar(const std::string& body) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n" + body + "END:VCALENDAR\r\n";
}

std::string Event(const std::string& lines) {
    return "BEGIN:VEVENT\r\nUID:x" + std::to_string(lines.size()) + "\r\n" + lines +
           "END:VEVENT\r\n";
}

IcsImport ImportInto(FakeStore& store, const std::string& file, Date today = Date{2026, 3, 10},
                     int offsetHours = 0) {
    IcsImport result = PlanIcsImport(file, Context(store, today, offsetHours));
    EXPECT_EQ("", result.error);
    store.Apply(result.plan);
    return result;
}

}  // namespace

TEST(IcalImport, ExportThenImportGivesTheSameFilesBack) {
    const std::vector<IcalTestMemo> memos = IcalTestMemos(300, false);
    FakeStore original;
    std::vector<MemoForExport> exported;
    for (const IcalTestMemo& m : memos) {
        original.memos[KeyOf(m.date)] = m.MemoFile();
        if (m.notice) original.notices[KeyOf(m.date)] = *m.notice;
        // Some timed memos remind ahead: a day, an hour, five minutes.
        const int ahead = m.hour >= 0 ? std::vector<int>{0, 1440, 60, 5}[exported.size() % 4] : 0;
        if (ahead > 0) original.aheads[KeyOf(m.date)] = ahead;
        exported.push_back(MemoForExport{m.date, m.MemoFile(), m.notice, ahead});
    }
    const IcsExport file = ExportIcs(exported, fake_code_pages::Windows1252(), kNow);
    EXPECT_NE(std::string::npos, file.bytes.find("TRIGGER:-P1D\r\n"));
    EXPECT_NE(std::string::npos, file.bytes.find("TRIGGER:-PT1H\r\n"));
    EXPECT_FALSE(original.aheads.empty());
    EXPECT_EQ(static_cast<int>(memos.size()), file.report.events);
    EXPECT_EQ(0, file.report.charactersReplaced + file.report.charactersDropped +
                     file.report.remindTimesLeftOut + file.report.skippedEmpty);

    FakeStore empty;
    const IcsImport first = ImportInto(empty, file.bytes);
    EXPECT_EQ(original.memos, empty.memos);
    EXPECT_EQ(original.notices, empty.notices);
    EXPECT_EQ(original.aheads, empty.aheads);
    EXPECT_EQ(static_cast<int>(memos.size()), first.report.memosAdded);
    EXPECT_EQ(0, first.report.textsCut + first.report.charactersReplaced);

    // Twice changes nothing; nor does importing into the store it came from.
    for (FakeStore* store : {&empty, &original}) {
        const IcsImport again = PlanIcsImport(file.bytes, Context(*store));
        EXPECT_TRUE(again.plan.empty());
        EXPECT_EQ(static_cast<int>(memos.size()), again.report.memosUnchanged);
    }
    // The same date has the same UID at every export.
    const IcsExport later = ExportIcs(exported, fake_code_pages::Windows1252(),
                                      LocalDateTime{Date{2027, 1, 1}, TimeOfDay{}});
    EXPECT_NE(std::string::npos, later.bytes.find("UID:vellumo-2024-2-29@vellumo\r\n"));
    EXPECT_EQ(file.bytes.size(), later.bytes.size());
}

TEST(IcalImport, ExportWritesTheEventsOtherCalendarsExpect) {
    const std::vector<MemoForExport> memos = {
        {Date{2026, 12, 31}, "[2026-12-31] New Year's Eve\r\nparty, 8; bring \\ snacks",
         std::nullopt},
        {Date{2026, 1, 5}, "[2026-1-5] \r\n  \r\nDentist", std::string("9:5")},
        {Date{2026, 1, 6}, "[2026-1-6] ", std::string("9:5")},
        {Date{2026, 1, 7}, "[2026-1-7] late", std::string("24:00")},
        {Date{0, 1, 7}, "[0-1-7] too early", std::nullopt},
        {Date{2026, 1, 5}, "[2026-1-5] a second memo for a date", std::nullopt},
    };
    const IcsExport file = ExportIcs(memos, fake_code_pages::Windows1252(), kNow);
    const std::string expected =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Vellumo//Vellumo memos//EN\r\n"
        "CALSCALE:GREGORIAN\r\n"
        "BEGIN:VEVENT\r\nUID:vellumo-2026-1-5@vellumo\r\nDTSTAMP:20260310T140509Z\r\n"
        "DTSTART:20260105T090500\r\nDURATION:PT15M\r\nX-VELLUMO-NOTICE:9:5\r\n"
        "SUMMARY:Dentist\r\nDESCRIPTION:\\n  \\nDentist\r\n"
        "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Dentist\r\nTRIGGER:PT0S\r\nEND:VALARM\r\n"
        "END:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:vellumo-2026-1-7@vellumo\r\nDTSTAMP:20260310T140509Z\r\n"
        "DTSTART;VALUE=DATE:20260107\r\nDTEND;VALUE=DATE:20260108\r\n"
        "SUMMARY:late\r\nDESCRIPTION:late\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:vellumo-2026-12-31@vellumo\r\nDTSTAMP:20260310T140509Z\r\n"
        "DTSTART;VALUE=DATE:20261231\r\nDTEND;VALUE=DATE:20270101\r\n"
        "SUMMARY:New Year's Eve\r\n"
        "DESCRIPTION:New Year's Eve\\nparty\\, 8\\; bring \\\\ snacks\r\nEND:VEVENT\r\n"
        "END:VCALENDAR\r\n";
    EXPECT_EQ(expected, file.bytes);
    EXPECT_EQ(3, file.report.events);
    EXPECT_EQ(1, file.report.skippedEmpty);
    EXPECT_EQ(1, file.report.skippedDate);
    EXPECT_EQ(1, file.report.remindTimesLeftOut);
}

TEST(IcalImport, ExistingMemosAreKeptAndExtendedOnce) {
    FakeStore store;
    store.memos[{2026, 4, 1}] = "[2026-4-1] Buy milk";
    store.notices[{2026, 4, 1}] = "7:00";
    store.memos[{2026, 4, 2}] = "[2026-4-2] Call Anna\r\nDentist";
    store.memos[{2026, 4, 3}] = "[2026-4-3] Dentist appointment";
    store.notices[{2026, 4, 4}] = "5:55";  // left from a deleted memo
    const std::string file = Calendar(
        Event("DTSTART:20260401T100000\r\nSUMMARY:Dentist\r\n") +
        Event("DTSTART;VALUE=DATE:20260402\r\nSUMMARY:Dentist\r\nDESCRIPTION:Dentist\r\n") +
        Event("DTSTART:20260403T081500\r\nSUMMARY:Dentist\r\n") +
        Event("DTSTART:20260404T120000\r\nSUMMARY:Lunch\r\nDESCRIPTION:with Bo\\nat noon\r\n") +
        Event("DTSTART:20260404T180000\r\nSUMMARY:Dinner\r\n") +
        Event("DTSTART;VALUE=DATE:20260405\r\nDESCRIPTION:only a description\r\n") +
        Event("DTSTART;VALUE=DATE:20260406\r\nSUMMARY:\r\n") +
        Event("DTSTART;VALUE=DATE:20260407\r\nSTATUS:CANCELLED\r\nSUMMARY:off\r\n") +
        Event("SUMMARY:no start\r\n") + Event("DTSTART:2026-04-08\r\nSUMMARY:bad start\r\n") +
        "BEGIN:VTODO\r\nSUMMARY:a task\r\nEND:VTODO\r\n");
    const IcsImport first = ImportInto(store, file);
    EXPECT_EQ("[2026-4-1] Buy milk\r\nDentist", store.Memo(2026, 4, 1));
    EXPECT_EQ("7:00", store.Notice(2026, 4, 1));  // the date had a remind time
    EXPECT_EQ("[2026-4-2] Call Anna\r\nDentist", store.Memo(2026, 4, 2));  // already there
    // "Dentist" is in "Dentist appointment", but not as a whole line.
    EXPECT_EQ("[2026-4-3] Dentist appointment\r\nDentist", store.Memo(2026, 4, 3));
    EXPECT_EQ("8:15", store.Notice(2026, 4, 3));
    EXPECT_EQ("[2026-4-4] Lunch\r\nwith Bo\r\nat noon\r\nDinner", store.Memo(2026, 4, 4));
    EXPECT_EQ("12:00", store.Notice(2026, 4, 4));  // the first event's time, not the leftover
    EXPECT_EQ("[2026-4-5] only a description", store.Memo(2026, 4, 5));
    EXPECT_EQ("(none)", store.Notice(2026, 4, 5));
    EXPECT_EQ("(none)", store.Memo(2026, 4, 6));
    EXPECT_EQ("(none)", store.Memo(2026, 4, 7));
    const ImportReport& r = first.report;
    EXPECT_EQ(10, r.eventsRead);
    EXPECT_EQ(2, r.memosAdded);
    EXPECT_EQ(2, r.memosExtended);
    EXPECT_EQ(1, r.memosUnchanged);
    EXPECT_EQ(2, r.remindTimesSet);
    EXPECT_EQ(1, r.skippedCancelled);
    EXPECT_EQ(2, r.skippedNoStart);
    EXPECT_EQ(1, r.skippedNoText);
    EXPECT_EQ(1, r.otherComponents);
    EXPECT_NE(std::string::npos, DescribeImport(r).find("Events skipped: 4\n  cancelled: 1\n"));

    const IcsImport second = PlanIcsImport(file, Context(store));
    EXPECT_TRUE(second.plan.empty());
    EXPECT_EQ(5, second.report.memosUnchanged);

    // A date whose memo could not be read is left alone, and said so.
    FakeStore held;
    held.locked.insert({2026, 4, 1});
    const IcsImport locked = PlanIcsImport(file, Context(held));
    EXPECT_EQ(1, locked.report.datesNotReadable);
    for (const PlannedDay& day : locked.plan) EXPECT_NE(Date({2026, 4, 1}), day.date);
}

TEST(IcalImport, TextsThatDoNotFitAreCutAtACharacterAndCounted) {
    FakeStore store;
    const std::string head = "[2026-4-1] ";
    store.memos[{2026, 4, 1}] = head + std::string(4000, 'a');
    // 0x81 0x5C is one character of the double-byte page (U+4E1C).
    std::string longText;
    for (int i = 0; i < 60; ++i) longText += "\xE4\xB8\x9C";
    const std::string file = Calendar(
        Event("DTSTART;VALUE=DATE:20260401\r\nSUMMARY:" + longText + "\r\n") +
        Event("DTSTART;VALUE=DATE:20260402\r\nSUMMARY:" + std::string(5000, 'b') + "\r\n") +
        Event("DTSTART;VALUE=DATE:20260403\r\nSUMMARY:a \xF0\x9F\x98\x80 and \xC3\xA9\r\n"));
    for (int round = 0; round < 2; ++round) {
        const IcsImport result = PlanIcsImport(
            file, Context(store, Date{2026, 3, 10}, 0, fake_code_pages::DoubleByte()));
        ASSERT_EQ("", result.error);
        store.Apply(result.plan);
        EXPECT_EQ(2, result.report.textsCut);
        EXPECT_EQ(2, result.report.charactersReplaced);  // the emoji and the e-acute
        EXPECT_EQ(round == 1, result.plan.empty());
    }
    const std::string memo = store.Memo(2026, 4, 1);
    EXPECT_EQ(4095u, memo.size());  // 4096 would split the 42nd pair
    EXPECT_EQ(head + std::string(4000, 'a') + "\r\n", memo.substr(0, head.size() + 4002));
    EXPECT_EQ("\x81\x5C", memo.substr(memo.size() - 2));
    EXPECT_EQ(kMemoReadLimit, store.Memo(2026, 4, 2).size());
    EXPECT_EQ("[2026-4-3] a ? and ?", store.Memo(2026, 4, 3));
}

TEST(IcalImport, TimesInUtcAndZonesBecomeLocal) {
    const std::string zone =
        "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\n"
        "BEGIN:DAYLIGHT\r\nDTSTART:19810329T020000\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\n"
        "BEGIN:STANDARD\r\nDTSTART:19961027T030000\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
    const std::string file =
        Calendar(zone + Event("DTSTART:20260501T200000Z\r\nSUMMARY:utc\r\n") +
                 Event("DTSTART;TZID=Europe/Berlin:20260701T230000\r\nSUMMARY:berlin summer\r\n") +
                 Event("DTSTART;TZID=Europe/Berlin:20260102T080000\r\nSUMMARY:berlin winter\r\n") +
                 Event("DTSTART;TZID=Mars/Olympus:20260601T230000\r\nSUMMARY:unknown zone\r\n") +
                 Event("DTSTART;TZID=UTC:20260602T230000\r\nSUMMARY:named utc\r\n") +
                 Event("DTSTART;VALUE=DATE:20260603\r\nSUMMARY:all day stays\r\n"));
    FakeStore store;
    const IcsImport result = ImportInto(store, file, Date{2026, 3, 10}, 5);  // local = UTC + 5 h
    EXPECT_EQ("[2026-5-2] utc", store.Memo(2026, 5, 2));
    EXPECT_EQ("1:00", store.Notice(2026, 5, 2));
    EXPECT_EQ("[2026-7-2] berlin summer", store.Memo(2026, 7, 2));  // 21:00 UTC
    EXPECT_EQ("2:00", store.Notice(2026, 7, 2));
    EXPECT_EQ("12:00", store.Notice(2026, 1, 2));  // 07:00 UTC
    EXPECT_EQ("[2026-6-1] unknown zone", store.Memo(2026, 6, 1));
    EXPECT_EQ("23:00", store.Notice(2026, 6, 1));
    EXPECT_EQ("4:00", store.Notice(2026, 6, 3));
    EXPECT_EQ("[2026-6-3] named utc\r\nall day stays", store.Memo(2026, 6, 3));
    EXPECT_EQ(1, result.report.unknownTimeZones);
}

TEST(IcalImport, RepeatingEventsFillTheNextYear) {
    const std::string file = Calendar(
        Event("DTSTART;VALUE=DATE:19800229\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:leap birthday\r\n") +
        Event("DTSTART:20260131T090000\r\nRRULE:FREQ=MONTHLY;COUNT=4\r\nSUMMARY:month end\r\n") +
        "BEGIN:VEVENT\r\nUID:weekly\r\nDTSTART:20260302T070000\r\n"
        "RRULE:FREQ=WEEKLY;BYDAY=MO,TH;UNTIL=20260320T000000Z\r\n"
        "EXDATE:20260305T070000\r\nRDATE;VALUE=DATE:20260401\r\nSUMMARY:gym\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:weekly\r\nRECURRENCE-ID:20260312T070000\r\n"
        "DTSTART:20260313T180000\r\nSUMMARY:gym (moved)\r\nEND:VEVENT\r\n" +
        Event("DTSTART;VALUE=DATE:20200101\r\nRRULE:FREQ=DAILY;COUNT=3\r\nSUMMARY:long gone\r\n") +
        Event(
            "DTSTART;VALUE=DATE:20200108\r\nRRULE:FREQ=MONTHLY;BYDAY=2WE\r\nSUMMARY:odd rule\r\n"));
    FakeStore store;
    const IcsImport result = ImportInto(store, file, Date{2027, 3, 1});
    // 2028-02-29 is within 2027-03-01 .. 2028-02-29.
    EXPECT_EQ("[2028-2-29] leap birthday", store.Memo(2028, 2, 29));
    std::set<Key> dates;
    for (const auto& entry : store.memos) dates.insert(entry.first);
    // The month end, "long gone" and the second Wednesday are repeating memos
    // now; a yearly 29 February that skips common years and one with an
    // RDATE are still dated copies.
    EXPECT_EQ((std::set<Key>{{2028, 2, 29}}), dates);
    EXPECT_EQ(2, result.report.skippedNotInWindow);  // the weekly one and its moved instance
    EXPECT_EQ(0, result.report.rulesNotUnderstood);
    ASSERT_EQ(3u, result.repeats.size());
    EXPECT_EQ(3, result.report.repeatsAdded);
    EXPECT_EQ(MonthPlace::Weekday, result.repeats[2].monthPlace);
    EXPECT_EQ(2, result.repeats[2].weekOfMonth);
    EXPECT_EQ(4, result.repeats[0].count);

    FakeStore soon;
    const IcsImport near = ImportInto(soon, file, Date{2026, 3, 1});
    std::set<Key> got;
    for (const auto& entry : soon.memos) got.insert(entry.first);
    EXPECT_EQ((std::set<Key>{{2026, 3, 2},
                             {2026, 3, 9},
                             {2026, 3, 13},
                             {2026, 3, 16},
                             {2026, 3, 19},
                             {2026, 4, 1}}),
              got);
    EXPECT_EQ("[2026-3-13] gym (moved)", soon.Memo(2026, 3, 13));
    EXPECT_EQ("7:00", soon.Notice(2026, 3, 2));
    EXPECT_EQ("(none)", soon.Notice(2026, 4, 1));  // an RDATE that is a whole day
    EXPECT_EQ(1, near.report.skippedNotInWindow);  // the birthday (2028)
    EXPECT_TRUE(PlanIcsImport(file, Context(soon, Date{2026, 3, 1})).plan.empty());
}

TEST(IcalImport, BrokenFilesChangeNothing) {
    const std::vector<IcalTestMemo> memos = IcalTestMemos(20, false);
    std::vector<MemoForExport> exported;
    for (const IcalTestMemo& m : memos)
        exported.push_back(MemoForExport{m.date, m.MemoFile(), m.notice});
    const std::string good = ExportIcs(exported, fake_code_pages::Windows1252(), kNow).bytes;

    std::vector<std::pair<std::string, std::string>> broken = {
        {"", "not an iCalendar file"},
        {"hello", "not an iCalendar file"},
        {"\xFF\xFE"
         "B\0E\0",
         "not an iCalendar file"},
        {"BEGIN:VCALENDAR\r\nVERSION:1.0\r\nEND:VCALENDAR\r\n", "vCalendar 1.0"},
        {Calendar("BEGIN:VEVENT\r\nSUMMARY:x\r\nEND:VTODO\r\n"),
         "line 6: END:VTODO does not close VEVENT"},
        {Calendar("SUMMARY\r\n"), "line 4: it is not a property line"},
        {Calendar("SUMMARY:caf\xE9\r\n"), "line 4: the text is not UTF-8"},
        {Calendar("BEGIN:\r\n"), "line 4: BEGIN names no component"},
        {good + "BEGIN:VEVENT\r\n", "text after the calendar"},
        {Calendar(std::string() + "BEGIN:A\r\n" + "BEGIN:B\r\nBEGIN:C\r\nBEGIN:D\r\nBEGIN:E\r\n" +
                  "BEGIN:F\r\nBEGIN:G\r\nBEGIN:H\r\n"),
         "nested too deep"},
    };
    // Cut off anywhere: at every line end, and in the middle of lines.
    for (std::size_t pos = good.find("\r\n"); pos + 2 < good.size();
         pos = good.find("\r\n", pos + 2)) {
        broken.emplace_back(good.substr(0, pos + 2), "it is incomplete");
        if (pos % 3 == 0) broken.emplace_back(good.substr(0, pos - 3), "");
    }
    for (const auto& [bytes, message] : broken) {
        FakeStore store;
        const IcsImport result = PlanIcsImport(bytes, Context(store));
        EXPECT_NE(std::string::npos, result.error.find(message)) << result.error;
        EXPECT_FALSE(result.error.empty());
        EXPECT_TRUE(result.plan.empty());
        EXPECT_TRUE(store.asked.empty());  // nothing planned, nothing even read
        EXPECT_EQ(0, result.report.eventsRead);
    }
}

TEST(IcalImport, OwnExportOfMemosWithBareLineBreaksIsAlreadyThere) {
    // Other programs break lines with a lone LF or CR; the export writes each
    // as one line break, which the import gives back as CR LF.
    FakeStore store;
    store.memos[{2026, 4, 1}] = "[2026-4-1] Shopping\nbread\nmilk";
    store.memos[{2026, 4, 2}] = "[2026-4-2] Old Mac note\rsecond\r\nthird";
    const IcsExport file = ExportIcs({{Date{2026, 4, 1}, store.Memo(2026, 4, 1), {}},
                                      {Date{2026, 4, 2}, store.Memo(2026, 4, 2), {}}},
                                     fake_code_pages::Windows1252(), kNow);
    const IcsImport again = PlanIcsImport(file.bytes, Context(store));
    EXPECT_TRUE(again.plan.empty());
    EXPECT_EQ(2, again.report.memosUnchanged);
}

TEST(IcalImport, AllDayEventOnADateWithoutAMemoTakesNoLeftoverRemindTime) {
    FakeStore store;
    store.notices[{2026, 4, 8}] = "5:55";  // left when its memo was deleted
    const std::string file = Calendar(Event("DTSTART;VALUE=DATE:20260408\r\nSUMMARY:Holiday\r\n"));
    const IcsImport first = ImportInto(store, file);
    EXPECT_EQ("[2026-4-8] Holiday", store.Memo(2026, 4, 8));
    EXPECT_EQ("", store.Notice(2026, 4, 8));  // holds no time: no reminder
    EXPECT_EQ(0, first.report.remindTimesSet);
    EXPECT_TRUE(PlanIcsImport(file, Context(store)).plan.empty());
    // Exported, it is all-day again, without a remind time "left out".
    const IcsExport out = ExportIcs({{Date{2026, 4, 8}, store.Memo(2026, 4, 8), std::string()}},
                                    fake_code_pages::Windows1252(), kNow);
    EXPECT_EQ(0, out.report.remindTimesLeftOut);
}

TEST(IcalImport, Utf8AsTheAnsiCodePageCarriesWholeCharacters) {
    const AnsiCodePage utf8 = fake_code_pages::Utf8();
    const std::string text = "Caf\xC3\xA9 \xE2\x82\xAC\r\n\xE6\x9D\xB1 \xF0\x9F\x98\x80";
    const IcsExport file = ExportIcs({{Date{2026, 4, 1}, "[2026-4-1] " + text, {}}}, utf8, kNow);
    EXPECT_EQ(0, file.report.charactersReplaced);
    // Back in, and a text too long for a memo cut between characters.
    std::string longText;
    for (int i = 0; i < 1400; ++i) longText += "\xE6\x9D\xB1";
    FakeStore store;
    store.Apply(PlanIcsImport(file.bytes, Context(store, Date{2026, 3, 10}, 0, utf8)).plan);
    store.Apply(PlanIcsImport(
                    Calendar(Event("DTSTART;VALUE=DATE:20260402\r\nSUMMARY:" + longText + "\r\n")),
                    Context(store, Date{2026, 3, 10}, 0, utf8))
                    .plan);
    EXPECT_EQ("[2026-4-1] " + text, store.Memo(2026, 4, 1));
    EXPECT_EQ("[2026-4-2] " + longText.substr(0, 4083), store.Memo(2026, 4, 2));
}

TEST(IcalImport, ExportCutsALongMemoAtACharacterAndSaysSo) {
    // The editor writes up to 4108 bytes; readers take 4096. Here the bytes
    // 4095 and 4096 are one character.
    const std::string memoFile = "[2026-4-1] " + std::string(4084, 'a') + "\x81\x81\x81\x5C";
    const IcsExport file =
        ExportIcs({{Date{2026, 4, 1}, memoFile, {}}}, fake_code_pages::DoubleByte(), kNow);
    EXPECT_EQ(0, file.report.charactersReplaced);  // no half character
    EXPECT_NE(std::string::npos,
              DescribeExport(file.report)
                  .find("\n1 memo longer than 4096 bytes cut to fit, at a whole character."));
    FakeStore store;
    ImportInto(store, file.bytes);
    EXPECT_EQ(memoFile.substr(0, 4095), store.Memo(2026, 4, 1));
}

TEST(IcalImport, PaddingAfterTheCalendarIsNoTextAndCutsCountOncePerEvent) {
    const std::string file =
        // An RDATE keeps it from becoming one repeating memo: dated copies.
        Calendar(Event("DTSTART;VALUE=DATE:20260401\r\nRRULE:FREQ=DAILY;COUNT=3\r\n"
                       "RDATE;VALUE=DATE:20260402\r\nSUMMARY:" +
                       std::string(5000, 'x') + "\r\n"));
    for (const std::string& padding : {std::string(), std::string("\x1A"), std::string(300, '\0'),
                                       std::string("\r\n\r\n \r\n\t\r\n\x1A\0\0", 13)}) {
        FakeStore store;
        const IcsImport result = PlanIcsImport(file + padding, Context(store));
        EXPECT_EQ("", result.error);
        EXPECT_EQ(3u, result.plan.size());
        EXPECT_EQ(1, result.report.textsCut);  // one event, however many dates
    }
    FakeStore store;
    EXPECT_NE("", PlanIcsImport(file + "\x1A" + "x", Context(store)).error);  // not padding
}

TEST(IcalImport, RepeatingMemosGoOutAsOneEventAndComeBackOnce) {
    RepeatMemo birthday;
    birthday.text = "Birthday\r\nBring cake";
    birthday.first = Date{2024, 2, 29};
    birthday.skipped = {Date{2027, 2, 28}};
    RepeatMemo rent;
    rent.text = "Rent";
    rent.first = Date{2026, 1, 31};
    rent.unit = RepeatUnit::Months;
    rent.monthPlace = MonthPlace::LastDay;
    rent.hasTime = true;
    rent.hour = 9;
    rent.minute = 5;
    rent.aheadMinutes = 1440;
    rent.count = 12;
    rent.skipped = {Date{2026, 4, 30}};
    const std::vector<RepeatForExport> repeats = {{"Repeat_1.txt", birthday}, {"Repeat_7.txt", rent}};
    const IcsExport ics = ExportIcs({}, fake_code_pages::Windows1252(), kNow, repeats);
    EXPECT_EQ(2, ics.report.repeats);
    for (const char* line : {"UID:vellumo-repeat-Repeat_7@vellumo", "DTSTART:20260131T090500",
                             "RRULE:FREQ=MONTHLY;BYMONTHDAY=-1;COUNT=12", "EXDATE:20260430T090500",
                             "TRIGGER:-P1D", "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1",
                             "EXDATE;VALUE=DATE:20270228"})
        EXPECT_NE(std::string::npos, ics.bytes.find(std::string(line) + "\r\n")) << line;

    FakeStore store;
    const IcsImport in = ImportInto(store, ics.bytes);
    EXPECT_TRUE(in.plan.empty());  // no dated copies
    ASSERT_EQ(2u, in.repeats.size());
    EXPECT_EQ(RepeatFileText(birthday), RepeatFileText(in.repeats[0]));
    EXPECT_EQ(RepeatFileText(rent), RepeatFileText(in.repeats[1]));
    EXPECT_NE(std::string::npos, DescribeImport(in.report).find("\nRepeating memos added: 2"));

    // Again, with them there: nothing new.
    ImportContext again = Context(store);
    again.repeats = in.repeats;
    const IcsImport second = PlanIcsImport(ics.bytes, again);
    EXPECT_TRUE(second.plan.empty());
    EXPECT_TRUE(second.repeats.empty());
    EXPECT_EQ(2, second.report.repeatsUnchanged);
}
