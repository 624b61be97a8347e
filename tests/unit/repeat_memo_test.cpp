// Repeating memos: the dates of each kind of rule, the ends, and the file.
#include "core/memo/repeat_memo.h"
#include "core/memo/repeat_choices.h"

#include <gtest/gtest.h>

#include "core/memo/memo_format.h"
#include "tests/support/test_repeats.h"

namespace {

using List = std::vector<std::string>;

List Dates(const RepeatMemo& memo, const Date& from, const Date& to) {
    List out;
    for (const Date& d : RepeatDates(memo, from, to)) out.push_back(DateText(d.year, d.month, d.day));
    return out;
}

}  // namespace

TEST(RepeatMemo, DaysByIntervalFromAnyStartOfTheRange) {
    const RepeatMemo memo = PlainRepeat(RepeatUnit::Days, Date{2026, 1, 30}, 3);
    EXPECT_EQ((List{"2026-1-30", "2026-2-2", "2026-2-5"}), Dates(memo, {2025, 1, 1}, {2026, 2, 7}));
    // A range far on starts on the rule's own step, not at the range.
    EXPECT_EQ((List{"2027-1-1", "2027-1-4"}), Dates(memo, {2027, 1, 1}, {2027, 1, 6}));
}

TEST(RepeatMemo, WeeksOnChosenWeekdaysEveryOtherWeek) {
    RepeatMemo memo = PlainRepeat(RepeatUnit::Weeks, Date{2026, 3, 4}, 2);  // a Wednesday
    memo.weekDays = (1u << 1) | (1u << 3);  // Monday and Wednesday
    // The Monday before the first date is not part of the series.
    EXPECT_EQ((List{"2026-3-4", "2026-3-16", "2026-3-18", "2026-3-30", "2026-4-1"}),
              Dates(memo, {2026, 3, 1}, {2026, 4, 5}));
    memo.weekDays = 0;  // the first date's weekday
    EXPECT_EQ((List{"2026-3-4", "2026-3-18"}), Dates(memo, {2026, 3, 1}, {2026, 3, 31}));
    // Counting across weeks skipped ahead: 5 dates are 3-4, 3-16, 3-18, 3-30, 4-1.
    memo.weekDays = (1u << 1) | (1u << 3);
    memo.count = 5;
    EXPECT_EQ((List{"2026-4-1"}), Dates(memo, {2026, 3, 31}, {2026, 12, 31}));
}

TEST(RepeatMemo, MonthsOnTheSameDaySkipShortMonthsUnlessLastDay) {
    RepeatMemo memo = PlainRepeat(RepeatUnit::Months, Date{2026, 1, 31});
    EXPECT_EQ((List{"2026-1-31", "2026-3-31", "2026-5-31"}), Dates(memo, {2026, 1, 1}, {2026, 6, 30}));
    memo.monthPlace = MonthPlace::LastDay;
    EXPECT_EQ((List{"2026-1-31", "2026-2-28", "2026-3-31", "2026-4-30"}),
              Dates(memo, {2026, 1, 1}, {2026, 4, 30}));
    // A count over months that lack the day counts only the dates there are.
    memo.monthPlace = MonthPlace::SameDay;
    memo.count = 4;
    EXPECT_EQ((List{"2026-7-31"}), Dates(memo, {2026, 6, 1}, {2027, 12, 31}));
}

TEST(RepeatMemo, MonthsOnTheNthOrLastWeekday) {
    RepeatMemo memo = PlainRepeat(RepeatUnit::Months, Date{2026, 1, 13});
    memo.monthPlace = MonthPlace::Weekday;
    memo.weekOfMonth = 2;
    memo.weekday = 2;  // second Tuesday
    EXPECT_EQ((List{"2026-1-13", "2026-2-10", "2026-3-10"}), Dates(memo, {2026, 1, 1}, {2026, 3, 31}));
    memo.weekOfMonth = -1;
    memo.weekday = 5;  // last Friday
    EXPECT_EQ((List{"2026-1-30", "2026-2-27", "2026-3-27", "2026-4-24", "2026-5-29"}),
              Dates(memo, {2026, 1, 1}, {2026, 5, 31}));
    EXPECT_EQ((List{"2026-5-29"}), Dates(memo, {2026, 5, 1}, {2026, 5, 31}));
    // A fifth Thursday only in the months that have one, every third month.
    memo.first = Date{2026, 1, 29};
    memo.weekOfMonth = 5;
    memo.weekday = 4;
    memo.interval = 3;
    EXPECT_EQ((List{"2026-1-29", "2026-4-30", "2026-7-30", "2026-10-29"}), Dates(memo, {2026, 1, 1}, {2026, 12, 31}));
}

