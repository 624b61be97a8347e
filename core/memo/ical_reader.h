// Reading an iCalendar file into its components, checking the whole file
// first: a file that is not iCalendar or is broken anywhere gives an error
// message and no components at all.
#pragma once

#include <string>
#include <vector>

#include "core/memo/ical_text.h"

struct IcalComponent {
    std::string name;  // upper case: VCALENDAR, VEVENT, VTIMEZONE, STANDARD, ...
    int line = 0;      // of its BEGIN
    std::vector<IcalProperty> properties;
    std::vector<IcalComponent> children;

    // The first property of that (upper-case) name, or nullptr.
    const IcalProperty* Find(const char* upperName) const;
};

struct IcalDocument {
    std::vector<IcalComponent> calendars;  // the file's VCALENDAR objects
    std::string error;                     // empty when the file was read
};

// Reads the whole file (UTF-8, an optional byte-order mark, lines ending in
// CR LF or LF, folded or not; Ctrl-Z, zero bytes and blank lines after the
// last line are padding, not text). Errors: the file does not begin with
// BEGIN:VCALENDAR; a line is not UTF-8 or not a content line; BEGIN and END
// do not pair up; text stands outside the calendar objects; components nest
// deeper than any calendar uses; the file ends inside a component; the
// calendar is a vCalendar 1.0 one.
IcalDocument ReadIcalendar(const std::string& bytes);
