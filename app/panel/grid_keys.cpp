#include "app/panel/grid_keys.h"

#include <commctrl.h>

#include <algorithm>
#include <array>

#include "core/calendar/day_move.h"

namespace {
bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }
}  // namespace

bool GridKeys::OnKeyDown(WPARAM key) {
    const bool ctrl = KeyDown(VK_CONTROL);
    switch (key) {
    case VK_LEFT:
        MoveKeyDay(-1);
        return true;
    case VK_RIGHT:
        MoveKeyDay(+1);
        return true;
    case VK_UP:
        MoveKeyDay(-7);
        return true;
    case VK_DOWN:
        MoveKeyDay(+7);
        return true;
    case VK_PRIOR:
        StepByKey(ctrl, -1);
        return true;
    case VK_NEXT:
        StepByKey(ctrl, +1);
        return true;
    case VK_HOME:
        GoToToday();
        return true;
    case VK_TAB:
        if (ctrl || KeyDown(VK_MENU)) break;
        MoveTabStop(KeyDown(VK_SHIFT));
        return true;
    case VK_RETURN:
        if (const int day = m_grid.FocusedDay()) {
            m_host.OpenDay(day);
            return true;
        }
        break;  // on a button: the dialog's own handling
    case 'F':
        if (!ctrl) break;
        m_host.FindMemo();
        return true;
    default:
        break;
    }
    return false;
}

int GridKeys::KeyboardDay() const {
    const CalendarMonth& shown = m_grid.Month();
    const int last = DaysInMonth(shown.year, shown.month);
    if (const int day = m_grid.FocusedDay()) return day;
    if (m_grid.CurrentMonthShown()) return std::min(m_grid.Today().day, last);
    return std::clamp(m_keyDay, 1, last);
}

void GridKeys::FocusDay(int day) {
    const CalendarMonth& shown = m_grid.Month();
    day = std::clamp(day, 1, DaysInMonth(shown.year, shown.month));
    m_keyDay = day;
    HWND cell = m_grid.CellWindow(day);
    if (::GetFocus() != cell) m_panel.SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(cell), TRUE);
    ShowFocusCues();
    ShowKeyTip(day);
}

void GridKeys::ShowFocusCues() {
    if (!m_focusMarks) {
        m_focusMarks = true;
        m_host.ShowFocusMarks();
        if (HWND focus = ::GetFocus()) ::InvalidateRect(focus, nullptr, FALSE);
    }
    // What the dialog manager does for its own keys: from now on the focus
    // shows, whatever the system's keyboard-cue setting hid at the start.
    if (m_panel.SendMessage(WM_QUERYUISTATE) & UISF_HIDEFOCUS)
        m_panel.SendMessage(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

void GridKeys::MoveKeyDay(int days) {
    if (!m_grid.FocusedDay()) {  // into the grid first, at its day
        FocusDay(KeyboardDay());
        return;
    }
    const CalendarMonth& shown = m_grid.Month();
    const Date to = AddDays(Date{shown.year, shown.month, m_grid.FocusedDay()}, days);
    if (to.year != shown.year || to.month != shown.month) m_host.GoToMonth(to.year, to.month);
    FocusDay(to.day);
}

void GridKeys::StepByKey(bool year, int direction) {
    const int day = m_grid.FocusedDay();
    m_host.StepShown(year, direction);
    if (day) FocusDay(day);  // the same day number, or the month's last
}

void GridKeys::GoToToday() {
    const Date today = m_grid.Today();
    if (!m_grid.CurrentMonthShown()) m_host.GoToMonth(today.year, today.month);
    FocusDay(today.day);
}

// Round the panel's stops; the 37 cells are one stop, the grid (the
// seventh), entered at its day.
void GridKeys::MoveTabStop(bool back) {
    const std::array<HWND, 9> stops = m_host.TabStops();
    const HWND focus = ::GetFocus();
    std::size_t at = m_grid.FocusedDay() ? 6 : stops.size();
    for (std::size_t i = 0; i < stops.size() && at == stops.size(); ++i)
        if (stops[i] && stops[i] == focus) at = i;
    if (at == stops.size()) at = back ? 0 : stops.size() - 1;  // from elsewhere: the ends
    const std::size_t next = back ? (at + stops.size() - 1) % stops.size() : (at + 1) % stops.size();
    if (!stops[next]) {
        FocusDay(KeyboardDay());
        return;
    }
    HideKeyTip();
    m_panel.SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(stops[next]), TRUE);
    ShowFocusCues();
}

void GridKeys::ShowKeyTip(int day) {
    const std::string& memo = m_grid.DayTip(day);
    if (memo.empty()) {
        HideKeyTip();
        return;
    }
    RECT ticker{};
    ::GetWindowRect(m_host.TipAnchor(), &ticker);
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
    tool.hwnd = m_panel.m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_panel.m_hWnd);
    if (!m_keyTip || !::IsWindow(m_keyTip)) {
        m_keyTip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX,
                                     0, 0, 0, 0, m_panel.m_hWnd, nullptr, ::GetModuleHandleA(nullptr),
                                     nullptr);
        if (!m_keyTip) return;
        tool.lpszText = const_cast<char*>("");
        ::SendMessageA(m_keyTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // Wrapped to the ticker's width, over the ticker, as its own words are.
    ::SendMessageA(m_keyTip, TTM_SETMAXTIPWIDTH, 0, ticker.right - ticker.left);
    tool.lpszText = const_cast<char*>(memo.c_str());
    ::SendMessageA(m_keyTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageA(m_keyTip, TTM_TRACKPOSITION, 0, MAKELPARAM(ticker.left, ticker.top));
    ::SendMessageA(m_keyTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void GridKeys::HideKeyTip() {
    if (!m_keyTip || !::IsWindow(m_keyTip)) return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = m_panel.m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_panel.m_hWnd);
    ::SendMessageA(m_keyTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}
