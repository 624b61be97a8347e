#include "app/memo/find_memo_dlg.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "app/memo/memo_store.h"
#include "core/memo/memo_format.h"
#include "platform/private_messages.h"
#include "platform/wide_text.h"
#include "res/resource.h"

namespace {
std::string RemindText(const Date& date) {
    const auto notice = Memos().ReadNotice(date);
    if (!notice) return "";
    const auto time = ParseNoticeTime(*notice);
    if (!time) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", time->hour, time->minute);
    return text;
}

std::u16string Widened(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }
}  // namespace

BEGIN_MESSAGE_MAP(CFindMemoDlg, CDialog)
    OnCommand(IDC_FIND_WORDS, &ThisClass::OnWordsChanged, EN_CHANGE),
    OnPrivateMessage<WM_FIND_HITS, &ThisClass::OnFindHits>(),
    OnMessage<WM_NOTIFY, &ThisClass::OnNotify>(),
    OnMessage<WM_DESTROY, &ThisClass::OnDestroy>(),
END_MESSAGE_MAP()

CFindMemoDlg::CFindMemoDlg(CWnd* parent, unsigned codePage)
    : CDialog(IDD_FIND_MEMO, parent), m_codePage(codePage) {}

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
    // The memos are read once now, on the finder's worker; typing only looks again.
    m_finder.emplace(m_hWnd, WM_FIND_HITS, m_codePage);
    ::SetFocus(GetDlgItem(IDC_FIND_WORDS));
    return FALSE;  // the focus is set
}

void CFindMemoDlg::OnDestroy() {
    m_finder.reset();  // the worker ends and its index is given back now
    Default();
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

void CFindMemoDlg::OnWordsChanged() {
    if (!m_finder) return;
    HWND edit = GetDlgItem(IDC_FIND_WORDS);
    // The words as the edit holds them, in UTF-16: no trip through the code page.
    std::u16string query(static_cast<std::size_t>(::GetWindowTextLengthW(edit)) + 1, u'\0');
    query.resize(static_cast<std::size_t>(::GetWindowTextW(
        edit, reinterpret_cast<WCHAR*>(&query[0]), static_cast<int>(query.size()))));
    m_asked = m_finder->Seek(query);
    m_enterWaiting = false;
}

LRESULT CFindMemoDlg::OnFindHits() {
    if (!m_finder) return 0;
    MemoFinder::Batch batch = m_finder->Take();
    if (batch.generation < m_asked) return 0;  // for words no longer typed
    HWND list = GetDlgItem(IDC_FIND_LIST);
    const bool fresh = batch.generation != m_shown;
    if (fresh) {
        m_rows.clear();
        m_shown = batch.generation;
    }
    for (MemoFinder::Hit& hit : batch.hits) m_rows.push_back(Row{std::move(hit), std::nullopt});
    m_finished = batch.finished;
    // More dates below keep the selection and the scroll position.
    ::SendMessageA(list, LVM_SETITEMCOUNT, m_rows.size(),
                   fresh ? 0 : LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    if (fresh) ::InvalidateRect(list, nullptr, TRUE);
    if (fresh && !m_rows.empty()) {
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
        ::SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);
    }
    if (m_enterWaiting && (!m_rows.empty() || m_finished)) {
        m_enterWaiting = false;
        ChooseItem(0);
    }
    return 0;
}

std::u16string CFindMemoDlg::ColumnText(std::size_t index, int column) {
    if (index >= m_rows.size()) return u"";
    Row& row = m_rows[index];
    const Date& d = row.hit.date;
    if (column == 0) return Widened(DateText(d.year, d.month, d.day));
    if (column == 1) {
        if (!row.remind) row.remind = RemindText(d);
        return Widened(*row.remind);
    }
    return row.hit.line;
}

LRESULT CFindMemoDlg::OnNotify(NMHDR* header) {
    if (!header || header->idFrom != IDC_FIND_LIST) return Default();
    switch (header->code) {
    case LVN_GETDISPINFOA: {
        auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
        if (!(info->item.mask & LVIF_TEXT) || !info->item.pszText || info->item.cchTextMax <= 0)
            return 0;
        m_scratch = BytesOf(ColumnText(static_cast<std::size_t>(info->item.iItem), info->item.iSubItem),
                            CP_ACP);
        lstrcpynA(info->item.pszText, m_scratch.c_str(), info->item.cchTextMax);
        return 0;
    }
    case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        if (!(info->item.mask & LVIF_TEXT) || !info->item.pszText || info->item.cchTextMax <= 0)
            return 0;
        m_wideScratch = ColumnText(static_cast<std::size_t>(info->item.iItem), info->item.iSubItem);
        lstrcpynW(info->item.pszText, reinterpret_cast<const WCHAR*>(m_wideScratch.c_str()),
                  info->item.cchTextMax);
        return 0;
    }
    case NM_DBLCLK:
        ChooseItem(reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem);
        return 0;
    default:
        return Default();
    }
}

void CFindMemoDlg::OnOK() {
    // Enter means the typed words' result: before their first date is in,
    // the choice waits for it.
    if (m_shown < m_asked || (m_rows.empty() && !m_finished)) {
        m_enterWaiting = true;
        return;
    }
    const int selected = static_cast<int>(
        ::SendMessageA(GetDlgItem(IDC_FIND_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    ChooseItem(selected >= 0 ? selected : 0);
}

void CFindMemoDlg::ChooseItem(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_rows.size()) return;
    m_chosen = m_rows[static_cast<std::size_t>(index)].hit.date;
    EndDialog(IDOK);
}
