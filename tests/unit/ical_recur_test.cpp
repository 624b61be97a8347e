// Repeating events and time zones of the iCalendar import.
#include "core/memo/ical_recur.h"
#include "core/memo/ical_zone.h"
#include "core/memo/ical_repeat.h"
#include "tests/support/test_repeats.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Dates(const std::string& rrule, const LocalDateTime& start,
                               const Date& from, const Date& to) {
    const std::optional<RecurrenceRule> rule = ParseRecurrenceRule(rrule, start.date);
    EXPECT_TRUE(rule.has_value()) << rrule;
    if (!rule) return {};
    std::optional<LocalDateTime> until;
    if (rule->until)
        until = rule->until->dateOnly
                    ? LocalDateTime{rule->until->value.date, TimeOfDay{23, 59, 59}}
                    : rule->until->value;
    std::vector<std::string> out;
    for (const LocalDateTime& t : ExpandRecurrence(*rule, start, until, from, to))
        out.push_back(IcalDate(t.date));
    return out;
}

std::vector<std::string> Dates(const std::string& rrule, const Date& start, int years = 40) {
    return Dates(rrule, LocalDateTime{start, TimeOfDay{9, 0, 0}}, start,
                 Date{start.year + years, 12, 31});
}

using List = std::vector<std::string>;

}  // namespace

TEST(IcalRecur, MonthEndsAndLeapDaysAreSkippedNotMoved) {
    EXPECT_EQ((List{"20260131", "20260331", "20260531", "20260731", "20260831"}),
              Dates("FREQ=MONTHLY;COUNT=5", Date{2026, 1, 31}));
    EXPECT_EQ((List{"20240130", "20240330", "20240430"}),
              Dates("FREQ=MONTHLY;COUNT=3", Date{2024, 1, 30}));
    EXPECT_EQ((List{"20240229", "20280229", "20320229", "20360229"}),
              Dates("FREQ=YEARLY;COUNT=4", Date{2024, 2, 29}));
    // 2100 is no leap year; 2000 was.
    EXPECT_EQ((List{"20960229", "21040229"}), Dates("FREQ=YEARLY;COUNT=2", Date{2096, 2, 29}));
    EXPECT_EQ((List{"19960229", "20000229"}),
              Dates("FREQ=YEARLY;INTERVAL=4;UNTIL=20030101", Date{1996, 2, 29}));
    // Repeated BYMONTH/BYMONTHDAY of the start are the same rule.
    EXPECT_EQ(Dates("FREQ=YEARLY;COUNT=5", Date{2026, 12, 9}),
              Dates("FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=9;COUNT=5", Date{2026, 12, 9}));
    // By value, with the leading zeros and the sign RFC 5545 allows.
    EXPECT_EQ(Dates("FREQ=YEARLY;COUNT=5", Date{1990, 3, 7}),
              Dates("FREQ=YEARLY;BYMONTH=03;BYMONTHDAY=+07;COUNT=05", Date{1990, 3, 7}));
    EXPECT_FALSE(ParseRecurrenceRule("FREQ=YEARLY;BYMONTH=04", Date{1990, 3, 7}));
    EXPECT_FALSE(ParseRecurrenceRule("FREQ=MONTHLY;BYMONTHDAY=-07", Date{1990, 3, 7}));
}

