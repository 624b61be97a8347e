// The day grid with the keyboard: the arrows move the focus among the days
// (past the first or last day into the neighbouring month), Page Up / Down
// turn the month, with Ctrl the year, Home goes to today, Enter opens the
// focused day as a click does, Tab and Shift+Tab go round the panel's
// buttons with the grid as one stop, Ctrl+F finds a memo. The focused day's
// memo shows in a tip over the ticker, as hovering shows it at the day.
#pragma once

#include <windows.h>

#include <array>

#include "app/panel/day_grid.h"
#include "platform/wnd.h"

class GridKeys {
public:
    // What the keys move, the panel's: its steps, stops and commands.
    class Host {
    public:
        // What the tip stands over: the ticker.
        virtual HWND TipAnchor() const = 0;
        // The panel's stops in the order they stand; null for the grid.
        virtual std::array<HWND, 9> TabStops() const = 0;
        // The focus marks on the cells and the bare buttons, from now on.
        virtual void ShowFocusMarks() = 0;
        virtual void GoToMonth(int year, int month) = 0;
        virtual void StepShown(bool year, int direction) = 0;
        virtual void OpenDay(int day) = 0;
        virtual void FindMemo() = 0;

    protected:
        ~Host() = default;
    };

    // The keys read the shown month, today and the cells from `grid`.
    GridKeys(CWnd& panel, const DayGrid& grid, Host& host)
        : m_panel(panel), m_grid(grid), m_host(host) {}

    // A key pressed anywhere in the panel: true when the grid's keys took it.
    bool OnKeyDown(WPARAM key);
    // Puts the focus on the day's cell (the month's last for a day past
    // it), shows the focus and the day's memo.
    void FocusDay(int day);
    void HideKeyTip();

private:
    int KeyboardDay() const;  // where the keyboard enters the grid
    // From the first key on, the focus shows: a mark on the focused cell or
    // button, as the system's keyboard cues allow. Until then the panel
    // looks as it always has for a user of the mouse alone.
    void ShowFocusCues();
    void MoveKeyDay(int days);
    void StepByKey(bool year, int direction);
    void GoToToday();
    void MoveTabStop(bool back);
    void ShowKeyTip(int day);

    CWnd& m_panel;
    const DayGrid& m_grid;
    Host& m_host;
    bool m_focusMarks = false;  // a key has been used on the panel
    int m_keyDay = 0;          // the day the keyboard was last on, in any month
    // The focused day's memo, shown over the ticker: a tooltip window the
    // panel owns (its owner window), so it goes when the panel does.
    HWND m_keyTip = nullptr;
};
