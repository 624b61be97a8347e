#include "core/calendar/month_model.h"

#include <gtest/gtest.h>

namespace {

CalendarMonth Shown(int year, int month, int todayDay = 1) {
    return CalendarMonth{year, month, todayDay, kFirstDayCellId};
}

// Days from 1970-01-01 of a proleptic Gregorian date (floor arithmetic).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

// The visible days in cell order, as first..last cell ids.
void ExpectCells(int year, int month, int firstId, int lastId) {
    CalendarMonth m = Shown(year, month);
    const MonthLayout layout = LayOutMonth(m, false);
    EXPECT_EQ(firstId, m.firstCellId);
    EXPECT_EQ(firstId, layout.firstCellId);
    for (int id = kFirstDayCellId; id <= kLastDayCellId; ++id) {
        const int expected = (id >= firstId && id <= lastId) ? id - firstId + 1 : 0;
        EXPECT_EQ(expected, layout.dayOfCell[id - kFirstDayCellId]) << "cell " << id;
    }
}

}  // namespace

TEST(MonthModel, LayoutOfKnownMonths) {
    EXPECT_EQ(2, FirstWeekday(2008, 1));
    ExpectCells(2008, 1, 1002, 1032);
    ExpectCells(2015, 2, 1000, 1027);
    ExpectCells(2015, 8, 1006, 1036);
}

TEST(MonthModel, MonthLengthsAndTexts) {
    EXPECT_EQ(28, DaysInMonth(1900, 2));
    EXPECT_EQ(29, DaysInMonth(2000, 2));
    EXPECT_EQ(30, DaysInMonth(2015, 11));
    EXPECT_EQ(31, DaysInMonth(2015, 12));
    EXPECT_EQ(0, DaysInMonth(2015, 13));
    EXPECT_STREQ("Aug", MonthAbbrev(8));
    EXPECT_STREQ("Jan", MonthAbbrev(0));
    EXPECT_EQ("-12", YearText(-12));
}

TEST(MonthModel, FirstWeekdayMatchesGregorianCalendar) {
    for (int year = 1; year <= kMaxStepYear; ++year)
        for (int month = 1; month <= 12; ++month) {
            const long long days = DaysFromCivil(year, static_cast<unsigned>(month), 1);
            const int expected = static_cast<int>(((days + 4) % 7 + 7) % 7);  // 1970-01-01: Thursday
            ASSERT_EQ(expected, FirstWeekday(year, month)) << year << "-" << month;
        }
}

TEST(MonthModel, FirstWeekdayStaysInRangeForYearsBelowOne) {
    EXPECT_EQ(6, FirstWeekday(-1, 1));  // the plain remainder would be -1
    for (int year : {0, -1, -7, -400, -2147483647 - 1})
        for (int month = 1; month <= 12; ++month) {
            const int weekday = FirstWeekday(year, month);
            EXPECT_TRUE(weekday >= 0 && weekday <= 6) << year << "-" << month;
        }
}

TEST(MonthModel, MonthStepsCarryIntoTheYear) {
    CalendarMonth m = Shown(2008, 1);
    EXPECT_TRUE(StepMonth(m, -1));
    EXPECT_EQ(2007, m.year);
    EXPECT_EQ(12, m.month);
    m = Shown(2008, 12);
    EXPECT_TRUE(StepMonth(m, +1));
    EXPECT_EQ(2009, m.year);
    EXPECT_EQ(1, m.month);
}

TEST(MonthModel, YearStepsClampWithoutRelayout) {
    CalendarMonth m = Shown(3500, 5);
    EXPECT_FALSE(StepYear(m, +1));
    EXPECT_EQ(3500, m.year);
    m = Shown(1, 5);
    EXPECT_FALSE(StepYear(m, -1));
    EXPECT_EQ(1, m.year);
    EXPECT_TRUE(StepYear(m, +1));
    EXPECT_EQ(2, m.year);
    EXPECT_EQ(5, m.month);

    m = Shown(3500, 12);
    EXPECT_TRUE(StepMonth(m, +1));
    EXPECT_EQ(3501, m.year);
    EXPECT_EQ(1, m.month);
    EXPECT_FALSE(StepYear(m, +1));
    EXPECT_EQ(3500, m.year);
}

TEST(MonthModel, TodayIsMarkedOnlyInTheCurrentMonth) {
    CalendarMonth feb = Shown(2015, 2, 31);
    EXPECT_EQ(0, LayOutMonth(feb, true).todayCellId);
    CalendarMonth aug = Shown(2015, 8, 31);
    EXPECT_EQ(1036, LayOutMonth(aug, true).todayCellId);
    EXPECT_EQ(0, LayOutMonth(aug, false).todayCellId);
}

TEST(MonthModel, CellAndDayRoundTrip) {
    CalendarMonth m = Shown(2008, 1);
    LayOutMonth(m, false);
    EXPECT_EQ(1, DayOfCell(m, m.firstCellId));
    for (int day = 1; day <= 31; ++day) EXPECT_EQ(day, DayOfCell(m, CellOfDay(m, day)));
    EXPECT_EQ(1032, CellOfDay(m, 31));
}
