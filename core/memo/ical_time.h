// Calendar arithmetic of the proleptic Gregorian calendar, and the date and
// time values of iCalendar files (DATE, DATE-TIME, UTC-OFFSET).
#pragma once

#include <cstdint>
#include <string>

#include "core/base/basic_types.h"
#include "core/calendar/day_move.h"
#include "core/calendar/day_number.h"
#include "core/calendar/month_length.h"

// IsRealDate: core/calendar/month_length.h; DayNumber and DateOfDayNumber:
// core/calendar/day_number.h; AddDays: core/calendar/day_move.h.
// 0 = Sunday .. 6 = Saturday.
int Weekday(const Date& date);

// Seconds since 1970-01-01 00:00:00 of a date and time of day, and back.
std::int64_t SecondsOf(const LocalDateTime& t);
LocalDateTime DateTimeOfSeconds(std::int64_t seconds);
// A moment's order key: SecondsOf, for comparing.
inline bool Before(const LocalDateTime& a, const LocalDateTime& b) {
    return SecondsOf(a) < SecondsOf(b);
}

// A DATE (YYYYMMDD) or DATE-TIME (YYYYMMDDTHHMMSS, "Z" at the end for UTC)
// value. A DATE has the time 00:00:00.
struct IcalTime {
    LocalDateTime value;
    bool dateOnly = false;
    bool utc = false;
};
// False unless the text is exactly one of those forms with a real date
// (years 0000..9999), hour 0..23, minute 0..59 and second 0..60.
bool ParseIcalTime(const std::string& text, IcalTime& out);
// "+HHMM", "-HHMM" or with seconds "+HHMMSS", as seconds east of UTC.
bool ParseUtcOffset(const std::string& text, int& seconds);

// YYYYMMDD and YYYYMMDDTHHMMSS[Z]; years 0..9999 only (callers check).
std::string IcalDate(const Date& date);
std::string IcalDateTime(const LocalDateTime& t, bool utc);
