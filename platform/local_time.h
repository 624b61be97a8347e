// The one place the program reads the local date and time. Everything that
// asks the clock (the panel's date, the day-change check, the reminder
// thread, the clock control) goes through it, so a test that moves the
// process's wall clock moves all of them together.
#pragma once

#include "core/base/basic_types.h"

// The local date and time now; `millisecond`, when given, receives the
// milliseconds of the same reading (0..999).
LocalDateTime LocalDateTimeNow(int* millisecond = nullptr);
// The date part of LocalDateTimeNow.
Date LocalDateNow();
