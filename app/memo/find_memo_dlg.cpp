#include "app/memo/find_memo_dlg.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "app/memo/memo_folder.h"
#include "app/memo/memo_store.h"
#include "core/memo/memo_format.h"
#include "platform/handles.h"
#include "res/resource.h"

namespace {
constexpr UINT_PTR kSearchTimer = 1;
// Typing on before this passes searches once, for the last text.
constexpr UINT kSearchDelayMs = 60;

std::string RemindText(const Date& date) {
    const auto notice = Memos().ReadNotice(date);
    if (!notice) return "";
    const auto time = ParseNoticeTime(*notice);
    if (!time) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", time->hour, time->minute);
    return text;
}
}  // namespace

BEGIN_MESSAGE_MAP(CFindMemoDlg, CDialog)
    OnCommand(IDC_FIND_WORDS, &ThisClass::OnWordsChanged, EN_CHANGE),
    OnMessage(WM_TIMER, &ThisClass::OnTimer),
    OnMessage(WM_NOTIFY, &ThisClass::OnNotify),
END_MESSAGE_MAP()

CFindMemoDlg::CFindMemoDlg(CWnd* parent) : CDialog(IDD_FIND_MEMO, parent) {}

BOOL CFindMemoDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    HWND list = GetDlgItem(IDC_FIND_LIST);
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT client{};
    ::GetClientRect(list, &client);
    const int width = client.right - ::GetSystemMetrics(SM_CXVSCROLL);
    struct {
        const char* title;
        int share;  // of the width, in 12ths
    } const columns[] = {{"Date", 3}, {"Remind", 2}, {"Memo", 7}};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(columns[i].title);
        column.cx = width * columns[i].share / 12;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    // Everything read once now: the searches while typing only look again.
    TheMemoFolder().Refresh();
    ::SetFocus(GetDlgItem(IDC_FIND_WORDS));
    return FALSE;  // the focus is set
}

bool CFindMemoDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && msg->hwnd == GetDlgItem(IDC_FIND_WORDS) &&
        (msg->wParam == VK_UP || msg->wParam == VK_DOWN || msg->wParam == VK_PRIOR ||
         msg->wParam == VK_NEXT)) {
        ::SendMessageA(GetDlgItem(IDC_FIND_LIST), WM_KEYDOWN, msg->wParam, msg->lParam);
        return true;
    }
    return CDialog::PreTranslateMessage(msg);
}

void CFindMemoDlg::OnWordsChanged() { ::SetTimer(m_hWnd, kSearchTimer, kSearchDelayMs, nullptr); }

LRESULT CFindMemoDlg::OnTimer(WPARAM id, LPARAM) {
    if (id != kSearchTimer) return Default();
    ::KillTimer(m_hWnd, kSearchTimer);
    Search();
    return 0;
}

void CFindMemoDlg::Search() {
    HWND edit = GetDlgItem(IDC_FIND_WORDS);
    std::string query(static_cast<std::size_t>(::GetWindowTextLengthA(edit)) + 1, '\0');
    query.resize(static_cast<std::size_t>(
        ::GetWindowTextA(edit, &query[0], static_cast<int>(query.size()))));
    const std::vector<std::string> words = QueryWords(query, &IsAnsiLeadByte);
    MemoFolder& folder = TheMemoFolder();
    folder.Refresh();
    m_rows.clear();
    if (!words.empty())
        for (MemoHit& hit : folder.Find(words)) m_rows.push_back(Row{std::move(hit), std::nullopt});
    HWND list = GetDlgItem(IDC_FIND_LIST);
    ::SendMessageA(list, LVM_SETITEMCOUNT, m_rows.size(), 0);
    ::InvalidateRect(list, nullptr, TRUE);
    if (m_rows.empty()) return;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    ::SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);
}

std::string CFindMemoDlg::ColumnText(std::size_t index, int column) {
    if (index >= m_rows.size()) return "";
    Row& row = m_rows[index];
    const Date& d = row.hit.date;
    if (column == 0) return DateText(d.year, d.month, d.day);
    if (column == 1) {
        if (!row.remind) row.remind = RemindText(d);
        return *row.remind;
    }
    return row.hit.line;
}

LRESULT CFindMemoDlg::OnNotify(WPARAM, LPARAM lp) {
    const auto* header = reinterpret_cast<const NMHDR*>(lp);
    if (!header || header->idFrom != IDC_FIND_LIST) return Default();
    switch (header->code) {
    case LVN_GETDISPINFOA: {
        auto* info = reinterpret_cast<NMLVDISPINFOA*>(lp);
        if (!(info->item.mask & LVIF_TEXT) || !info->item.pszText || info->item.cchTextMax <= 0)
            return 0;
        m_scratch = ColumnText(static_cast<std::size_t>(info->item.iItem), info->item.iSubItem);
        lstrcpynA(info->item.pszText, m_scratch.c_str(), info->item.cchTextMax);
        return 0;
    }
    case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(lp);
        if (!(info->item.mask & LVIF_TEXT) || !info->item.pszText || info->item.cchTextMax <= 0)
            return 0;
        m_scratch = ColumnText(static_cast<std::size_t>(info->item.iItem), info->item.iSubItem);
        const int length = ::MultiByteToWideChar(CP_ACP, 0, m_scratch.c_str(), -1, nullptr, 0);
        m_wideScratch.assign(length > 0 ? length : 1, L'\0');
        if (length > 0)
            ::MultiByteToWideChar(CP_ACP, 0, m_scratch.c_str(), -1, &m_wideScratch[0], length);
        lstrcpynW(info->item.pszText, m_wideScratch.c_str(), info->item.cchTextMax);
        return 0;
    }
    case NM_DBLCLK:
        ChooseItem(reinterpret_cast<const NMITEMACTIVATE*>(lp)->iItem);
        return 0;
    default:
        return Default();
    }
}

void CFindMemoDlg::OnOK() {
    // Words typed just now are searched first: Enter means their result.
    if (::KillTimer(m_hWnd, kSearchTimer)) Search();
    const int selected = static_cast<int>(
        ::SendMessageA(GetDlgItem(IDC_FIND_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    ChooseItem(selected >= 0 ? selected : 0);
}

void CFindMemoDlg::ChooseItem(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_rows.size()) return;
    m_chosen = m_rows[static_cast<std::size_t>(index)].hit.date;
    EndDialog(IDOK);
}
