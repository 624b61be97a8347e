// Repeating events: the RRULE value and the dates it gives.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/memo/ical_time.h"

enum class Frequency { Daily, Weekly, Monthly, Yearly };

struct RecurrenceRule {
    Frequency frequency = Frequency::Daily;
    std::int64_t interval = 1;
    std::int64_t count = 0;  // 0: no COUNT
    std::optional<IcalTime> until;
    unsigned weekDays = 0;  // weekly BYDAY, bit 0 = Sunday .. bit 6 = Saturday; 0: none
    int weekStart = 1;      // WKST, 0 = Sunday; Monday unless given
};

// Reads "FREQ=...;INTERVAL=...": FREQ DAILY, WEEKLY, MONTHLY or YEARLY with
// INTERVAL, COUNT, UNTIL, WKST and, for WEEKLY, BYDAY of plain weekdays;
// BYMONTH (yearly) and BYMONTHDAY (monthly, yearly) are taken only when they
// repeat the start's own month and day, as some programs write them (by
// value: "03" is March, "+07" the 7th).
// std::nullopt for any other rule, or one whose parts cannot be read.
std::optional<RecurrenceRule> ParseRecurrenceRule(const std::string& value, const Date& start);

// The occurrences of a rule whose dates lie within [from, to], in order, each
// at the start's time of day. The start itself is always the first
// occurrence, also when the rule would not give it; COUNT counts from there;
// none comes after `until` (the rule's UNTIL on the start's own clock). A
// date the calendar does not have (31 April, 29 February of a common year)
// is no occurrence and is not counted.
std::vector<LocalDateTime> ExpandRecurrence(const RecurrenceRule& rule, const LocalDateTime& start,
                                            const std::optional<LocalDateTime>& until,
                                            const Date& from, const Date& to);

// A rule's parts by upper-case name, values in upper case; false for a
// part given twice or without "=".
bool RuleParts(const std::string& value, std::map<std::string, std::string>& parts);

// "SU".."SA" as 0..6; -1 for anything else.
int WeekdayOfCode(const std::string& code);

// A rule's number "1".."999999999" (larger ones saturate); false for zero
// or anything else.
bool PositiveRuleNumber(const std::string& text, std::int64_t& value);
