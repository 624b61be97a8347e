// The reminder check: a thread of its own that looks at today's memo every
// 27 seconds for the life of the process and raises it in a message box when
// the clock shows its remind time.
#pragma once

#include <windows.h>

#include "framework/basic_types.h"
#include "memo/reminder_rules.h"

// Caption of the reminder box.
extern const char kReminderCaption[];

// Starts ReminderThread; returns its thread id, 0 when it could not start.
// The thread is never stopped: it ends with the process. Call once, after
// InitMemoPaths.
DWORD StartReminderThread();

// One pass at `now`: reads today's memo and notice files and, when a reminder
// is due and was not shown yet (see `memory`), shows the box and waits until
// it is closed. True when a box was shown.
bool RunReminderPass(const LocalDateTime& now, ReminderMemory& memory);

// The thread's start routine: a pass, 27 seconds of sleep, and again.
DWORD WINAPI ReminderThread(LPVOID);