TEST(RepeatMemo, YearsKeepTheDateAndLeapDayFallsOnThe28th) {
    const RepeatMemo birthday = PlainRepeat(RepeatUnit::Years, Date{2024, 2, 29});
    EXPECT_EQ((List{"2024-2-29", "2025-2-28", "2026-2-28", "2027-2-28", "2028-2-29"}),
              Dates(birthday, {2020, 1, 1}, {2028, 12, 31}));
    const RepeatMemo rent = PlainRepeat(RepeatUnit::Years, Date{2008, 3, 12}, 2);
    EXPECT_EQ((List{"2030-3-12"}), Dates(rent, {2029, 1, 1}, {2031, 12, 31}));
    EXPECT_TRUE(RepeatsOn(rent, Date{2108, 3, 12}));
    EXPECT_FALSE(RepeatsOn(rent, Date{2109, 3, 12}));
    EXPECT_FALSE(RepeatsOn(rent, Date{2006, 3, 12}));
}

TEST(RepeatMemo, EndsByLastDateAndCountAndSkipsDates) {
    RepeatMemo memo = PlainRepeat(RepeatUnit::Years, Date{2020, 6, 1});
    memo.last = Date{2023, 6, 1};
    EXPECT_EQ((List{"2020-6-1", "2021-6-1", "2022-6-1", "2023-6-1"}), Dates(memo, {2000, 1, 1}, {2099, 1, 1}));
    memo.last.reset();
    memo.count = 3;
    memo.skipped = {Date{2021, 6, 1}};
    // A skipped date still counts: the series still ends after 2022.
    EXPECT_EQ((List{"2020-6-1", "2022-6-1"}), Dates(memo, {2000, 1, 1}, {2099, 1, 1}));
    EXPECT_TRUE(Dates(memo, {2023, 1, 1}, {2099, 1, 1}).empty());
    // Daily count with the range far past its end.
    RepeatMemo daily = PlainRepeat(RepeatUnit::Days, Date{2026, 1, 1});
    daily.count = 10;
    EXPECT_EQ((List{"2026-1-10"}), Dates(daily, {2026, 1, 10}, {2026, 2, 1}));
    EXPECT_TRUE(Dates(daily, {2026, 1, 11}, {2026, 2, 1}).empty());
    // A wide range gives at most the limit.
    daily.count = 0;
    EXPECT_EQ(7u, RepeatDates(daily, {2026, 1, 1}, {9999, 12, 31}, 7).size());
}

