// Memos in: an iCalendar file (.ics) turned into the memo and notice files to
// write, never losing what a date holds. No file access: the window code
// answers what a date holds, shows the report and writes the plan, each file
// with the store's one-step replace. The whole file is read and checked
// before anything is planned; a file that is not iCalendar or is broken
// anywhere gives an error message and an empty plan.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/base/basic_types.h"
#include "core/memo/ical_reader.h"
#include "core/memo/ical_text.h"
#include "core/memo/ical_time.h"
#include "core/memo/repeat_memo.h"

// What the store holds for a date.
struct ExistingDay {
    // False when a file of the date exists but could not be read (held by
    // another open, no access): that date is then left alone.
    bool readable = true;
    std::optional<std::string> memoFile;  // the memo file's text, when there is one
    std::optional<std::string> notice;    // the notice file's text, when there is one
};

struct ImportContext {
    Date today;  // local; repeating events are taken for today .. today + 365
    AnsiCodePage codePage;
    // The local time of a UTC time by the platform's time-zone rules; false
    // when it cannot tell (the event is then skipped as having no start).
    // Empty: local time is UTC.
    std::function<bool(const LocalDateTime& utc, LocalDateTime& local)> utcToLocal;
    // What a date holds; asked once for every date the file touches.
    std::function<ExistingDay(const Date& date)> existing;
    // The repeating memos there are: one the file gives again is not added.
    std::vector<RepeatMemo> repeats;
};

// The files to write for one date; only dates that change are planned.
struct PlannedDay {
    Date date;
    std::optional<std::string> memoFile;  // the memo file's new bytes
    // The notice file's new text ("9:05"); empty (no remind time) in place
    // of a time left from a memo deleted before, on a date an all-day event
    // gives its first memo.
    std::optional<std::string> notice;
    // With a remind time set here: how long before it the memo reminds (its
    // alarm's TRIGGER; 0 for none), kept beside the notice (the Ahead_ file).
    std::optional<int> aheadMinutes;
};

struct ImportReport {
    int eventsRead = 0;
    // Dates, by what happened to them.
    int memosAdded = 0;        // had no memo
    int memosExtended = 0;     // text appended or remind time set
    int memosUnchanged = 0;    // everything already there
    int remindTimesSet = 0;    // of the added and extended ones
    int repeatsAdded = 0;      // repeating events taken as repeating memos
    int repeatsUnchanged = 0;  // ... that were there already (same rule, text and times)
    int datesNotReadable = 0;  // left alone (see ExistingDay::readable)
    // Events skipped, by why.
    int skippedCancelled = 0;    // STATUS:CANCELLED
    int skippedNoStart = 0;      // no DTSTART, or one that is no date or cannot be converted
    int skippedNoText = 0;       // neither SUMMARY nor DESCRIPTION holds text
    int skippedNotInWindow = 0;  // repeating, but not within the next 366 days
    // Taken, but not as they were.
    int textsCut = 0;            // events whose text was cut (or left out) to fit a memo file
    int charactersReplaced = 0;  // characters the code page cannot show (as "?") or controls
    int rulesNotUnderstood = 0;  // repeating events taken at their first date only
    int unknownTimeZones = 0;    // events whose TZID the file does not describe: local time
    int otherComponents = 0;     // to-dos, journal entries, free/busy and other entries
};

struct IcsImport {
    std::string error;  // empty unless the file could not be read; the plan is then empty
    std::vector<PlannedDay> plan;  // in date order
    std::vector<RepeatMemo> repeats;  // the repeating memos to add
    ImportReport report;
};

// A memo file keeps within this size, so that every reader of the store sees
// all of it (an imported text that does not fit is cut, and counted).
constexpr std::size_t kImportedMemoFileLimit = kMemoReadLimit;

// Each VEVENT gives its text to its local date:
// - text: SUMMARY, then DESCRIPTION on the next lines when it adds something
//   (a DESCRIPTION whose first non-blank line is the SUMMARY stands alone);
//   line breaks become CR LF; characters the code page cannot show become
//   "?"; a text longer than a memo file holds is cut at a character;
// - date: an all-day event keeps its date; a DTSTART in UTC or with a TZID
//   (by the file's VTIMEZONE) becomes local time; floating time stays;
// - a date without a memo gets "[date] text"; a date with one keeps it and
//   gets the text on a new line, unless the text already stands there as
//   whole lines (CR LF, a lone CR and a lone LF alike breaking lines);
// - a timed event sets the remind time ("%d:%02d", or the exact
//   X-VELLUMO-NOTICE text an export wrote when it gives that time) where the
//   date has none: no notice, one that holds no valid time, or one left over
//   from a memo deleted before; an all-day event that gives a date its
//   first memo clears such a leftover time (the notice then holds none);
// - repeating events (RRULE, RDATE, less EXDATE and the instances other
//   VEVENTs with the same UID and a RECURRENCE-ID replace) give their
//   occurrences within today .. today + 365; a rule RecurrenceRule does not
//   follow gives the first date only;
// - but an event whose rule a repeating memo can hold (RepeatOfRule), with
//   no RDATE, becomes one repeating memo: its text, the start's local date
//   and time, EXDATE and replaced instances as skipped dates, the first
//   display alarm's TRIGGER before the start as the time ahead; its dates
//   get nothing. One that equals a repeating memo there (or one added
//   before) is not added again.
// Importing the same file again plans nothing.
IcsImport PlanIcsImport(const std::string& fileBytes, const ImportContext& context);

// The account shown after an import: the counts, a line each, those of
// skipped and altered entries only when not zero.
std::string DescribeImport(const ImportReport& report);

// For showing a calendar's events beside the memos rather than planning
// memos: the occurrences whose local dates lie within [from, to], read as the
// import reads them (text, time zones, rules, exceptions, cancelled events
// left out); `context.today` and `context.existing` play no part. Repeating
// events are expanded for that range only.
struct EventOccurrence {
    IcalTime start;    // local; dateOnly for an all-day event
    std::string text;  // as a memo would take it: ANSI, CR LF line breaks, cut to fit
};
std::vector<EventOccurrence> ListEventOccurrences(const IcalDocument& document,
                                                  const ImportContext& context, const Date& from,
                                                  const Date& to);
