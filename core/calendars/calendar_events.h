// One subscribed calendar's events, read once from its copy and asked for a
// range of dates many times (a month of the grid, the digest's days, today
// for the reminders). Events that happen once are kept by date; repeating
// ones are expanded only for the range asked.
#pragma once

#include <string>
#include <vector>

#include "core/base/basic_types.h"
#include "core/memo/ical_import.h"

struct CalendarEvent {
    Date date;
    bool timed = false;  // false: an all-day event
    TimeOfDay time;      // local start, when timed
    std::string text;    // the summary line, in the ANSI code page
};

class CalendarEvents {
public:
    CalendarEvents() = default;
    // `context` gives the code page and the local time of a UTC time (kept
    // for later ranges); `document` is the calendar as read.
    CalendarEvents(const IcalDocument& document, const ImportContext& context);

    // The events whose local dates lie within [from, to], by date and time
    // (all-day ones first on their date).
    std::vector<CalendarEvent> Between(const Date& from, const Date& to) const;

private:
    std::vector<CalendarEvent> singles_;  // in order
    IcalDocument repeating_;              // the repeating events, their exceptions and zones
    ImportContext context_;
};
