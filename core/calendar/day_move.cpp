#include "core/calendar/day_move.h"

#include <algorithm>

#include "core/calendar/day_number.h"
#include "core/calendar/month_length.h"

Date AddDays(const Date& from, std::int64_t days) {
    Date d = from;
    if (d.month < 1 || d.month > 12) d.month = 1;
    d.day = std::clamp(d.day, 1, DaysInMonth(d.year, d.month));
    return DateOfDayNumber(DayNumber(d) + days);
}
