// Process-wide state set up by the application object at start-up and used
// by the panel: the single-instance mutex, the start-up date and the display
// lock that guards the clock's hour format and morning flag.
#pragma once

#include <windows.h>

#include "framework/basic_types.h"
#include "framework/handles.h"

// Name of the single-instance mutex; a second start finds the first by it.
extern const char kInstanceMutexName[];
// Title of the panel; a second start finds the running copy's window by it.
extern const char kPanelTitle[];

class AppState {
public:
    static AppState& Get();

    // Creates the mutex; returns true when another copy already holds it.
    // A failure to create it counts as being the first copy.
    bool CreateInstanceMutex();
    void CloseInstanceMutex() { m_mutex.Reset(); }

    const Date& StartDate() const { return m_startDate; }
    void SetStartDate(const Date& date) { m_startDate = date; }

    void InitDisplayLock();
    void DeleteDisplayLock();
    // The lock; only valid between InitDisplayLock and DeleteDisplayLock.
    CRITICAL_SECTION& DisplayLock() { return m_displayLock; }
    bool DisplayLockReady() const { return m_displayLockReady; }

private:
    KernelHandle m_mutex;
    Date m_startDate;
    CRITICAL_SECTION m_displayLock{};
    bool m_displayLockReady = false;
};

// Reads the local date.
Date LocalDateNow();
LocalDateTime LocalDateTimeNow();

// Holds the display lock for one scope (does nothing if it was never made,
// as in window tests that construct a control on its own).
class DisplayLockGuard {
public:
    DisplayLockGuard();
    ~DisplayLockGuard();
    DisplayLockGuard(const DisplayLockGuard&) = delete;
    DisplayLockGuard& operator=(const DisplayLockGuard&) = delete;

private:
    bool m_held;
};