TEST(IcalRecur, CountUntilIntervalAndWeekdays) {
    EXPECT_EQ((List{"20260105", "20260108", "20260111"}),
              Dates("FREQ=DAILY;INTERVAL=3;COUNT=3", Date{2026, 1, 5}));
    // UNTIL is inclusive, by moment: 09:00 on the 19th is after 08:59:59.
    EXPECT_EQ((List{"20260105", "20260112"}),
              Dates("FREQ=WEEKLY;UNTIL=20260119T085959", Date{2026, 1, 5}));
    EXPECT_EQ((List{"20260105", "20260112", "20260119"}),
              Dates("FREQ=WEEKLY;UNTIL=20260119", Date{2026, 1, 5}));
    // The examples of RFC 5545 for the week start: 1997-08-05 is a Tuesday.
    EXPECT_EQ((List{"19970805", "19970810", "19970819", "19970824"}),
              Dates("FREQ=WEEKLY;INTERVAL=2;COUNT=4;BYDAY=TU,SU;WKST=MO", Date{1997, 8, 5}));
    EXPECT_EQ((List{"19970805", "19970817", "19970819", "19970831"}),
              Dates("FREQ=WEEKLY;INTERVAL=2;COUNT=4;BYDAY=TU,SU;WKST=SU", Date{1997, 8, 5}));
    // A start the rule would not give is still the first, and counted.
    EXPECT_EQ((List{"20260107", "20260112", "20260114"}),
              Dates("FREQ=WEEKLY;BYDAY=MO,WE;COUNT=3", Date{2026, 1, 7}));
    EXPECT_EQ((List{"20260106", "20260107", "20260112"}),
              Dates("FREQ=WEEKLY;BYDAY=MO,WE;COUNT=3", Date{2026, 1, 6}));

    // A window far from the start gives what a walk from the start gives,
    // COUNT and all (the expansion jumps ahead instead of walking).
    for (const char* rule : {"FREQ=DAILY;INTERVAL=7;COUNT=2000", "FREQ=WEEKLY;INTERVAL=3;COUNT=900",
                             "FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,TH,SA;COUNT=1500;WKST=TH",
                             "FREQ=WEEKLY;BYDAY=MO;COUNT=800", "FREQ=MONTHLY;COUNT=250",
                             "FREQ=MONTHLY;INTERVAL=5;COUNT=100", "FREQ=YEARLY;COUNT=30",
                             "FREQ=DAILY;UNTIL=20400101", "FREQ=MONTHLY;INTERVAL=7"}) {
        for (const Date start : {Date{2001, 1, 31}, Date{2000, 2, 29}, Date{2003, 6, 15}}) {
            const Date from{2026, 3, 1}, to{2027, 2, 28};
            List all = Dates(rule, LocalDateTime{start, TimeOfDay{}}, start, to);
            List within;
            for (const std::string& d : all)
                if (d >= IcalDate(from)) within.push_back(d);
            EXPECT_EQ(within, Dates(rule, LocalDateTime{start, TimeOfDay{}}, from, to))
                << rule << " from " << IcalDate(start);
        }
    }
}

TEST(IcalRecur, OtherRulesAreNotTaken) {
    const Date start{2026, 1, 13};  // a Tuesday
    for (const char* rule :
         {"FREQ=MONTHLY;BYDAY=2TU", "FREQ=WEEKLY;BYDAY=1TU", "FREQ=YEARLY;BYMONTH=3",
          "FREQ=MONTHLY;BYMONTHDAY=-1", "FREQ=MONTHLY;BYSETPOS=1;BYDAY=TU", "FREQ=HOURLY",
          "FREQ=DAILY;BYDAY=MO,TU", "INTERVAL=2", "FREQ=DAILY;INTERVAL=0", "FREQ=DAILY;COUNT=x",
          "FREQ=DAILY;FREQ=WEEKLY", "FREQ=DAILY;UNTIL=2026", "FREQ", "FREQ=WEEKLY;BYDAY=XX",
          "FREQ=MONTHLY;BYMONTH=1"})
        EXPECT_FALSE(ParseRecurrenceRule(rule, start).has_value()) << rule;
    const std::optional<RecurrenceRule> r =
        ParseRecurrenceRule("freq=weekly;byday=tu,fr;wkst=su;interval=99999999999;", start);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ((1u << 2) | (1u << 5), r->weekDays);
    EXPECT_EQ(0, r->weekStart);
    EXPECT_EQ(1000000000, r->interval);  // saturated, no overflow
}

