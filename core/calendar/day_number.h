// Days since 1970-01-01 (negative before) for any date of the proleptic
// Gregorian calendar, and back: the one day count the reminder schedule and
// the calendar files share. The year is counted from March so that the leap
// day ends it; 400 Gregorian years are 146097 days.
#pragma once

#include <cstdint>

#include "core/base/basic_types.h"

// Division rounding towards minus infinity, for days and seconds before 1970.
constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

constexpr std::int64_t DayNumber(std::int64_t year, std::int64_t month, std::int64_t day) {
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t monthFromMarch = month > 2 ? month - 3 : month + 9;
    const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;  // 719468: days from 0-3-1 to 1970-1-1
}

constexpr std::int64_t DayNumber(const Date& date) { return DayNumber(date.year, date.month, date.day); }

// Only for days of the years of int.
constexpr Date DateOfDayNumber(std::int64_t days) {
    const std::int64_t z = days + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
    const std::int64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return Date{static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
}
