// Memos out: the memo and notice file texts of chosen dates as one iCalendar
// file (.ics) that other calendars read. No file access; the window code
// gathers the texts and writes the bytes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/base/basic_types.h"
#include "core/memo/ical_text.h"
#include "core/memo/repeat_memo.h"

// The bytes of a memo file an export reads: more than a memo reader takes
// (kMemoReadLimit), so that a longer memo is seen and cut at a character.
constexpr std::size_t kExportMemoReadLimit = kMemoReadLimit + 16;

struct MemoForExport {
    Date date;
    std::string memoFile;               // the memo file's text, "[date] " head and all
    std::optional<std::string> notice;  // the notice file's text, when there is one
    int aheadMinutes = 0;               // its reminder ahead (the Ahead_ file), with a remind time
};

// A repeating memo and the name of its file ("Repeat_3.txt"), which gives
// its event a UID of its own.
struct RepeatForExport {
    std::string name;
    RepeatMemo memo;
};

struct ExportReport {
    int events = 0;              // memos written as events
    int repeats = 0;             // repeating memos written as repeating events
    int skippedEmpty = 0;        // memo files without text
    int skippedDate = 0;         // dates an iCalendar file cannot hold (before year 1, after 9999)
    int charactersReplaced = 0;  // bytes the code page has no character for (written as U+FFFD)
    int charactersDropped = 0;   // control characters other than tab and line breaks
    int remindTimesLeftOut = 0;  // notices that hold no time 0:00..23:59 (the memo is all-day)
    int memosCut = 0;            // memo files longer than kMemoReadLimit, cut at a character
};

struct IcsExport {
    std::string bytes;  // the whole file, UTF-8, CR LF line ends
    ExportReport report;
};

// One event per memo, in date order (a date given twice is written once, from
// its first entry), of the memo as Vellumo reads it: a file longer than
// kMemoReadLimit is cut, at a character, to fit within it. A notice that holds
// no remind time at all (no ":") counts as none:
// - without a remind time an all-day event, DTSTART;VALUE=DATE and the next
//   day as DTEND;
// - with one, an event at that local ("floating") time lasting 15 minutes,
//   with a display alarm at its start (or the memo's time ahead before it),
//   and the notice text itself in
//   X-VELLUMO-NOTICE so that an import writes back the very same text;
// - SUMMARY the first line of the memo text that is not blank, DESCRIPTION
//   the whole text; UID "vellumo-<date text>@vellumo", the same for the same
//   date at every export; DTSTAMP `nowUtc`.
// Each repeating memo after them is one event with its rule: DTSTART the
// first date of the rule (all day, or at the remind time), RRULE
// (RepeatRuleText), EXDATE the skipped dates, and with a remind time a
// display alarm whose TRIGGER is the time ahead ("-P1D", "-PT1H", "PT0S");
// UID "vellumo-repeat-<file name without .txt>@vellumo".
IcsExport ExportIcs(const std::vector<MemoForExport>& memos, const AnsiCodePage& codePage,
                    const LocalDateTime& nowUtc, const std::vector<RepeatForExport>& repeats = {});

// "vellumo-2026-12-9@vellumo".
std::string EventUid(const Date& date);

// A short account for the user: "12 memos exported." and a line for each
// count above other than zero.
std::string DescribeExport(const ExportReport& report);

// The first line of a text ("\n" line breaks) that holds more than spaces and
// tabs; the first line when none does. The export's SUMMARY; the import
// knows a DESCRIPTION that merely repeats it by it.
std::string SummaryLine(const std::string& text);
