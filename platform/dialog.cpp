#include "platform/dialog.h"

#include "platform/exception.h"
#include "platform/win_app.h"

// Enter, Escape, the close box and the system close command reach a dialog as
// IDOK / IDCANCEL commands; a derived map that names those ids wins.
BEGIN_MESSAGE_MAP(CDialog, CWnd)
    OnCommand(IDOK, &ThisClass::OnOKCommand),
    OnCommand(IDCANCEL, &ThisClass::OnCancelCommand),
    OnMessage<WM_SYSCOLORCHANGE, &ThisClass::OnSysColorChange>(),
END_MESSAGE_MAP()

namespace {
BOOL CALLBACK SendSysColorChange(HWND child, LPARAM) {
    ::SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}
}  // namespace

void CDialog::OnSysColorChange() {
    // The platform tells only top-level windows; controls that cache system
    // colours (skinned buttons, labels) hear of it from their dialog.
    ::EnumChildWindows(m_hWnd, &SendSysColorChange, 0);
    Default();
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

BOOL CDialog::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::EndDialog(int result) {
    m_result = result;
    m_running = false;
    // Wake the loop in case nothing else is queued.
    if (m_hWnd) ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

void CDialog::CenterWindow(HWND alternateOwner) {
    RECT self{};
    ::GetWindowRect(m_hWnd, &self);
    RECT area{};
    HWND owner = alternateOwner;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &area);
    } else {
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    if (x + width > work.right) x = work.right - width;
    if (y + height > work.bottom) y = work.bottom - height;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::StaticDlgProc(HWND wnd, UINT msg, WPARAM, LPARAM lp) {
    if (msg != WM_INITDIALOG) return FALSE;
    auto* self = reinterpret_cast<CDialog*>(lp);
    if (!self || !self->SubclassWindow(wnd)) return TRUE;
    RECT before{};
    ::GetWindowRect(wnd, &before);
    BOOL focusDefault = TRUE;
    try {
        focusDefault = self->OnInitDialog();
    } catch (const CException& e) {
        ReportException(e);
    }
    // A template placed at (0, 0) is centred on its owner, as users expect.
    RECT after{};
    ::GetWindowRect(wnd, &after);
    if (before.left == after.left && before.top == after.top)
        self->CenterWindow(::GetWindow(wnd, GW_OWNER));
    return focusDefault;
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd) return -1;
    HWND owner = m_parent ? m_parent->m_hWnd : nullptr;
    if (!owner) {
        CWinApp* app = CWinApp::Current();
        CWnd* main = app ? app->m_pMainWnd : nullptr;
        if (main && main != this) owner = main->m_hWnd;
    }
    const bool disableOwner = owner && ::IsWindowEnabled(owner);
    if (disableOwner) ::EnableWindow(owner, FALSE);

    m_result = -1;
    m_running = true;
    HWND wnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId),
                                    owner, &StaticDlgProc, reinterpret_cast<LPARAM>(this));
    if (!wnd) m_running = false;
    if (m_running && !::IsWindowVisible(wnd)) ::ShowWindow(wnd, SW_SHOWNORMAL);

    MSG msg;
    bool quit = false;
    int quitCode = 0;
    while (m_running) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {  // WM_QUIT: end this run and every enclosing one
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
            if (KeepRunningOnQuit()) continue;  // it ends the run itself, soon
            break;
        }
        if (got == -1) break;
        if (PreTranslateChain(&msg)) continue;
        if (m_hWnd && ::IsDialogMessageA(m_hWnd, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    m_running = false;
    if (quit) {
        ::PostQuitMessage(quitCode);
        m_result = -1;
    }

    if (disableOwner) ::EnableWindow(owner, TRUE);
    if (m_hWnd) {
        if (owner && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(owner);
        ::DestroyWindow(m_hWnd);
    }
    return m_result;
}

bool CDialog::PreTranslateMessage(MSG*) { return false; }

bool CDialog::PreTranslateChain(MSG* msg) {
    if (!m_hWnd) return false;
    for (HWND wnd = msg->hwnd; wnd; wnd = ::GetParent(wnd)) {
        if (CWnd* object = FromHandle(wnd)) {
            if (object->PreTranslateMessage(msg)) return true;
        }
        if (wnd == m_hWnd) break;
    }
    return false;
}

