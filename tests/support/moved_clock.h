// Dates around today, and copies of the program whose clock is moved: started
// at a chosen local time through the time-shift library, and moved on while
// they run.
#pragma once

#include <windows.h>

#include <string>

#include "core/base/basic_types.h"
#include "platform/handles.h"
#include "tests/support/windows_and_processes.h"

// Today by the platform's own calendar, and a date `n` days on.
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

// The weekday (0 = Sunday) of the first of a month: the column of its cell,
// by the platform's calendar (not the program's month model).
int PlatformFirstWeekday(int year, int month);
// A local date and time as a SYSTEMTIME.
SYSTEMTIME LocalTimeOf(int year, int month, int day, int hour, int minute, int second);

// Starts Vellumo.exe in `dir` with its clock reading `secondsAfterMidnight`
// of today (local) at the moment of the start and running on from there,
// through the time-shift library. Wine hands a child the Unix environment of
// its parent, not the Windows one, so the start goes through a Unix shell
// that sets LD_PRELOAD; copies the program starts itself inherit it.
bool SpawnAtTimeOfDay(ProgramDir& dir, int secondsAfterMidnight);
// The change of date. Starts the program file `exePath` (working folder: its
// own) with its clock reading `localTime` at the moment of the start and
// running on from there, as SpawnAtTimeOfDay does.
bool SpawnAtLocalTime(const std::string& exePath, const SYSTEMTIME& localTime);

// Seconds before midnight the day-change tests start a copy: room for a slow
// start-up and for opening something before the date changes.
constexpr int kLeadSeconds = 20;
// A copy started `kLeadSeconds` before a midnight, the driver's tick count at
// which its clock reaches that midnight, and its panel once shown.
struct LateCopy {
    HWND panel = nullptr;
    KernelHandle process;
    DWORD midnight = 0;

    std::string clockFile;  // moves the copy's clock on (see HurryToMidnight)
    int jumpedSeconds = 0;

    bool BeforeMidnight() const { return static_cast<LONG>(midnight - ::GetTickCount()) > 300; }
    // Once the test is ready for midnight: moves the copy's clock on, in
    // whole seconds, so that midnight is about `leftSeconds` away.
    void HurryToMidnight(int leftSeconds = 2);
    // Milliseconds until `extra` after midnight.
    DWORD PastMidnight(DWORD extra) const {
        const LONG left = static_cast<LONG>(midnight - ::GetTickCount());
        return static_cast<DWORD>(left > 0 ? left : 0) + extra;
    }
};
// Starts `exePath` with its clock at 23:59:(60 - kLeadSeconds) of the given day.
void StartBeforeMidnight(const std::string& exePath, int year, int month, int day, LateCopy& copy);
