#include "app/memo/reminder_window.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "res/resource.h"

namespace {

struct SnoozeChoice {
    const char* text;
    int minutes;
};
constexpr SnoozeChoice kSnoozeChoices[] = {
    {"5 minutes", 5}, {"10 minutes", 10}, {"30 minutes", 30}, {"1 hour", 60}};
constexpr int kDefaultSnooze = 1;  // 10 minutes

// An edit control breaks lines only at CR LF; a memo written elsewhere may
// have bare LFs.
std::string EditText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

bool HasKey(const std::vector<DueReminder>& list, const ReminderKey& key) {
    return std::any_of(list.begin(), list.end(), [&](const DueReminder& r) { return r.key == key; });
}

void SetText(HWND wnd, int id, const std::string& text) {
    HWND item = ::GetDlgItem(wnd, id);
    std::string now(static_cast<std::size_t>(std::max(0, ::GetWindowTextLengthA(item))) + 1, '\0');
    now.resize(static_cast<std::size_t>(std::max(0, ::GetWindowTextA(item, &now[0], static_cast<int>(now.size())))));
    // Unchanged text is not set again: the edit would lose its scroll place.
    if (text != now) ::SetWindowTextA(item, text.c_str());
}

// Places a control at a rectangle in dialog units, shown or hidden.
void Place(HWND wnd, int id, int x, int y, int w, int h, bool shown) {
    HWND item = ::GetDlgItem(wnd, id);
    RECT r{x, y, x + w, y + h};
    ::MapDialogRect(wnd, &r);
    ::SetWindowPos(item, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(item, shown ? SW_SHOWNA : SW_HIDE);
}

}  // namespace

ReminderWindow::ReminderWindow(Answer answer) : m_answer(std::move(answer)) {}

ReminderWindow::~ReminderWindow() { Close(); }

void ReminderWindow::Close() {
    if (m_wnd) ::DestroyWindow(m_wnd);
    m_wnd = nullptr;
    m_due.clear();
    m_missed = 0;
    m_focusGiven = false;
}

bool ReminderWindow::PreTranslate(MSG& msg) {
    return m_wnd && ::IsDialogMessageA(m_wnd, &msg);
}

void ReminderWindow::Update(const std::vector<DueReminder>& due, int olderMissed,
                            const Date& firstMissed, WallMinute now) {
    const bool newOnes = olderMissed > 0 || std::any_of(due.begin(), due.end(), [&](const DueReminder& r) {
                             return !HasKey(m_due, r.key);
                         });
    if (olderMissed > 0) {
        if (m_missed == 0 || WallMinuteOf(firstMissed, 0, 0) < WallMinuteOf(m_firstMissed, 0, 0))
            m_firstMissed = firstMissed;
        m_missed += olderMissed;
    }
    m_due = due;
    if (m_due.empty() && m_missed == 0) {
        Close();
        return;
    }
    const bool opening = m_wnd == nullptr;
    if (opening && !Open()) return;
    Fill(now);  // also when nothing changed: the entries' "due" wording follows the clock
    Layout();
    if (opening) {
        // Centred on the screen of the user's work, over every other window,
        // and not active: the keyboard stays where the user is typing.
        RECT work{};
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        RECT r{};
        ::GetWindowRect(m_wnd, &r);
        const int x = work.left + ((work.right - work.left) - (r.right - r.left)) / 2;
        const int y = work.top + ((work.bottom - work.top) - (r.bottom - r.top)) / 2;
        ::SetWindowPos(m_wnd, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        ::ShowWindow(m_wnd, SW_SHOWNOACTIVATE);
    }
    // Back over whatever came up since (each pass), still without the focus.
    ::SetWindowPos(m_wnd, HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (newOnes) {
        FLASHWINFO flash{};
        flash.cbSize = sizeof flash;
        flash.hwnd = m_wnd;
        flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
        ::FlashWindowEx(&flash);
        ::MessageBeep(MB_ICONINFORMATION);
    }
}

bool ReminderWindow::Open() {
    m_wnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_REMINDER), nullptr, &Proc,
                                 reinterpret_cast<LPARAM>(this));
    if (!m_wnd) return false;
    ::SendDlgItemMessageA(m_wnd, IDC_REMINDER_ICON, STM_SETICON,
                          reinterpret_cast<WPARAM>(::LoadIconA(nullptr, IDI_INFORMATION)), 0);
    HWND combo = ::GetDlgItem(m_wnd, IDC_SNOOZE_TIME);
    for (const SnoozeChoice& c : kSnoozeChoices) {
        const LRESULT at = ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.text));
        ::SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), c.minutes);
    }
    ::SendMessageA(combo, CB_SETCURSEL, kDefaultSnooze, 0);
    return true;
}

