#include "app/calendars/calendars_dlg.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>

#include "app/calendars/subscription_store.h"
#include "res/resource.h"

namespace {

constexpr UINT_PTR kResultsTimer = 1;
constexpr UINT kResultsPeriodMs = 500;
constexpr UINT kFetchedMessage = WM_APP + 1;

enum Column { kName, kAddress, kLastRefresh, kResult, kColumns };

// A time of the schedule as the user reads it, in local time.
std::string LocalTimeText(std::int64_t seconds) {
    if (seconds <= 0) return "Never";
    const std::int64_t ticks = seconds * 10000000 + 116444736000000000LL;
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    FILETIME local{};
    SYSTEMTIME t{};
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &t)) return "";
    char text[40];
    std::snprintf(text, sizeof text, "%d-%d-%d %d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute);
    return text;
}

std::string ResultText(const Subscription& s) {
    if (s.lastTry == 0) return "Not fetched yet";
    if (s.failures == 0 || s.lastGood == 0) return s.result;
    return s.result + " The copy of " + LocalTimeText(s.lastGood) + " is shown.";
}

std::string ItemText(HWND control) {
    const int n = ::GetWindowTextLengthA(control);
    std::string text(n > 0 ? n + 1 : 1, '\0');
    ::GetWindowTextA(control, &text[0], static_cast<int>(text.size()));
    text.resize(n > 0 ? n : 0);
    return text;
}

