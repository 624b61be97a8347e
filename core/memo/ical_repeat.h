// Repeating memos as repeating events: a memo's rule as an RRULE and back,
// and the alarm ahead of its time as a TRIGGER.
#pragma once

#include <optional>
#include <string>

#include "core/memo/ical_time.h"
#include "core/memo/repeat_memo.h"

// A repeating memo's rule as an RRULE value, for an event whose start is the
// series' first date of the rule: FREQ, INTERVAL, BYDAY (weekdays, or "2TU",
// "-1FR" in a month), BYMONTHDAY=-1 for the last day, COUNT or UNTIL (a DATE
// for an all-day series, the day's end on the floating clock for a timed one).
// A series on 29 February comes back on the last day of February, so that
// common years keep it on the 28th as the memo does.
std::string RepeatRuleText(const RepeatMemo& memo);

// The other way: a rule, with `start` (DTSTART on the local clock) as the
// first date, as a repeating memo's rule (unit, interval, weekdays, place in
// the month, count, last date from UNTIL's own date and time); std::nullopt
// when the memo's rules cannot give exactly the rule's dates (a yearly rule
// on 29 February that skips common years, several places in a month, a
// start the rule itself would not give, a number past the memo's limits).
// Text, time and skipped dates are the caller's.
std::optional<RepeatMemo> RepeatOfRule(const std::string& value, const LocalDateTime& start);

// The series' first date of its rule, skipped or not (a first date the rule
// does not give moves to its next); none when no date of a calendar has one.
std::optional<Date> FirstRuleDate(const RepeatMemo& memo);

// A TRIGGER duration before the start ("-P1D", "-PT1H30M", "PT0S") in
// minutes; none for one after it or that cannot be read.
std::optional<int> MinutesAhead(const std::string& trigger);

// "-P1W", "-P2D", "-PT1H", "-PT5M"; "PT0S" for none.
std::string AheadTrigger(int minutes);
