// The panel with the keyboard: the arrows move the focus among the days
// (past the first or last day into the neighbouring month), Page Up / Down
// turn the month, with Ctrl the year, Home goes to today, Enter opens the
// focused day as a click does, Tab and Shift+Tab go round the panel's
// buttons with the grid as one stop, Ctrl+F finds a memo. The focused day's
// memo shows in a tip over the ticker, as hovering shows it at the day.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>

#include "app/memo/find_memo_dlg.h"
#include "app/panel/vellumo_dlg.h"
#include "core/calendar/day_move.h"
#include "res/resource.h"

namespace {
bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }
}  // namespace

bool CVellumoDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message != WM_KEYDOWN || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)))
        return CDialog::PreTranslateMessage(msg);
    // The panel's keys come first, wherever in it the focus is (the ticker
    // included); the rest go on to the dialog's own handling.
    const bool ctrl = KeyDown(VK_CONTROL);
    switch (msg->wParam) {
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
        if (const int day = FocusedDay()) {
            OnDayClick(static_cast<UINT>(CellOfDay(m_month, day)));
            return true;
        }
        break;  // on a button: the dialog's own handling
    case 'F':
        if (!ctrl) break;
        OnFindMemo();
        return true;
    default:
        break;
    }
    return CDialog::PreTranslateMessage(msg);
}

int CVellumoDlg::KeyboardDay() const {
    const int last = DaysInMonth(m_month.year, m_month.month);
    if (const int day = FocusedDay()) return day;
    if (CurrentMonthShown()) return std::min(m_today.day, last);
    return std::clamp(m_keyDay, 1, last);
}

void CVellumoDlg::FocusDay(int day) {
    day = std::clamp(day, 1, DaysInMonth(m_month.year, m_month.month));
    m_keyDay = day;
    HWND cell = m_dayCells[CellOfDay(m_month, day) - kFirstDayCellId].m_hWnd;
    if (::GetFocus() != cell) SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(cell), TRUE);
    ShowFocusCues();
    ShowKeyTip(day);
}

void CVellumoDlg::ShowFocusCues() {
    if (!m_focusMarks) {
        m_focusMarks = true;
        for (CSkinButton& cell : m_dayCells) cell.SetFocusMark(true);
        for (CSkinButton* button : BareButtons()) button->SetFocusMark(true);
        if (HWND focus = ::GetFocus()) ::InvalidateRect(focus, nullptr, FALSE);
    }
    // What the dialog manager does for its own keys: from now on the focus
    // shows, whatever the system's keyboard-cue setting hid at the start.
    if (SendMessage(WM_QUERYUISTATE) & UISF_HIDEFOCUS)
        SendMessage(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

void CVellumoDlg::MoveKeyDay(int days) {
    if (!FocusedDay()) {  // into the grid first, at its day
        FocusDay(KeyboardDay());
        return;
    }
    const Date to = AddDays(Date{m_month.year, m_month.month, FocusedDay()}, days);
    if (to.year != m_month.year || to.month != m_month.month) {
        m_month.year = to.year;
        m_month.month = to.month;
        Navigate(true);
    }
    FocusDay(to.day);
}

void CVellumoDlg::StepByKey(bool year, int direction) {
    const int day = FocusedDay();
    Navigate(year ? StepYear(m_month, direction) : StepMonth(m_month, direction));
    if (day) FocusDay(day);  // the same day number, or the month's last
}

void CVellumoDlg::GoToToday() {
    if (!CurrentMonthShown()) {
        m_month.year = m_today.year;
        m_month.month = m_today.month;
        Navigate(true);
    }
    FocusDay(m_today.day);
}

// The panel's stops in the order they stand, top to bottom and left to
// right; the 37 cells are one stop, the grid, entered at its day.
void CVellumoDlg::MoveTabStop(bool back) {
    const std::array<HWND, 9> stops = {
        m_minimizeButton.m_hWnd, m_exitButton.m_hWnd,  m_prevYear.m_hWnd,
        m_prevMonthButton.m_hWnd, m_nextMonthButton.m_hWnd, m_nextYear.m_hWnd,
        nullptr /* the grid */,   m_logoButton.m_hWnd,  m_menuButton.m_hWnd};
    const HWND focus = ::GetFocus();
    std::size_t at = FocusedDay() ? 6 : stops.size();
    for (std::size_t i = 0; i < stops.size() && at == stops.size(); ++i)
        if (stops[i] && stops[i] == focus) at = i;
    if (at == stops.size()) at = back ? 0 : stops.size() - 1;  // from elsewhere: the ends
    const std::size_t next = back ? (at + stops.size() - 1) % stops.size() : (at + 1) % stops.size();
    if (!stops[next]) {
        FocusDay(KeyboardDay());
        return;
    }
    HideKeyTip();
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(stops[next]), TRUE);
    ShowFocusCues();
}

void CVellumoDlg::ShowKeyTip(int day) {
    const std::string& memo = m_dayCells[CellOfDay(m_month, day) - kFirstDayCellId].TipText();
    if (memo.empty()) {
        HideKeyTip();
        return;
    }
    RECT ticker{};
    ::GetWindowRect(m_ticker.GetSafeHwnd() ? m_ticker.m_hWnd : GetDlgItem(IDC_TICKER_PLACE), &ticker);
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    if (!m_keyTip || !::IsWindow(m_keyTip)) {
        m_keyTip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX,
                                     0, 0, 0, 0, m_hWnd, nullptr, ::GetModuleHandleA(nullptr),
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

void CVellumoDlg::HideKeyTip() {
    if (!m_keyTip || !::IsWindow(m_keyTip)) return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    ::SendMessageA(m_keyTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

void CVellumoDlg::OnFindMemo() {
    HideKeyTip();
    CFindMemoDlg find(this);
    if (find.DoModal() != IDOK || !find.Chosen()) return;
    const Date date = *find.Chosen();
    if (date.year != m_month.year || date.month != m_month.month) {
        m_month.year = date.year;
        m_month.month = date.month;
        Navigate(true);
    }
    FocusDay(date.day);
    OnDayClick(static_cast<UINT>(CellOfDay(m_month, date.day)));
}
