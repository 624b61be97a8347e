// Leap years and month lengths of the proleptic Gregorian calendar, for
// every year of int (year 0 is a leap year): the one place the pure logic
// asks how long a month is and whether a date exists.
#pragma once

#include "core/base/basic_types.h"

constexpr bool IsLeapYear(int year) {
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

// 28..31; 0 for a month outside 1..12.
constexpr int DaysInMonth(int year, int month) {
    if (month < 1 || month > 12) return 0;
    if (month == 2) return IsLeapYear(year) ? 29 : 28;
    if (month <= 7) return month % 2 == 1 ? 31 : 30;
    return month % 2 == 0 ? 31 : 30;
}

// True for a date the calendar has: month 1..12, day 1..length of the month.
constexpr bool IsRealDate(const Date& date) {
    return date.day >= 1 && date.day <= DaysInMonth(date.year, date.month);
}
