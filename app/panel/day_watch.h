// The day watch: notices that the local date is no longer the start date
// and hands over to a fresh copy of the program once no dialog of the
// user's is open (an open menu is closed). When no fresh copy starts, the
// program stays and the owner is told to live in the new day.
#pragma once

#include <windows.h>

#include <functional>

#include "core/base/basic_types.h"

class DayWatch {
public:
    using NewDayHandler = std::function<void(const Date& today)>;

    // `owner` carries the watch's timers; `onNewDay` runs after a failed
    // hand-over, the start date already moved to today.
    void Start(HWND owner, NewDayHandler onNewDay);
    // Starts the day change when the date is no longer the start date, once.
    void CheckDayChange();
    // The retry timer's tick: tries the hand-over again.
    void RestartWhenFree();

private:
    void RestartForNewDay(const Date& today);

    HWND m_owner = nullptr;
    NewDayHandler m_onNewDay;
};