TEST(RepeatMemo, FileReadsBackAndToleratesDamage) {
    RepeatMemo memo = PlainRepeat(RepeatUnit::Months, Date{2026, 1, 13}, 2);
    memo.text = "Rent\r\n\r\npaid = yes";
    memo.monthPlace = MonthPlace::Weekday;
    memo.weekOfMonth = -1;
    memo.weekday = 2;
    memo.hasTime = true;
    memo.hour = 9;
    memo.minute = 5;
    memo.aheadMinutes = 1440;
    memo.last = Date{2030, 12, 31};
    memo.count = 12;
    memo.skipped = {Date{2026, 3, 31}, Date{2026, 5, 26}};
    const std::string text = RepeatFileText(memo);
    EXPECT_NE(std::string::npos, text.find("on=-1TU\r\ntime=9:05\r\nahead=1440\r\n"));
    const std::optional<RepeatMemo> back = ReadRepeatFile(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(text, RepeatFileText(*back));

    RepeatMemo weekly = PlainRepeat(RepeatUnit::Weeks, Date{2026, 3, 4});
    weekly.weekDays = 0x3E;
    EXPECT_EQ(RepeatFileText(weekly), RepeatFileText(*ReadRepeatFile(RepeatFileText(weekly))));

    // Line feeds alone, unknown keys, bad values: what is sound is kept.
    const std::optional<RepeatMemo> rough = ReadRepeatFile(
        "colour=blue\nfirst=2026-2-29\nfirst=2026-2-28\nrepeat=fortnightly\nevery=99999999999\n"
        "time=25:00\ncount=-3\nskip=2026-13-1\nno equals sign\n\nBins");
    ASSERT_TRUE(rough);
    EXPECT_EQ((Date{2026, 2, 28}), rough->first);
    EXPECT_EQ(RepeatUnit::Years, rough->unit);
    EXPECT_EQ(kMaxRepeatInterval, rough->interval);
    EXPECT_FALSE(rough->hasTime);
    EXPECT_EQ(0, rough->count);
    EXPECT_TRUE(rough->skipped.empty());
    EXPECT_EQ("Bins", rough->text);
    // No first date or no text: nothing to show.
    EXPECT_FALSE(ReadRepeatFile("repeat=daily\n\nBins"));
    EXPECT_FALSE(ReadRepeatFile("first=2026-1-1\n\n"));
    EXPECT_FALSE(ReadRepeatFile(""));
}

TEST(RepeatMemo, ADateShowsItsOwnMemoFirstThenEachOccurrence) {
    const RepeatMemo a = PlainRepeat(RepeatUnit::Years, Date{2020, 3, 12});
    RepeatMemo b = a;
    b.text = "Bins";
    const Date date{2026, 3, 12};
    EXPECT_EQ("[2026-3-12] Dentist\r\n[2026-3-12] x\r\n[2026-3-12] Bins",
              *DayTextWithRepeats(std::string("[2026-3-12] Dentist"), date, {&a, &b}));
    EXPECT_EQ("[2026-3-12] x", *DayTextWithRepeats(std::nullopt, date, {&a}));
    EXPECT_FALSE(DayTextWithRepeats(std::nullopt, date, {}));
    // An empty own memo still comes first (its file opened).
    EXPECT_EQ("\r\n[2026-3-12] x", *DayTextWithRepeats(std::string(), date, {&a}));
    // Cut at the bound wherever it falls: in the line break, or in the records.
    const std::string nearlyFull(kMaxDayText - 1, 'n');
    EXPECT_EQ(nearlyFull + "\r", *DayTextWithRepeats(nearlyFull, date, {&a}));
    const std::vector<const RepeatMemo*> many(kMaxDayText / 10, &b);
    const std::string records = RepeatRecords(date, many);
    EXPECT_EQ(kMaxDayText, records.size());
    EXPECT_EQ("[2026-3-12] Dentist\r\n" + records.substr(0, kMaxDayText - 21),
              *JoinDayText(std::string("[2026-3-12] Dentist"), records));
}

TEST(RepeatMemo, EditorChoicesStandForPlainRulesAndAnyOtherIsCustom) {
    RepeatMemo memo = PlainRepeat(RepeatUnit::Days, Date{2026, 3, 4});
    ApplyRepeatChoice(memo, RepeatChoice::Weekly, Date{2026, 3, 4});
    EXPECT_EQ(RepeatChoice::Weekly, RepeatChoiceOf(memo));
    memo.weekDays = 1u << 3;  // its own Wednesday, spelled out
    EXPECT_EQ(RepeatChoice::Weekly, RepeatChoiceOf(memo));
    memo.weekDays |= 1u << 5;
    EXPECT_EQ(RepeatChoice::Custom, RepeatChoiceOf(memo));
    ApplyRepeatChoice(memo, RepeatChoice::Monthly, Date{2026, 3, 4});
    EXPECT_EQ(RepeatChoice::Monthly, RepeatChoiceOf(memo));
    memo.monthPlace = MonthPlace::LastDay;
    EXPECT_EQ(RepeatChoice::Custom, RepeatChoiceOf(memo));
    ApplyRepeatChoice(memo, RepeatChoice::Yearly, Date{2026, 3, 4});
    memo.count = 3;
    EXPECT_EQ(RepeatChoice::Custom, RepeatChoiceOf(memo));
    EXPECT_EQ(0u, AheadChoiceOf(0));
    EXPECT_EQ(4u, AheadChoiceOf(1440));
    EXPECT_EQ(3u, AheadChoiceOf(100));
    EXPECT_EQ(6u, AheadChoiceOf(99999));
}

TEST(RepeatMemo, TheEditorSaysWhatHappensAtMonthEnds) {
    EXPECT_EQ("On the second Tuesday", WeekdayPlaceText(Date{2026, 1, 13}));
    EXPECT_EQ("On the last Thursday", WeekdayPlaceText(Date{2026, 1, 29}));
    EXPECT_EQ(-1, WeekOfMonthOf(Date{2026, 1, 29}));
    EXPECT_EQ("In common years: 28 February.",
              RepeatNoteText(PlainRepeat(RepeatUnit::Years, Date{2024, 2, 29})));
    RepeatMemo monthly = PlainRepeat(RepeatUnit::Months, Date{2026, 1, 31});
    EXPECT_EQ("Months without a 31st are skipped.", RepeatNoteText(monthly));
    monthly.monthPlace = MonthPlace::LastDay;
    EXPECT_EQ("", RepeatNoteText(monthly));
    EXPECT_EQ("", RepeatNoteText(PlainRepeat(RepeatUnit::Months, Date{2026, 1, 28})));
}

TEST(RepeatMemo, AReminderAheadSaysWhenTheMemoIsDue) {
    EXPECT_EQ("[2029-3-12] Due tomorrow at 9:05: Birthday",
              AheadReminderText(Date{2029, 3, 12}, 9, 5, Date{2029, 3, 11}, "Birthday"));
    EXPECT_EQ("[2029-3-1] Due today at 14:30: Rent",
              AheadReminderText(Date{2029, 3, 1}, 14, 30, Date{2029, 3, 1}, "Rent"));
    EXPECT_EQ("[2029-3-1] Due on 2029-3-1 at 0:00: x",
              AheadReminderText(Date{2029, 3, 1}, 0, 0, Date{2029, 2, 22}, "x"));
}