void ReminderWindow::Fill(WallMinute now) {
    HWND list = ::GetDlgItem(m_wnd, IDC_REMINDER_LIST);
    // The selection stays on its reminder while others come and go: each
    // entry's data is its due minute, which is one per reminder.
    const LRESULT at = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    WallMinute selected = -1;
    if (at >= 0) {
        const LRESULT data = ::SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(at), 0);
        if (data != LB_ERR) selected = static_cast<WallMinute>(data);
    }
    std::vector<std::string> lines;
    for (const DueReminder& r : m_due) lines.push_back(ReminderEntryText(r, now));
    // Refilled only when an entry changed: the user may be scrolling it.
    bool same = ::SendMessageA(list, LB_GETCOUNT, 0, 0) == static_cast<LRESULT>(lines.size());
    for (std::size_t i = 0; same && i < lines.size(); ++i) {
        std::string shown(static_cast<std::size_t>(std::max<LRESULT>(
                              0, ::SendMessageA(list, LB_GETTEXTLEN, i, 0))) + 1, '\0');
        ::SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&shown[0]));
        same = shown.c_str() == lines[i] &&
               ::SendMessageA(list, LB_GETITEMDATA, i, 0) == static_cast<LRESULT>(m_due[i].due);
    }
    if (!same) {
        ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
        int select = 0;
        for (std::size_t i = 0; i < m_due.size(); ++i) {
            const LRESULT item =
                ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lines[i].c_str()));
            ::SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(item),
                           static_cast<LPARAM>(m_due[i].due));
            if (m_due[i].due == selected) select = static_cast<int>(i);
        }
        if (!m_due.empty()) ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(select), 0);
        ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(list, nullptr, TRUE);
    }

    std::string due;
    if (m_due.size() == 1) {
        const std::string when = ReminderWhenText(m_due.front(), now);
        if (when.compare(0, 4, "due ") == 0) due = "This reminder was " + when + ".";
    }
    SetText(m_wnd, IDC_REMINDER_DUE, due);
    SetText(m_wnd, IDC_REMINDER_MISSED, MissedSummaryText(m_missed, m_firstMissed));
    ::EnableWindow(::GetDlgItem(m_wnd, IDC_SNOOZE), !m_due.empty());
    ::EnableWindow(::GetDlgItem(m_wnd, IDC_SNOOZE_TIME), !m_due.empty());
    ShowSelected();
}

void ReminderWindow::ShowSelected() {
    // Found by the entry's due minute, not by its place in the list.
    HWND list = ::GetDlgItem(m_wnd, IDC_REMINDER_LIST);
    const LRESULT at = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    const LRESULT due = at >= 0 ? ::SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(at), 0) : LB_ERR;
    const DueReminder* shown = m_due.empty() ? nullptr : &m_due.front();
    for (const DueReminder& r : m_due)
        if (static_cast<LRESULT>(r.due) == due) shown = &r;
    SetText(m_wnd, IDC_REMINDER_TEXT, shown ? EditText(shown->memoText) : std::string());
}

void ReminderWindow::Layout() {
    // Dialog units: the icon at the left, the content in one column beside
    // it, the buttons in a row below.
    constexpr int kLeft = 40, kWidth = 212;
    int y = 10;
    const bool several = m_due.size() > 1;
    const bool lateOne = ::GetWindowTextLengthA(::GetDlgItem(m_wnd, IDC_REMINDER_DUE)) > 0;
    Place(m_wnd, IDC_REMINDER_LIST, kLeft, y, kWidth, 48, several);
    if (several) y += 52;
    Place(m_wnd, IDC_REMINDER_DUE, kLeft, y, kWidth, 10, !several && lateOne);
    if (!several && lateOne) y += 13;
    Place(m_wnd, IDC_REMINDER_TEXT, kLeft, y, kWidth, 56, !m_due.empty());
    if (!m_due.empty()) y += 60;
    Place(m_wnd, IDC_REMINDER_MISSED, kLeft, y, kWidth, 18, m_missed > 0);
    if (m_missed > 0) y += 20;
    y = std::max(y, 34) + 4;
    Place(m_wnd, IDC_SNOOZE, 10, y, 50, 14, true);
    Place(m_wnd, IDC_SNOOZE_TIME, 64, y + 1, 60, 80, true);
    Place(m_wnd, IDOK, 202, y, 50, 14, true);
    RECT client{0, 0, 262, y + 14 + 8};
    ::MapDialogRect(m_wnd, &client);
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(m_wnd, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongA(m_wnd, GWL_EXSTYLE));
    ::AdjustWindowRectEx(&client, style, FALSE, exStyle);
    ::SetWindowPos(m_wnd, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ReminderWindow::Finish(int snoozeMinutes) {
    std::vector<ReminderKey> keys;
    for (const DueReminder& r : m_due) keys.push_back(r.key);
    Close();
    if (!keys.empty() && m_answer) m_answer(keys, snoozeMinutes);
}

INT_PTR CALLBACK ReminderWindow::Proc(HWND wnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrA(wnd, DWLP_USER, lp);
        return FALSE;  // no focus: the window must not take the keyboard
    }
    auto* self = reinterpret_cast<ReminderWindow*>(::GetWindowLongPtrA(wnd, DWLP_USER));
    if (!self) return FALSE;
    switch (message) {
    case WM_ACTIVATE:
        // Clicked for the first time: OK gets the focus, so Enter and Esc
        // answer as in a message box. Later activations restore the focus
        // the dialog had.
        if (LOWORD(wp) != WA_INACTIVE && !self->m_focusGiven) {
            self->m_focusGiven = true;
            ::PostMessageA(wnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(wnd, IDOK)), TRUE);
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDOK:
        case IDCANCEL:  // Esc and the close box: a message box with only OK does the same
            self->Finish(0);
            return TRUE;
        case IDC_SNOOZE: {
            const LRESULT at = ::SendDlgItemMessageA(wnd, IDC_SNOOZE_TIME, CB_GETCURSEL, 0, 0);
            const int minutes = at >= 0 && at < static_cast<LRESULT>(std::size(kSnoozeChoices))
                                    ? kSnoozeChoices[at].minutes
                                    : kSnoozeChoices[kDefaultSnooze].minutes;
            self->Finish(minutes);
            return TRUE;
        }
        case IDC_REMINDER_LIST:
            if (HIWORD(wp) == LBN_SELCHANGE) self->ShowSelected();
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
