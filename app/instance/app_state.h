// Process-wide state of the running copy, in three small pieces: the
// single-instance mutex (a second start finds the first by it), the start-up
// date (the day-change check compares with it) and the display lock (it
// guards the clock's hour format, morning flag and shown digits, which the
// clock's worker and the window thread share).
#pragma once

#include <windows.h>

#include "core/base/basic_types.h"
#include "platform/handles.h"
#include "platform/local_time.h"

// Name of the single-instance mutex; a second start finds the first by it.
extern const char kInstanceMutexName[];
// Title of the panel; a second start finds the running copy's window by it.
extern const char kPanelTitle[];

class AppState {
public:
    // Made on first use (the application object asks first, before it makes
    // any window) and never destroyed: a clock worker that has not ended by
    // the time static objects go still finds its lock.
    static AppState& Get();

    // Creates the mutex; returns true when another copy already holds it.
    // A failure to create it counts as being the first copy.
    bool CreateInstanceMutex();
    void CloseInstanceMutex() { m_mutex.Reset(); }

    const Date& StartDate() const { return m_startDate; }
    void SetStartDate(const Date& date) { m_startDate = date; }

    CriticalSection& DisplayLock() { return m_displayLock; }

private:
    AppState() = default;

    KernelHandle m_mutex;
    Date m_startDate;
    CriticalSection m_displayLock;
};

// Holds the display lock for one scope.
class DisplayLockGuard : public LockGuard<CriticalSection> {
public:
    DisplayLockGuard() : LockGuard(AppState::Get().DisplayLock()) {}
};
