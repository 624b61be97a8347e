// The editor's two drop-downs over repeating memos: their item texts, the
// rule each "Repeat" item stands for, and the minutes of each "Remind
// ahead" item.
#pragma once

#include <cstddef>
#include <string>

#include "core/memo/repeat_memo.h"

enum class RepeatChoice { None, Daily, Weekly, Monthly, Yearly, Custom };
constexpr const char* kRepeatChoiceTexts[] = {"Does not repeat", "Every day", "Every week",
                                              "Every month",     "Every year", "Custom..."};
constexpr const char* kAheadChoiceTexts[] = {"At the time",       "5 minutes before",
                                             "15 minutes before", "1 hour before",
                                             "1 day before",      "2 days before",
                                             "1 week before"};
constexpr int kAheadChoiceMinutes[] = {0, 5, 15, 60, 1440, 2880, 10080};
constexpr std::size_t kAheadChoiceCount = sizeof kAheadChoiceMinutes / sizeof kAheadChoiceMinutes[0];

// The item showing `minutes` ahead; the nearest one not later for a value
// between items (a hand-edited file).
std::size_t AheadChoiceOf(int minutes);

// The item a series shows: one of the plain items when the rule is exactly
// that item's (every 1 unit, on the first date's own day, no end), else
// Custom.
RepeatChoice RepeatChoiceOf(const RepeatMemo& memo);

// A plain item's rule from `first` on (None and Custom leave `memo` as it is
// but for the first date): keeps the text, time and skipped dates.
void ApplyRepeatChoice(RepeatMemo& memo, RepeatChoice choice, const Date& first);

// The n-th weekday of the month `date` falls on (1..4, or -1 for a fifth,
// which every such month's last one is), and its text: "On the second
// Tuesday", "On the last Friday".
int WeekOfMonthOf(const Date& date);
std::string WeekdayPlaceText(const Date& date);

// What the rule does at the ends of months, said where it matters:
// "In common years: 28 February." / "Months without a 31st are skipped."
// ("" when it matters not).
std::string RepeatNoteText(const RepeatMemo& memo);

// A reminder ahead of a memo due at `hour`:`minute` on `due`, shown on
// `shownOn`: the memo's record with the time it is due before its text,
// "[2029-3-12] Due tomorrow at 9:05: Birthday" ("today", "tomorrow", or
// "on 2029-3-19").
std::string AheadReminderText(const Date& due, int hour, int minute, const Date& shownOn,
                              const std::string& content);
