// Which reminders are due, worked out from the wall clock rather than from a
// pass that happens to fall into a remind minute. No clock, file, registry or
// window here: the caller reads the local time, passes the memo store's
// readers and the kept state, shows what the pass returns and keeps the new
// state.
//
// Time is counted in whole local minutes (WallMinute). A reminder is known by
// its key, the date and the remind hour and minute; what was shown, dismissed
// or snoozed is kept per key, so a reminder comes once per date and time: a
// restart, a crash or a clock that repeats a minute (daylight saving's
// fall-back) does not bring a dismissed one back, and a memo edited to a new
// time reminds again at the new time. A memo's text plays no part in the key.
//
// Use, one pass (at start-up, on a timer, at resume from sleep, on a clock
// change):
//   1. state = ParseReminderState(the kept text, or "" when there is none);
//   2. pass  = RunSchedule(state, WallMinuteOf(local now), catchUp, memo, notice);
//   3. keep ReminderStateText(pass.state) BEFORE showing anything, so a crash
//      while a window is open shows the same reminders again (they are kept as
//      pending) rather than losing them;
//   4. show pass.toShow, merged by key with what is on screen (a pending
//      reminder is returned again by every pass until it is dismissed or
//      snoozed; one no longer returned had its memo deleted or re-timed, or
//      expired) and, when pass.olderMissed > 0, MissedSummaryText;
//   5. on OK:     keep ReminderStateText(Dismiss(ParseReminderState(kept), keys));
//      on Snooze: keep ReminderStateText(Snooze(ParseReminderState(kept), keys, until)).
//
// The kept text is one registry string, written whole, so the last pass and
// the records never disagree and no stale value is left behind:
//   HKEY_CURRENT_USER\Software\Brakkon\Torvane08, value "Reminders" (REG_SZ)
//   pass 2026-12-9 14:31; 2026-12-9 14:30 dismissed; 2026-12-9 9:05 pending;
//   2026-12-8 23:50 snoozed 2026-12-9 0:20
// (on one line). Items are separated by ";". "pass <date> <h>:<mm>" is the
// last pass; every other item is a record: "<date> <h>:<mm> dismissed",
// "... pending" or "... snoozed <date> <h>:<mm>". Dates are written as the
// memo store writes them (DateText: 2026-12-9, no leading zeros), minutes with
// two digits. Reading is forgiving: blanks around items and words may vary,
// words may be in any case. An item that does not read (unknown word, a date
// the calendar does not have, hour outside 0..23, minute outside 0..59) is
// skipped, numbers saturate, a second record of a key and a second "pass" are
// skipped, and only the first kMaxReminderStateText bytes and
// kMaxReminderRecords records are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/base/basic_types.h"
#include "core/calendar/month_length.h"
#include "core/memo/memo_format.h"

// The reminder's caption: the reminder window's and the start-up
// announcement's, and the alarm text of an exported memo that has none.
constexpr char kReminderCaption[] = "Vellumo reminds you.";

// Minutes since 1970-1-1 0:00 of the proleptic Gregorian calendar, local time.
using WallMinute = std::int64_t;

constexpr WallMinute kMinutesPerDay = 1440;
// A reminder at most this late is shown one by one; older ones are counted.
constexpr WallMinute kCatchUpWindow = kMinutesPerDay;
// Without catching up, a reminder is shown only this late at most (a pass may
// come a little after its minute).
constexpr WallMinute kOnTimeSlack = 1;
// A pass reads no date older than this, however long the program was away.
constexpr WallMinute kLookBack = 366 * kMinutesPerDay;
// Records are kept from this long before now ...
constexpr WallMinute kKeepPast = 2 * kMinutesPerDay;
// ... to this long after now (later ones were made under a clock since set back).
constexpr WallMinute kKeepFuture = kMinutesPerDay;
constexpr std::size_t kMaxReminderRecords = 512;
constexpr std::size_t kMaxReminderStateText = 64 * 1024;

// Any date of the calendar in the years of int, hour 0..23, minute 0..59.
// Other fields give some minute without undefined behaviour; callers check
// dates from outside (IsRealDate, core/calendar/month_length.h).
WallMinute WallMinuteOf(const Date& date, int hour, int minute);
// Seconds are ignored.
WallMinute WallMinuteOf(const LocalDateTime& at);
// The date and time of a minute (seconds 0). Minutes outside the years of int
// are taken as the first or last minute that is inside.
LocalDateTime LocalDateTimeOf(WallMinute minute);

struct ReminderKey {
    Date date;
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    bool operator==(const ReminderKey& o) const {
        return date == o.date && hour == o.hour && minute == o.minute;
    }
    bool operator!=(const ReminderKey& o) const { return !(*this == o); }
};
WallMinute DueMinuteOf(const ReminderKey& key);

