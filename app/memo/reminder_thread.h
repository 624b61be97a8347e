// The reminder check: a thread of its own for the life of the process. It
// runs a pass of the reminder schedule at start, every 27 seconds and at
// once when woken (resume from sleep, a clock change), keeps what was shown,
// dismissed or snoozed in the user's registry key (each read, change and
// write under a mutex every copy of the program shares), and shows what is
// due in the reminder window, whose messages it runs between passes.
#pragma once

#include <windows.h>

#include "app/memo/reminder_window.h"
#include "core/memo/reminder_schedule.h"

// Reminders a pass adds to the memos' own on a date: the timed events of
// calendars (from a part of the program the memo store knows nothing of).
// Set before the thread starts, never after.
using ExtraReminderReader = std::vector<DayReminder> (*)(const Date& date);
void SetExtraReminders(ExtraReminderReader reader);

// Starts ReminderThread; returns its thread id, 0 when it could not start.
// The program never stops the thread: it ends with the process. Call once,
// after Memos().InitMemoPaths; while a thread runs, another call returns its id.
DWORD StartReminderThread();

// A pass now rather than at the next interval: the machine woke up or the
// clock was set. Nothing happens when no thread runs.
void WakeReminderThread();

// The running thread's id (its windows are the reminder window), 0 when none.
DWORD ReminderThreadId();

// For in-process tests only: ends the running thread (closing its window)
// and waits for it, so that none runs behind a test. True when no thread
// runs afterwards.
bool StopReminderThread();

// One pass at `now` with the kept state and the stored setting: keeps the
// new state and shows what is due in `window`.
void RunReminderPass(WallMinute now, ReminderWindow& window);

// What the window's OK (snoozeMinutes 0) and Snooze do to the kept state.
void AnswerReminders(const std::vector<ReminderKey>& keys, int snoozeMinutes);

// The thread's start routine.
DWORD WINAPI ReminderThread(LPVOID);