void SetCell(HWND list, int row, int column, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    ::SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

BEGIN_MESSAGE_MAP(CCalendarsDlg, CDialog)
    OnCommand(IDC_CALENDAR_ADD, &ThisClass::OnAdd),
    OnCommand(IDC_CALENDAR_REMOVE, &ThisClass::OnRemove),
    OnCommand(IDC_CALENDAR_REFRESH, &ThisClass::OnRefreshNow),
    OnCommand(IDC_CALENDAR_REMINDERS, &ThisClass::OnRemindersClicked),
    OnMessage<WM_TIMER, &ThisClass::OnTimer>(),
    OnMessage<WM_NOTIFY, &ThisClass::OnNotify>(),
END_MESSAGE_MAP()

CCalendarsDlg::CCalendarsDlg(CalendarLayer& layer, CWnd* parent)
    : CDialog(IDD_CALENDARS, parent), m_layer(layer) {}

BOOL CCalendarsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    HWND list = GetDlgItem(IDC_CALENDAR_LIST);
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT client{};
    ::GetClientRect(list, &client);
    struct {
        const char* title;
        int share;  // of the width, in 20ths
    } const columns[kColumns] = {{"Name", 4}, {"Address", 6}, {"Last refresh", 4}, {"Result", 6}};
    for (int i = 0; i < kColumns; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(columns[i].title);
        column.cx = client.right * columns[i].share / 20;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    m_list = m_layer.Subscriptions();
    FillList();
    ::SetTimer(m_hWnd, kResultsTimer, kResultsPeriodMs, nullptr);
    return TRUE;
}

void CCalendarsDlg::FillList() {
    HWND list = GetDlgItem(IDC_CALENDAR_LIST);
    const int selected = Selected();
    ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < m_list.size(); ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(m_list[i].name.c_str());
        ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        SetCell(list, static_cast<int>(i), kAddress, m_list[i].location);
        SetCell(list, static_cast<int>(i), kLastRefresh, LocalTimeText(m_list[i].lastTry));
        SetCell(list, static_cast<int>(i), kResult, ResultText(m_list[i]));
    }
    const int row = std::min(selected < 0 ? 0 : selected, static_cast<int>(m_list.size()) - 1);
    if (row >= 0) {
        LVITEMA item{};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
    ShowSelection();
}

void CCalendarsDlg::TakeResults() {
    HWND list = GetDlgItem(IDC_CALENDAR_LIST);
    for (const Subscription& kept : m_layer.Subscriptions()) {
        for (std::size_t i = 0; i < m_list.size(); ++i) {
            Subscription& shown = m_list[i];
            if (shown.id != kept.id || shown.lastTry == kept.lastTry) continue;
            // The worker's results; the name and reminders stay the user's.
            const std::string name = shown.name;
            const bool reminders = shown.reminders;
            shown = kept;
            shown.name = name;
            shown.reminders = reminders;
            SetCell(list, static_cast<int>(i), kLastRefresh, LocalTimeText(shown.lastTry));
            SetCell(list, static_cast<int>(i), kResult, ResultText(shown));
        }
    }
}

int CCalendarsDlg::Selected() const {
    return static_cast<int>(::SendMessageA(GetDlgItem(IDC_CALENDAR_LIST), LVM_GETNEXTITEM,
                                           static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CCalendarsDlg::ShowSelection() {
    const int row = Selected();
    const bool any = row >= 0 && row < static_cast<int>(m_list.size());
    ::EnableWindow(GetDlgItem(IDC_CALENDAR_REMOVE), any);
    ::EnableWindow(GetDlgItem(IDC_CALENDAR_REMINDERS), any);
    ::CheckDlgButton(m_hWnd, IDC_CALENDAR_REMINDERS,
                     any && m_list[row].reminders ? BST_CHECKED : BST_UNCHECKED);
}

LRESULT CCalendarsDlg::OnNotify(NMHDR* header) {
    if (header->idFrom == IDC_CALENDAR_LIST && header->code == LVN_ITEMCHANGED) ShowSelection();
    return Default();
}

void CCalendarsDlg::OnTimer(UINT_PTR id) {
    if (id != kResultsTimer) {
        Default();
        return;
    }
    TakeResults();
}

void CCalendarsDlg::OnAdd() {
    std::string id = NewSubscriptionId();
    for (const Subscription& s : m_list)
        if (std::stoll(s.id) >= std::stoll(id)) id = std::to_string(std::stoll(s.id) + 1);
    for (const std::string& added : m_added)
        if (std::stoll(added) >= std::stoll(id)) id = std::to_string(std::stoll(added) + 1);
    CSubscribeDlg subscribe(id, this);
    if (subscribe.DoModal() != IDOK) return;
    m_added.insert(id);
    m_list.push_back(subscribe.Added());
    FillList();
    LVITEMA item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(GetDlgItem(IDC_CALENDAR_LIST), LVM_SETITEMSTATE, m_list.size() - 1,
                   reinterpret_cast<LPARAM>(&item));
}

void CCalendarsDlg::OnRemove() {
    const int row = Selected();
    if (row < 0 || row >= static_cast<int>(m_list.size())) return;
    m_list.erase(m_list.begin() + row);
    FillList();
}

void CCalendarsDlg::OnRefreshNow() {
    m_layer.RefreshAll();
    HWND list = GetDlgItem(IDC_CALENDAR_LIST);
    for (std::size_t i = 0; i < m_list.size(); ++i)
        if (m_added.count(m_list[i].id) == 0) SetCell(list, static_cast<int>(i), kResult, "Refreshing...");
}

void CCalendarsDlg::OnRemindersClicked() {
    const int row = Selected();
    if (row < 0 || row >= static_cast<int>(m_list.size())) return;
    m_list[row].reminders = ::IsDlgButtonChecked(m_hWnd, IDC_CALENDAR_REMINDERS) == BST_CHECKED;
}

void CCalendarsDlg::OnOK() {
    ::KillTimer(m_hWnd, kResultsTimer);
    m_layer.Apply(m_list);
    CDialog::OnOK();
}

void CCalendarsDlg::OnCancel() {
    ::KillTimer(m_hWnd, kResultsTimer);
    for (const std::string& id : m_added) RemoveSubscription(id);  // their copies
    CDialog::OnCancel();
}

// ---------------------------------------------------------------------------

// A fetch on a thread of its own; whoever ends last (the dialog or the
// thread) deletes it, and the copy it wrote when the dialog never took it
// (cancelled while the fetch ran).
struct CSubscribeDlg::Fetch {
    Subscription subscription;
    std::string error;
    HWND dialog = nullptr;
    LONG owners = 2;
    bool taken = false;  // the dialog took the subscription

    void Release() {
        if (::InterlockedDecrement(&owners) != 0) return;
        if (!taken && error.empty()) RemoveSubscription(subscription.id);
        delete this;
    }
};

BEGIN_MESSAGE_MAP(CSubscribeDlg, CDialog)
    OnPrivateMessage<kFetchedMessage, &ThisClass::OnFetched>(),
END_MESSAGE_MAP()

CSubscribeDlg::CSubscribeDlg(const std::string& id, CWnd* parent)
    : CDialog(IDD_SUBSCRIBE, parent), m_id(id) {}

CSubscribeDlg::~CSubscribeDlg() {
    if (m_fetch != nullptr) {
        ::InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&m_fetch->dialog), nullptr);
        m_fetch->Release();
    }
}

BOOL CSubscribeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    ::SendMessageA(GetDlgItem(IDC_SUBSCRIBE_ADDRESS), EM_LIMITTEXT, 2048, 0);
    ::SendMessageA(GetDlgItem(IDC_SUBSCRIBE_NAME), EM_LIMITTEXT, 200, 0);
    return TRUE;
}

void CSubscribeDlg::OnOK() {
    if (m_fetch != nullptr) return;  // one under way
    Subscription s;
    s.id = m_id;
    s.location = ItemText(GetDlgItem(IDC_SUBSCRIBE_ADDRESS));
    s.name = ItemText(GetDlgItem(IDC_SUBSCRIBE_NAME));
    const CalendarAddress address = CheckCalendarAddress(s.location);
    if (!address.error.empty()) {
        ::SetDlgItemTextA(m_hWnd, IDC_SUBSCRIBE_STATUS, address.error.c_str());
        return;
    }
    m_fetch = new Fetch{s, std::string(), m_hWnd};
    ::SetDlgItemTextA(m_hWnd, IDC_SUBSCRIBE_STATUS, "Fetching the calendar...");
    ::EnableWindow(GetDlgItem(IDOK), FALSE);
    Fetch* fetch = m_fetch;
    std::thread([fetch] {
        fetch->error = CalendarLayer::FetchNew(fetch->subscription);
        HWND dialog = static_cast<HWND>(::InterlockedCompareExchangePointer(
            reinterpret_cast<void* volatile*>(&fetch->dialog), nullptr, nullptr));
        if (dialog != nullptr) ::PostMessageA(dialog, kFetchedMessage, 0, 0);
        fetch->Release();
    }).detach();
}

LRESULT CSubscribeDlg::OnFetched() {
    if (m_fetch == nullptr) return 0;
    Fetch* fetch = m_fetch;
    m_fetch = nullptr;
    const std::string error = fetch->error;
    m_added = fetch->subscription;
    fetch->taken = true;
    fetch->Release();
    ::EnableWindow(GetDlgItem(IDOK), TRUE);
    if (!error.empty()) {
        ::SetDlgItemTextA(m_hWnd, IDC_SUBSCRIBE_STATUS, error.c_str());
        return 0;
    }
    EndDialog(IDOK);
    return 0;
}
