// The reminder check's decision, with no clock, file or thread: given the
// local date and time and today's memo and notice texts, is a reminder box
// due and with what text.
//
// A reminder is due while the clock shows the notice's hour and minute on
// the memo's date, and the memo text is not empty. Each reminder is shown
// once: the checking thread keeps a ReminderMemory of the last reminder it
// showed (date, remind hour and minute, memo text), and a pass that finds the
// same reminder again raises nothing. A changed memo text or remind time is
// a new reminder.
#pragma once

#include <optional>
#include <string>

#include "core/base/basic_types.h"
#include "core/memo/memo_format.h"

// Owned by the checking thread, empty at its start.
struct ReminderMemory {
    bool any = false;  // false until the first reminder is shown
    Date date;
    int hour = 0;
    int minute = 0;
    std::string memoText;
};

struct ReminderDecision {
    bool due = false;
    std::string text;  // the box text: the whole memo file text as read
};

// memoText / noticeText: the texts of today's two files, std::nullopt when a
// file was not opened. No reminder when the memo is missing or empty, or the
// notice is missing or holds no ":". When due, `memory` is updated to this
// reminder; the caller then shows the box.
ReminderDecision DecideReminder(const LocalDateTime& now,
                                const std::optional<std::string>& memoText,
                                const std::optional<std::string>& noticeText,
                                ReminderMemory& memory);

// One pass: reads the memo of now.date, and its notice only when the memo has
// text, then decides as DecideReminder does.
ReminderDecision CheckReminder(const LocalDateTime& now, const DayTextReader& readMemo,
                               const DayTextReader& readNotice, ReminderMemory& memory);
