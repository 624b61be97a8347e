// The system's ANSI code page (the one the memo files are written in) for the
// iCalendar conversion, and the local time of a UTC time. Built into the
// program and into the backup program, which imports and exports calendar
// files for it.
#pragma once

#include "core/base/basic_types.h"
#include "core/memo/ical_text.h"

// CP_ACP one character at a time: MultiByteToWideChar / WideCharToMultiByte
// without best-fit substitutes, and IsDBCSLeadByte. A character the code page
// has no bytes for (or bytes it has no character for) answers false, which
// the conversion counts as replaced. Where CP_ACP is UTF-8 (65001), the
// conversion takes the text as UTF-8 itself.
AnsiCodePage SystemAnsiCodePage();

// The local time of a UTC time by the time-zone rules in force then
// (SystemTimeToTzSpecificLocalTime); false outside the years the platform
// converts (1601 on).
bool UtcToLocalTime(const LocalDateTime& utc, LocalDateTime& local);
