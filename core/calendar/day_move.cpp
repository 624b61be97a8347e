#include "core/calendar/day_move.h"

#include <algorithm>

#include "core/calendar/month_model.h"

Date AddDays(const Date& from, int days) {
    Date d = from;
    if (d.month < 1 || d.month > 12) d.month = 1;
    d.day = std::clamp(d.day, 1, DaysInMonth(d.year, d.month));
    // Month by month: a step of a week or a few never loops long.
    int left = days;
    while (left != 0) {
        if (left > 0) {
            const int room = DaysInMonth(d.year, d.month) - d.day;
            if (left <= room) {
                d.day += left;
                break;
            }
            left -= room + 1;
            d.day = 1;
            if (++d.month > 12) d.month = 1, ++d.year;
        } else {
            if (-left < d.day) {
                d.day += left;
                break;
            }
            left += d.day;
            if (--d.month < 1) d.month = 12, --d.year;
            d.day = DaysInMonth(d.year, d.month);
        }
    }
    return d;
}
