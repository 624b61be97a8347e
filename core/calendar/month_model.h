// The calendar arithmetic behind the panel's month grid: the weekday of the
// first day, the mapping between day numbers and the 37 day cells (ids
// 1000..1036, seven per row, Sunday first), and the month and year steps of
// the arrow buttons. Month lengths: core/calendar/month_length.h. No
// platform headers.
#pragma once

#include <array>
#include <string>

#include "core/calendar/month_length.h"

constexpr int kFirstDayCellId = 1000;
constexpr int kDayCellCount = 37;
constexpr int kLastDayCellId = kFirstDayCellId + kDayCellCount - 1;  // 1036
constexpr int kMinStepYear = 1;     // year steps clamp to kMinStepYear..kMaxStepYear;
constexpr int kMaxStepYear = 3500;  // month steps ignore these bounds

// The shown month of the calendar window.
struct CalendarMonth {
    int year = 0;         // shown year, in full (2008)
    int month = 1;        // shown month, 1..12
    int todayDay = 1;     // today's day of the month, set once at start; steps never change it
    int firstCellId = kFirstDayCellId;  // cell showing day 1; set by LayOutMonth
};

// Weekday of day 1 of the month, 0 = Sunday .. 6 = Saturday, for any year.
// Years 1..3500 give the proleptic Gregorian weekday; month outside 1..12 is
// not meaningful but still yields 0..6.
int FirstWeekday(int year, int month);

// "Jan".."Dec" for 1..12; "Jan" for anything else.
const char* MonthAbbrev(int month);

// The year as shown above the grid: decimal, no separators, "-" when negative.
std::string YearText(int year);

// Cell id of a day number (firstCellId + day - 1) and the reverse.
int CellOfDay(const CalendarMonth& shown, int day);
int DayOfCell(const CalendarMonth& shown, int cellId);

// Steps of the arrow buttons. Each returns whether the window must lay the
// month out again (and refresh what depends on it).
// StepMonth(-1 / +1): previous / next month, carrying into the year; always true.
// StepYear(-1 / +1): previous / next year, month kept; the year is clamped to
// kMinStepYear..kMaxStepYear and a step that clamped returns false (nothing is
// redrawn, so the grid keeps showing what it showed).
bool StepMonth(CalendarMonth& shown, int direction);
bool StepYear(CalendarMonth& shown, int direction);

// What the 37 day cells show for the shown month.
struct MonthLayout {
    int firstCellId = kFirstDayCellId;
    // dayOfCell[id - kFirstDayCellId]: day number shown by that cell, 0 = hidden.
    std::array<int, kDayCellCount> dayOfCell{};
    // Cell of today's day, or 0 when no visible cell is today.
    int todayCellId = 0;
};

// Lays out shown.year / shown.month: stores firstCellId in `shown` and returns
// the cells. Today's cell (the cell of shown.todayDay) is reported only when
// `currentMonthShown` is true, i.e. the caller shows the year and month of the
// local date; in any other month no cell is marked as today.
MonthLayout LayOutMonth(CalendarMonth& shown, bool currentMonthShown);
