// Calendar steps the window-level and end-to-end tests need to place memo
// files on dates around today, using the platform's own calendar.
#pragma once

#include <windows.h>

#include "core/base/basic_types.h"

inline Date TodayLocal() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return Date{st.wYear, st.wMonth, st.wDay};
}

inline Date AddDays(const Date& d, int n) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(d.year);
    st.wMonth = static_cast<WORD>(d.month);
    st.wDay = static_cast<WORD>(d.day);
    FILETIME ft;
    ::SystemTimeToFileTime(&st, &ft);
    ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
    t.QuadPart += 864000000000ULL * static_cast<ULONGLONG>(static_cast<LONGLONG>(n));
    ft = FILETIME{t.LowPart, t.HighPart};
    ::FileTimeToSystemTime(&ft, &st);
    return Date{st.wYear, st.wMonth, st.wDay};
}
