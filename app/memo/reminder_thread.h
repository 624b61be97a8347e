// The reminder check: a thread of its own that looks at today's memo every
// 27 seconds for the life of the process and raises it in a message box when
// the clock shows its remind time.
#pragma once

#include <windows.h>

#include "core/base/basic_types.h"
#include "core/memo/reminder_rules.h"

// Caption of the reminder box.
extern const char kReminderCaption[];

// Starts ReminderThread; returns its thread id, 0 when it could not start.
// The program never stops the thread: it ends with the process. Call once,
// after InitMemoPaths; while a thread runs, another call returns its id.
DWORD StartReminderThread();

// For in-process tests only: ends the running thread (closing a box it shows)
// and waits for it, so that none runs behind a test. True when no thread
// runs afterwards.
bool StopReminderThread();

// One pass at `now`: reads today's memo and notice files and, when a reminder
// is due and was not shown yet (see `memory`), shows the box and waits until
// it is closed. True when a box was shown.
bool RunReminderPass(const LocalDateTime& now, ReminderMemory& memory);

// The thread's start routine: a pass, 27 seconds of waiting, and again,
// until StopReminderThread.
DWORD WINAPI ReminderThread(LPVOID);
