#include "app/sync/server_dlg.h"

#include <windows.h>

#include "res/resource.h"

namespace {

constexpr UINT_PTR kStatusTimer = 1;
constexpr UINT kStatusPeriodMs = 250;

std::string FieldText(HWND control) {
    const int n = ::GetWindowTextLengthA(control);
    std::string text(n > 0 ? n + 1 : 1, '\0');
    ::GetWindowTextA(control, &text[0], static_cast<int>(text.size()));
    text.resize(n > 0 ? n : 0);
    // Blanks around an address or a name are never meant.
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

}  // namespace

BEGIN_MESSAGE_MAP(CServerDlg, CDialog)
    OnCommand(IDC_SERVER_SYNC_NOW, &ThisClass::OnSyncNow),
    OnMessage<WM_TIMER, &ThisClass::OnTimer>(),
END_MESSAGE_MAP()

CServerDlg::CServerDlg(CalendarSync& sync, CWnd* parent)
    : CDialog(IDD_CALENDAR_SERVER, parent), m_sync(sync) {}

BOOL CServerDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const SyncAccount account = m_sync.Account();
    ::SetDlgItemTextA(m_hWnd, IDC_SERVER_ADDRESS, account.address.c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_SERVER_USER, account.user.c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_SERVER_PASSWORD, account.password.c_str());
    ::CheckDlgButton(m_hWnd, IDC_SERVER_REMINDERS, account.reminders ? BST_CHECKED : BST_UNCHECKED);
    std::vector<FoundCalendar> kept;
    if (!account.calendar.empty()) kept.push_back(FoundCalendar{account.calendar, account.calendarName});
    m_listedFor = account.address + "\n" + account.user;
    FillCalendars(kept, account.calendar, account.calendarName);
    const CalendarSync::Status status = m_sync.CurrentStatus();
    m_serial = status.serial;
    ::SetDlgItemTextA(m_hWnd, IDC_SERVER_STATUS, status.line.c_str());
    ::SetTimer(m_hWnd, kStatusTimer, kStatusPeriodMs, nullptr);
    return TRUE;
}

void CServerDlg::FillCalendars(const std::vector<FoundCalendar>& found, const std::string& chosen,
                               const std::string& chosenName) {
    HWND list = GetDlgItem(IDC_SERVER_CALENDAR);
    ::SendMessageA(list, CB_RESETCONTENT, 0, 0);
    m_calendars = found;
    bool listed = chosen.empty() || chosen == kMakeVellumoCalendar;
    for (const FoundCalendar& c : found) listed = listed || c.url == chosen;
    if (!listed) m_calendars.push_back(FoundCalendar{chosen, chosenName});
    int select = -1;
    for (std::size_t i = 0; i < m_calendars.size(); ++i) {
        const std::string& name = m_calendars[i].name.empty() ? m_calendars[i].url : m_calendars[i].name;
        ::SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (m_calendars[i].url == chosen) select = static_cast<int>(i);
    }
    m_calendars.push_back(FoundCalendar{kMakeVellumoCalendar, "Vellumo"});
    ::SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("New calendar \"Vellumo\""));
    if (chosen == kMakeVellumoCalendar) select = static_cast<int>(m_calendars.size()) - 1;
    ::SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(select), 0);
}

SyncAccount CServerDlg::FromFields() const {
    SyncAccount account;
    account.address = FieldText(GetDlgItem(IDC_SERVER_ADDRESS));
    account.user = FieldText(GetDlgItem(IDC_SERVER_USER));
    const HWND password = GetDlgItem(IDC_SERVER_PASSWORD);
    const int n = ::GetWindowTextLengthA(password);
    account.password.assign(n > 0 ? n + 1 : 1, '\0');
    ::GetWindowTextA(password, &account.password[0], static_cast<int>(account.password.size()));
    account.password.resize(n > 0 ? n : 0);
    account.reminders = ::IsDlgButtonChecked(m_hWnd, IDC_SERVER_REMINDERS) == BST_CHECKED;
    // A calendar chosen on another server (or for another user) is none here.
    if (m_listedFor != account.address + "\n" + account.user) return account;
    const LRESULT selected = ::SendMessageA(GetDlgItem(IDC_SERVER_CALENDAR), CB_GETCURSEL, 0, 0);
    if (selected >= 0 && static_cast<std::size_t>(selected) < m_calendars.size()) {
        account.calendar = m_calendars[selected].url;
        account.calendarName = m_calendars[selected].name;
    }
    return account;
}

void CServerDlg::OnSyncNow() {
    const SyncAccount account = FromFields();
    const std::string refused = CheckServerAddress(
        account.address.find("://") == std::string::npos ? "https://" + account.address : account.address);
    if (account.address.empty() || !refused.empty()) {
        ::SetDlgItemTextA(m_hWnd, IDC_SERVER_STATUS,
                          account.address.empty() ? "Type the calendar server's address." : refused.c_str());
        return;
    }
    m_listedFor = account.address + "\n" + account.user;
    m_sync.SyncWith(account);
    TakeStatus();
}

void CServerDlg::TakeStatus() {
    const CalendarSync::Status status = m_sync.CurrentStatus();
    if (status.serial == m_serial) return;
    m_serial = status.serial;
    ::SetDlgItemTextA(m_hWnd, IDC_SERVER_STATUS, status.line.c_str());
    if (status.busy) return;
    // The calendars found, with the one the sync used (or the user's pick).
    const SyncAccount shown = FromFields();
    const std::string chosen = !status.chosen.empty() ? status.chosen : shown.calendar;
    const std::string chosenName = !status.chosen.empty() ? status.chosenName : shown.calendarName;
    if (!status.found.empty() || !status.chosen.empty()) FillCalendars(status.found, chosen, chosenName);
}

void CServerDlg::OnTimer(UINT_PTR) { TakeStatus(); }

void CServerDlg::OnOK() {
    const SyncAccount account = FromFields();
    if (!account.address.empty()) {
        const std::string refused = CheckServerAddress(
            account.address.find("://") == std::string::npos ? "https://" + account.address : account.address);
        if (!refused.empty()) {
            ::SetDlgItemTextA(m_hWnd, IDC_SERVER_STATUS, refused.c_str());
            return;
        }
    }
    const std::string error = m_sync.Keep(account);
    if (!error.empty()) {
        ::SetDlgItemTextA(m_hWnd, IDC_SERVER_STATUS, error.c_str());
        return;
    }
    ::KillTimer(m_hWnd, kStatusTimer);
    CDialog::OnOK();
}
