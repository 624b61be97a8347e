#include "core/calendars/calendar_events.h"

#include <algorithm>
#include <set>

namespace {

bool Repeats(const IcalComponent& event) {
    return event.Find("RRULE") != nullptr || event.Find("RDATE") != nullptr;
}

bool Earlier(const CalendarEvent& a, const CalendarEvent& b) {
    const std::int64_t da = DayNumber(a.date), db = DayNumber(b.date);
    if (da != db) return da < db;
    if (a.timed != b.timed) return !a.timed;
    const int ta = a.time.hour * 3600 + a.time.minute * 60 + a.time.second;
    return ta < b.time.hour * 3600 + b.time.minute * 60 + b.time.second;
}

void Append(std::vector<CalendarEvent>& out, const std::vector<EventOccurrence>& found) {
    for (const EventOccurrence& o : found) {
        CalendarEvent e;
        e.date = o.start.value.date;
        e.timed = !o.start.dateOnly;
        e.time = o.start.value.time;
        e.text = o.text.substr(0, o.text.find_first_of("\r\n"));
        out.push_back(std::move(e));
    }
}

}  // namespace

CalendarEvents::CalendarEvents(const IcalDocument& document, const ImportContext& context)
    : context_(context) {
    IcalDocument singles;
    for (const IcalComponent& calendar : document.calendars) {
        // Events of a UID that another event replaces an instance of go
        // with the repeating ones, whose expansion takes the instance out.
        std::set<std::string> replacedUids;
        for (const IcalComponent& part : calendar.children) {
            const IcalProperty* uid = part.Find("UID");
            if (part.name == "VEVENT" && uid != nullptr && part.Find("RECURRENCE-ID") != nullptr)
                replacedUids.insert(uid->value);
        }
        IcalComponent once{calendar.name, calendar.line, calendar.properties, {}};
        IcalComponent repeating = once;
        for (const IcalComponent& part : calendar.children) {
            if (part.name == "VTIMEZONE") {
                once.children.push_back(part);
                repeating.children.push_back(part);
                continue;
            }
            if (part.name != "VEVENT") continue;
            const IcalProperty* uid = part.Find("UID");
            const bool grouped = uid != nullptr && replacedUids.count(uid->value) > 0;
            (Repeats(part) || grouped ? repeating : once).children.push_back(part);
        }
        singles.calendars.push_back(std::move(once));
        repeating_.calendars.push_back(std::move(repeating));
    }
    Append(singles_, ListEventOccurrences(singles, context_, Date{1, 1, 1}, Date{9999, 12, 31}));
    std::stable_sort(singles_.begin(), singles_.end(), Earlier);
}

std::vector<CalendarEvent> CalendarEvents::Between(const Date& from, const Date& to) const {
    std::vector<CalendarEvent> found;
    const std::int64_t first = DayNumber(from), last = DayNumber(to);
    if (first > last) return found;
    auto it = std::lower_bound(singles_.begin(), singles_.end(), first,
                               [](const CalendarEvent& e, std::int64_t day) {
                                   return DayNumber(e.date) < day;
                               });
    for (; it != singles_.end() && DayNumber(it->date) <= last; ++it) found.push_back(*it);
    Append(found, ListEventOccurrences(repeating_, context_, from, to));
    std::stable_sort(found.begin(), found.end(), Earlier);
    return found;
}
