// A time zone as a VTIMEZONE component describes it: observances (STANDARD,
// DAYLIGHT) that begin at a local time and set an offset from UTC, once or
// every year.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/memo/ical_reader.h"
#include "core/memo/ical_time.h"

class TimeZoneRules {
public:
    // std::nullopt for a zone whose observances this reader does not follow:
    // one without DTSTART or TZOFFSETTO, or a rule other than yearly on one
    // month (BYMONTH) and one day, given by BYDAY (with or without a number:
    // "-1SU", "2SU", "SU" with BYMONTHDAY) or BYMONTHDAY.
    static std::optional<TimeZoneRules> FromComponent(const IcalComponent& vtimezone);
    // A zone that is always `offsetSeconds` east of UTC.
    static TimeZoneRules Fixed(int offsetSeconds);

    // The UTC time of a local time of this zone, and back.
    LocalDateTime ToUtc(const LocalDateTime& wall) const;
    LocalDateTime FromUtc(const LocalDateTime& utc) const;

private:
    struct Observance {
        LocalDateTime start;  // the first onset, on the clock before it
        int offsetFrom = 0;
        int offsetTo = 0;
        bool yearly = false;
        int month = 0;
        int weekday = -1;  // -1: no BYDAY
        int ordinal = 0;   // 2 for "2SU", -1 for "-1SU", 0 without a number
        std::vector<int> monthDays;
        std::optional<IcalTime> until;
        std::int64_t count = 0;
        std::vector<LocalDateTime> extra;  // RDATE onsets
    };
    struct Onset {
        LocalDateTime wall;  // on the clock before it
        const Observance* observance;
    };

    std::vector<Onset> OnsetsAround(int year) const;
    std::optional<Date> YearlyDate(const Observance& o, int year) const;
    int OffsetBeforeAll() const;

    std::vector<Observance> observances_;
};