enum class ReminderStatus {
    Pending,    // shown, neither dismissed nor snoozed yet
    Dismissed,  // never shown again
    Snoozed,    // shown again from snoozeUntil on
};

struct ReminderRecord {
    ReminderKey key;
    ReminderStatus status = ReminderStatus::Pending;
    WallMinute snoozeUntil = 0;  // only for Snoozed
};

struct ReminderState {
    std::optional<WallMinute> lastPass;  // absent before the first pass ever
    std::vector<ReminderRecord> records;  // one per key
};

// The remind time of a date's memo, read as the reminder check always read it:
// the memo text must be non-empty (the notice is then read), the notice text
// must hold a ":" and each side is read as ParseNoticeTime reads it. An hour
// outside 0..23 or a minute outside 0..59 is never due: std::nullopt then too.
struct DayReminder {
    int hour = 0;
    int minute = 0;
    std::string memoText;  // the memo file text as read, bracketed head included
};
std::optional<DayReminder> ReadDayReminder(const Date& date, const DayTextReader& readMemo,
                                           const DayTextReader& readNotice);
// The reminders of the repeating memos on a date (their records as memoText).
// They join the date's own reminder: one at the same time shares its key, its
// text following the date's own memo.
using RepeatReminderReader = std::function<std::vector<DayReminder>(const Date& date)>;

enum class ShowReason {
    Due,           // fell due since the last pass
    ShownAgain,    // shown before and not yet dismissed (a restart, a crash)
    SnoozeReturn,  // its snooze ended
};

struct DueReminder {
    ReminderKey key;
    WallMinute due = 0;
    WallMinute minutesLate = 0;  // now - due; 0 when due lies ahead (clock set back)
    ShowReason reason = ShowReason::Due;
    std::string memoText;  // as read this pass
};

struct ReminderPass {
    std::vector<DueReminder> toShow;  // ordered by due time
    // Reminders that fell due more than kCatchUpWindow ago (and within
    // kLookBack), plus shown ones never dismissed whose record expired; not
    // shown one by one. firstMissed is the date of the earliest (valid when
    // olderMissed > 0).
    int olderMissed = 0;
    Date firstMissed;
    ReminderState state;  // to keep: lastPass = now, new pending records, pruned
};

// One pass at `now`. Reminders due in [lastPass, now] (only the minute now on
// the first pass ever) that have no record are shown (and recorded as
// pending) when at most kCatchUpWindow - 1 minutes late, else counted in
// olderMissed; with catchUp false only those at most kOnTimeSlack late are
// shown and the others are dropped without a count. A clock set back
// (now < lastPass) finds nothing new. Pending records, and snoozed ones whose
// snooze has ended (or ends more than kKeepFuture ahead: set under a clock
// since set back), are shown again, unless their date's memo no longer has
// that remind time (deleted or edited), which drops the record. Records due
// more than kKeepPast before now or kKeepFuture after now are dropped, and at
// most kMaxReminderRecords are kept (the latest due).
// Each date is read at most once; at most kLookBack / kMinutesPerDay + 1 dates
// of the span and the dates of the kept pending and snoozed records.
ReminderPass RunSchedule(const ReminderState& state, WallMinute now, bool catchUp,
                         const DayTextReader& readMemo, const DayTextReader& readNotice,
                         const RepeatReminderReader& readRepeats = nullptr);

// The records of `keys` become Dismissed (a key without a record gets one).
ReminderState Dismiss(ReminderState state, const std::vector<ReminderKey>& keys);
// The records of `keys` become Snoozed until `until` (a key without a record
// gets one).
ReminderState Snooze(ReminderState state, const std::vector<ReminderKey>& keys,
                     WallMinute until);

// The kept text (see the top of this file) and back.
std::string ReminderStateText(const ReminderState& state);
ReminderState ParseReminderState(const std::string& text);

// "14:30" for 14:30, "9:05" for 9:05.
std::string ClockText(int hour, int minute);

// A reminder's line in the reminder window: when it was due, two blanks and
// the memo's first non-blank line without its bracketed "[date] " head.
//   "14:30  Dentist"                    due this minute or the one before
//   "due 14:30  Dentist"                later, today
//   "due 14:30 yesterday  Dentist"      yesterday
//   "due 2026-12-7 14:30  Dentist"      any other date
std::string ReminderEntryText(const DueReminder& reminder, WallMinute now);
// Its first part alone ("14:30", "due 14:30 yesterday", ...).
std::string ReminderWhenText(const DueReminder& reminder, WallMinute now);

// "3 older reminders were missed, the first on 2026-12-1." /
// "1 older reminder was missed, on 2026-12-1."; "" for count <= 0.
std::string MissedSummaryText(int count, const Date& first);
