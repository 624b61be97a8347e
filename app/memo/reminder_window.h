// The reminder window: one modeless dialog (template 193) of the reminder
// thread, which runs its messages. It shows the due reminders a pass
// returned (one with its text, several as a list above the selected one's
// text) and a line for older ones missed. OK (or Esc, or closing it)
// dismisses everything shown, Snooze puts it all off for the chosen time.
//
// It comes up on top of other windows without taking the keyboard focus:
// someone typing elsewhere keeps typing there and is told by the taskbar
// flashing and the information sound. Once clicked, Enter and Esc work as in
// a message box.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "core/memo/reminder_schedule.h"

class ReminderWindow {
public:
    // Called with the keys shown when the user answers: snoozeMinutes 0 for
    // OK, else the chosen snooze. The window is gone by then.
    using Answer = std::function<void(const std::vector<ReminderKey>& keys, int snoozeMinutes)>;

    explicit ReminderWindow(Answer answer);
    ~ReminderWindow();
    ReminderWindow(const ReminderWindow&) = delete;
    ReminderWindow& operator=(const ReminderWindow&) = delete;

    // Shows what a pass at `now` returned: `due` replaces the list (a
    // reminder no longer returned was deleted or re-timed), `olderMissed`
    // adds to the summary line. Opens the window when there is something to
    // show, closes it when nothing is left. New reminders sound and flash.
    void Update(const std::vector<DueReminder>& due, int olderMissed, const Date& firstMissed,
                WallMinute now);
    // Null while closed.
    HWND Handle() const { return m_wnd; }
    // For the thread's message loop: true when the message was the window's
    // dialog navigation (Enter, Esc, Tab) and has been handled.
    bool PreTranslate(MSG& msg);
    // Closes without an answer (the thread ends).
    void Close();

private:
    static INT_PTR CALLBACK Proc(HWND wnd, UINT message, WPARAM wp, LPARAM lp);
    bool Open();
    void Fill(WallMinute now);
    void ShowSelected();
    void Layout();
    void Finish(int snoozeMinutes);

    Answer m_answer;
    HWND m_wnd = nullptr;
    std::vector<DueReminder> m_due;
    int m_missed = 0;
    Date m_firstMissed;
    bool m_focusGiven = false;  // the first activation puts the focus on OK
};
