// Repeating memos: one text that comes back on the dates of a rule (a
// birthday every year, rent on the 1st of each month), with an optional
// remind time, an end and the dates the series skips. The dates of a rule
// within a range, and the small text file each one is kept in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/base/basic_types.h"

enum class RepeatUnit { Days, Weeks, Months, Years };

// Where a monthly rule falls in each month.
enum class MonthPlace {
    SameDay,  // the first date's day; months without it are skipped
    LastDay,  // the month's last day
    Weekday,  // the n-th (1..5) or last (-1) given weekday
};

constexpr int kMaxRepeatInterval = 999;
constexpr int kMaxRepeatCount = 9999;
constexpr std::size_t kMaxSkippedDates = 1000;
// The reminder-ahead choices, in minutes before the remind time.
constexpr int kMaxRemindAheadMinutes = 7 * 24 * 60;

struct RepeatMemo {
    std::string text;  // the memo content, as the editor's box gives it
    Date first;        // the series begins here: the rule's dates on or after it
    RepeatUnit unit = RepeatUnit::Years;
    int interval = 1;           // every `interval` units, 1..kMaxRepeatInterval
    unsigned weekDays = 0;      // Weeks: bit 0 = Sunday .. bit 6; 0: the first date's weekday
    MonthPlace monthPlace = MonthPlace::SameDay;
    int weekOfMonth = 1;        // Weekday place: 1..5, or -1 for the last
    int weekday = 0;            // Weekday place: 0 = Sunday .. 6
    bool hasTime = false;       // a remind time
    int hour = 0, minute = 0;
    int aheadMinutes = 0;       // remind this long before the time, 0..kMaxRemindAheadMinutes
    std::optional<Date> last;   // no occurrence after this date
    int count = 0;              // at most this many occurrences; 0: no limit
    std::vector<Date> skipped;  // dates the series leaves out (counted all the same)
};

// The weekday set a weekly rule uses (the first date's weekday when none is given).
unsigned RepeatWeekDays(const RepeatMemo& memo);

// The rule's dates within [from, to], in order, at most `limit` of them.
// Years of 29 February fall on 28 February in common years; a day of the
// month that a shorter month lacks is skipped (unless the rule says last
// day). The count counts every date of the rule from the first, skipped
// ones included; skipped dates are left out.
std::vector<Date> RepeatDates(const RepeatMemo& memo, const Date& from, const Date& to,
                              std::size_t limit = 4000);

// Whether the series has an occurrence on `date`.
bool RepeatsOn(const RepeatMemo& memo, const Date& date);

// A date's reminder ahead in its own file beside the notice ("Ahead_<date>.txt"):
// the minutes as text. Read back as 0 when not a number, within
// 0..kMaxRemindAheadMinutes otherwise.
std::string AheadFileText(int minutes);
int AheadOfFileText(const std::string& text);

// The file text: "key=value" lines, an empty line, then the memo text.
std::string RepeatFileText(const RepeatMemo& memo);
// Reads a file text; std::nullopt when it holds no first date or no text.
// Values out of range are clamped or dropped; unknown keys are ignored, so
// a later version may add some.
std::optional<RepeatMemo> ReadRepeatFile(const std::string& text);
// Bytes read from a repeating memo's file.
constexpr std::size_t kRepeatReadLimit = 32768;

// "2008-3-12" back to a date (the memo store's date text); only real dates
// of years 1..9999.
std::optional<Date> ParseDateText(const std::string& text);

// A date's memo text as every reader shows it: the date's own memo first
// (when its file opened), then the record of each repeating memo on that
// date ("[2026-3-12] Birthday"), each on a line of its own; at most
// kMaxDayText bytes. std::nullopt when there is neither.
constexpr std::size_t kMaxDayText = 2 * 4096;
std::optional<std::string> DayTextWithRepeats(const std::optional<std::string>& own,
                                              const Date& date,
                                              const std::vector<const RepeatMemo*>& repeats);
// The same in two steps, for a reader that keeps the second part: the
// occurrences' records alone ("" for none), and the own memo joined to them.
std::string RepeatRecords(const Date& date, const std::vector<const RepeatMemo*>& repeats);
std::optional<std::string> JoinDayText(const std::optional<std::string>& own, const std::string& records);

// A repeating memo's file name, "Repeat_<n>.txt" (n from 1), and the number
// of one (in any case, as the file system matches names); 0 for any other
// name.
constexpr const char* kRepeatFileStem = "Repeat_";
unsigned RepeatFileNumber(const std::string& name);