TEST(IcalZone, VtimezoneRulesGiveUtc) {
    // Central Europe since 1996, and a zone with a numbered BYMONTHDAY rule
    // in the style of older exports (second Sunday of March, 02:00).
    IcalComponent berlin{"VTIMEZONE", 1, {}, {}};
    auto observance = [](const char* name, const char* start, const char* from, const char* to,
                         const char* rule) {
        IcalComponent c{name, 1, {}, {}};
        for (const auto& [n, v] : {std::pair<const char*, const char*>{"DTSTART", start},
                                   {"TZOFFSETFROM", from},
                                   {"TZOFFSETTO", to},
                                   {"RRULE", rule}}) {
            IcalProperty p;
            p.name = n;
            p.value = v;
            c.properties.push_back(p);
        }
        return c;
    };
    berlin.children.push_back(observance("DAYLIGHT", "19810329T020000", "+0100", "+0200",
                                         "FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU"));
    berlin.children.push_back(observance("STANDARD", "19961027T030000", "+0200", "+0100",
                                         "FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU"));
    const std::optional<TimeZoneRules> zone = TimeZoneRules::FromComponent(berlin);
    ASSERT_TRUE(zone.has_value());
    auto utc = [&](const TimeZoneRules& z, int y, int mo, int d, int h, int mi) {
        return IcalDateTime(z.ToUtc(LocalDateTime{Date{y, mo, d}, TimeOfDay{h, mi, 0}}), true);
    };
    EXPECT_EQ("20260115T080000Z", utc(*zone, 2026, 1, 15, 9, 0));
    EXPECT_EQ("20260329T005900Z", utc(*zone, 2026, 3, 29, 1, 59));
    EXPECT_EQ("20260329T010000Z", utc(*zone, 2026, 3, 29, 3, 0));   // the last Sunday of March
    EXPECT_EQ("20261025T000000Z", utc(*zone, 2026, 10, 25, 2, 0));  // summer time still
    EXPECT_EQ("20261025T020000Z", utc(*zone, 2026, 10, 25, 3, 0));  // the last Sunday of October
    EXPECT_EQ("20260101T000000Z", utc(*zone, 2026, 1, 1, 1, 0));    // last year's October rule
    EXPECT_EQ("19700701T080000Z", utc(*zone, 1970, 7, 1, 9, 0));    // before any onset
    auto wall = [&](int mo, int d, int h) {
        return IcalDateTime(zone->FromUtc(LocalDateTime{Date{2026, mo, d}, TimeOfDay{h, 0, 0}}),
                            false);
    };
    EXPECT_EQ("20260701T090000", wall(7, 1, 7));
    EXPECT_EQ("20261025T020000", wall(10, 25, 0));  // the hour 02:00..03:00 comes twice
    EXPECT_EQ("20261025T020000", wall(10, 25, 1));

    IcalComponent eastern{"VTIMEZONE", 1, {}, {}};
    eastern.children.push_back(
        observance("DAYLIGHT", "20070311T020000", "-0500", "-0400",
                   "FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=8,9,10,11,12,13,14;BYDAY=SU"));
    eastern.children.push_back(observance("STANDARD", "20071104T020000", "-0400", "-0500",
                                          "FREQ=YEARLY;BYMONTH=11;BYDAY=1SU"));
    const std::optional<TimeZoneRules> us = TimeZoneRules::FromComponent(eastern);
    ASSERT_TRUE(us.has_value());
    EXPECT_EQ("20260308T065900Z", utc(*us, 2026, 3, 8, 1, 59));
    EXPECT_EQ("20260308T070000Z", utc(*us, 2026, 3, 8, 3, 0));  // 8 March 2026 is the second Sunday
    EXPECT_EQ("20261101T070000Z", utc(*us, 2026, 11, 1, 2, 0));

    // Rules the zone does not follow make it unknown, not wrong.
    IcalComponent odd{"VTIMEZONE", 1, {}, {}};
    odd.children.push_back(
        observance("STANDARD", "20070311T020000", "-0500", "-0400", "FREQ=MONTHLY;BYDAY=1SU"));
    EXPECT_FALSE(TimeZoneRules::FromComponent(odd).has_value());
    EXPECT_FALSE(TimeZoneRules::FromComponent(IcalComponent{"VTIMEZONE", 1, {}, {}}).has_value());
}

