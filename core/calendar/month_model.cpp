#include "core/calendar/month_model.h"

#include <climits>

int FirstWeekday(int year, int month) {
    // Days of the year before the month, plus the weekday of 1 January; the
    // divisions truncate toward zero. In 64 bits so that no year overflows.
    const long long y = year;
    const long long c = (month == 9 || month == 11) ? 1 : 0;
    // Here alone, year 0 counts as a common year.
    const long long a = month <= 2 ? 0 : (IsLeapYear(year) && year != 0 ? 1 : 2);
    const long long value = month / 2 + 30LL * month + c + (y - 1) / 4 - (y - 1) / 100 +
                            (y - 1) / 400 - a + y - 30;
    // Floor modulo: the sum is negative for some years below 1 (January of
    // year -1 gives -1), and a weekday must always name a grid column.
    return static_cast<int>(((value % 7) + 7) % 7);
}

const char* MonthAbbrev(int month) {
    static const char* const kNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return (month >= 1 && month <= 12) ? kNames[month - 1] : kNames[0];
}

std::string YearText(int year) { return std::to_string(year); }

int CellOfDay(const CalendarMonth& shown, int day) { return shown.firstCellId + day - 1; }

int DayOfCell(const CalendarMonth& shown, int cellId) { return cellId - shown.firstCellId + 1; }

bool StepMonth(CalendarMonth& shown, int direction) {
    if (direction < 0) {
        if (--shown.month <= 0) {
            shown.month = 12;
            if (shown.year > INT_MIN) --shown.year;
        }
    } else if (direction > 0) {
        if (++shown.month > 12) {
            shown.month = 1;
            if (shown.year < INT_MAX) ++shown.year;
        }
    }
    return true;
}

bool StepYear(CalendarMonth& shown, int direction) {
    if (direction < 0) {
        if (shown.year <= kMinStepYear) {  // also brings a year below 1 back to 1
            shown.year = kMinStepYear;
            return false;
        }
        --shown.year;
    } else if (direction > 0) {
        if (shown.year >= kMaxStepYear) {
            shown.year = kMaxStepYear;
            return false;
        }
        ++shown.year;
    }
    return true;
}

MonthLayout LayOutMonth(CalendarMonth& shown, bool currentMonthShown) {
    MonthLayout layout;
    const int first = FirstWeekday(shown.year, shown.month);  // 0..6
    const int days = DaysInMonth(shown.year, shown.month);    // 0..31, so first + days <= 37
    shown.firstCellId = kFirstDayCellId + first;
    layout.firstCellId = shown.firstCellId;
    for (int day = 1; day <= days; ++day) layout.dayOfCell[first + day - 1] = day;
    if (currentMonthShown && shown.todayDay >= 1 && shown.todayDay <= days)
        layout.todayCellId = CellOfDay(shown, shown.todayDay);
    return layout;
}
