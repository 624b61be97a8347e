#include "platform/local_time.h"

#include <windows.h>

LocalDateTime LocalDateTimeNow(int* millisecond) {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    LocalDateTime now;
    now.date = {st.wYear, st.wMonth, st.wDay};
    now.time = {st.wHour, st.wMinute, st.wSecond};
    if (millisecond) *millisecond = st.wMilliseconds < 1000 ? st.wMilliseconds : 999;
    return now;
}

Date LocalDateNow() { return LocalDateTimeNow().date; }