TEST(IcalRecur, RepeatingMemoRulesGoOutAndComeBackWithTheSameDates) {
    std::vector<std::pair<RepeatMemo, std::string>> cases;
    cases.push_back({PlainRepeat(RepeatUnit::Years, Date{2024, 2, 29}), "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1"});
    RepeatMemo lastDay = PlainRepeat(RepeatUnit::Months, Date{2026, 1, 31}, 2);
    lastDay.monthPlace = MonthPlace::LastDay;
    lastDay.count = 7;
    cases.push_back({lastDay, "FREQ=MONTHLY;INTERVAL=2;BYMONTHDAY=-1;COUNT=7"});
    RepeatMemo lastFriday = PlainRepeat(RepeatUnit::Months, Date{2026, 1, 30});
    lastFriday.monthPlace = MonthPlace::Weekday;
    lastFriday.weekOfMonth = -1;
    lastFriday.weekday = 5;
    lastFriday.last = Date{2030, 6, 1};
    cases.push_back({lastFriday, "FREQ=MONTHLY;BYDAY=-1FR;UNTIL=20300601"});
    RepeatMemo secondTuesday = PlainRepeat(RepeatUnit::Months, Date{2026, 12, 8});
    secondTuesday.monthPlace = MonthPlace::Weekday;
    secondTuesday.weekOfMonth = 2;
    secondTuesday.weekday = 2;
    cases.push_back({secondTuesday, "FREQ=MONTHLY;BYDAY=2TU"});
    RepeatMemo bins = PlainRepeat(RepeatUnit::Weeks, Date{2026, 12, 8}, 2);
    bins.weekDays = (1u << 0) | (1u << 2);  // Sunday and Tuesday: the week's bounds matter
    bins.hasTime = true;
    bins.hour = 7;
    bins.last = Date{2027, 12, 31};
    cases.push_back({bins, "FREQ=WEEKLY;INTERVAL=2;WKST=SU;BYDAY=SU,TU;UNTIL=20271231T235959"});
    cases.push_back({PlainRepeat(RepeatUnit::Days, Date{2026, 3, 1}, 3), "FREQ=DAILY;INTERVAL=3"});
    cases.push_back({PlainRepeat(RepeatUnit::Months, Date{2026, 1, 31}), "FREQ=MONTHLY"});
    for (const auto& [memo, text] : cases) {
        EXPECT_EQ(text, RepeatRuleText(memo));
        const TimeOfDay time{memo.hour, memo.minute, 0};
        const std::optional<RepeatMemo> back = RepeatOfRule(text, LocalDateTime{memo.first, time});
        ASSERT_TRUE(back.has_value()) << text;
        const Date from = memo.first, to{memo.first.year + 30, 12, 31};
        EXPECT_EQ(RepeatDates(memo, from, to), RepeatDates(*back, from, to)) << text;
        EXPECT_FALSE(RepeatDates(memo, from, to).empty());
    }
    // 29 February of common years: the memo's 28th is what the export's rule gives.
    EXPECT_EQ((std::vector<Date>{{2024, 2, 29}, {2025, 2, 28}}),
              RepeatDates(PlainRepeat(RepeatUnit::Years, Date{2024, 2, 29}), Date{2024, 1, 1}, Date{2025, 12, 31}));
}

TEST(IcalRecur, RulesARepeatingMemoCannotHoldAreRefused) {
    const LocalDateTime leapDay{Date{2024, 2, 29}, TimeOfDay{0, 0, 0}};
    const LocalDateTime tuesday{Date{2026, 12, 8}, TimeOfDay{0, 0, 0}};
    EXPECT_FALSE(RepeatOfRule("FREQ=YEARLY", leapDay));  // skips common years
    EXPECT_FALSE(RepeatOfRule("FREQ=WEEKLY;BYDAY=MO", tuesday));  // the start comes on top
    EXPECT_FALSE(RepeatOfRule("FREQ=MONTHLY;BYDAY=2TU,4TU", tuesday));
    EXPECT_FALSE(RepeatOfRule("FREQ=MONTHLY;BYDAY=TU;BYSETPOS=2", tuesday));
    EXPECT_FALSE(RepeatOfRule("FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,TU", tuesday));  // weeks from Monday
    EXPECT_FALSE(RepeatOfRule("FREQ=DAILY;COUNT=10000", tuesday));
    EXPECT_TRUE(RepeatOfRule("FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,TH", tuesday));
    // UNTIL earlier in the day than the start ends the day before.
    EXPECT_EQ((Date{2027, 1, 4}),
              RepeatOfRule("FREQ=DAILY;UNTIL=20270105T080000", LocalDateTime{tuesday.date, {9, 0, 0}})->last);
    for (int minutes : {0, 5, 15, 60, 1440, 2880, 10080, 90})
        EXPECT_EQ(minutes, MinutesAhead(AheadTrigger(minutes)));
    EXPECT_EQ(90, MinutesAhead("-PT1H30M"));
    EXPECT_FALSE(MinutesAhead("PT15M"));  // after the start
    EXPECT_FALSE(MinutesAhead("-P1X"));
}
