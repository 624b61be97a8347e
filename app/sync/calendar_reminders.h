// The reminders of the calendars whose reminders the user wants (a ticked
// subscription, or the calendar server's events made elsewhere): their timed
// events on a date, as the reminder thread adds them to the memos' own.
// Read from the kept copies on disk, as the memo files are, never from the
// panel's layer: the reminder thread shares no memory with the panel. A copy
// is read again only when its file changed.
#pragma once

#include <vector>

#include "core/memo/reminder_schedule.h"

// "[date] <calendar>: <event>" at each timed event's start. For the
// reminder thread only (see SetExtraReminders).
std::vector<DayReminder> CalendarRemindersOn(const Date& date);
