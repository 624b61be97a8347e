#include "app/tray/tray_icon.h"

#include <cstring>
#include <string>

#include "controls/menus/themed_menu.h"
#include "core/memo/memo_format.h"
#include "core/tools/install_dir.h"
#include "platform/display_scale.h"
#include "platform/shell_calls.h"
#include "platform/win_app.h"
#include "platform/wnd.h"

namespace {

// Copies at most size - 1 bytes and always terminates, never splitting a
// double-byte character of the ANSI code page.
void CopyTip(char* target, size_t size, const char* source) {
    size_t n = 0;
    while (source[n] != '\0') {
        const size_t step = (::IsDBCSLeadByte(static_cast<BYTE>(source[n])) && source[n + 1]) ? 2 : 1;
        if (n + step > size - 1) break;
        n += step;
    }
    std::memcpy(target, source, n);
    target[n] = '\0';
}

}  // namespace

void FormatTrayTip(char (&tip)[24], int year, int month, int day) {
    CopyTip(tip, sizeof tip, DateText(year, month, day).c_str());
}

UINT CTrayIcon::TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

CTrayIcon::CTrayIcon() {
    std::memset(&m_data, 0, sizeof m_data);
    m_data.cbSize = kTrayRecordSize;
    m_data.uID = kTrayIconId;
    TaskbarCreatedMessage();  // registered before the first broadcast can come
}

CTrayIcon::~CTrayIcon() {
    StopRetry();
    if (m_data.hIcon) {
        SetShellFlags();
        NotifyShell(NIM_DELETE, &m_data);
        m_data.hIcon = nullptr;
    }
    m_parentHook.Subclass(nullptr);
    m_wndHook.Subclass(nullptr);
}

// The tip and message flags for what the record holds.
void CTrayIcon::SetShellFlags() {
    if (m_data.szTip[0] != '\0') m_data.uFlags |= NIF_TIP;
    if (m_data.uCallbackMessage && m_data.hWnd) m_data.uFlags |= NIF_MESSAGE;
}

void CTrayIcon::SetNotifyWnd(HWND wnd) {
    m_data.hWnd = wnd;
    m_data.uCallbackMessage = WM_TRAY_NOTIFY;
    if (!wnd) {
        m_wndHook.Subclass(nullptr);
        return;
    }
    m_wndHook.Subclass(wnd);
    HWND top = ::GetAncestor(wnd, GA_ROOT);
    // A window that is its own top level needs no second hook: one left on it
    // from an earlier child window would handle every message twice.
    m_parentHook.Subclass(top != wnd ? top : nullptr);  // null releases it
    // The shell broadcasts to top-level windows only.
    if (top && m_filter) m_filter(top, TaskbarCreatedMessage());
}

CTrayIcon::MessageFilterCall CTrayIcon::PlatformMessageFilter() {
    // Looked up, not imported: the program must start where user32 lacks it.
    using FilterFn = decltype(&::ChangeWindowMessageFilterEx);
    static const FilterFn filter = reinterpret_cast<FilterFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("user32.dll"), "ChangeWindowMessageFilterEx")));
    if (!filter) return nullptr;
    return [](HWND wnd, UINT message) { return filter(wnd, message, MSGFLT_ALLOW, nullptr); };
}

BOOL CTrayIcon::SetTrayIcon(HICON icon, const char* tip) {
    m_data.uFlags = 0;
    DWORD operation = NIM_ADD;
    if (icon) {
        operation = m_data.hIcon ? NIM_MODIFY : NIM_ADD;
        m_data.hIcon = icon;
        m_data.uFlags |= NIF_ICON;
    } else {
        if (!m_data.hIcon) return TRUE;
        operation = NIM_DELETE;
    }
    if (tip) CopyTip(m_data.szTip, sizeof m_data.szTip, tip);
    SetShellFlags();
    const BOOL result = NotifyShell(operation, &m_data);
    if (operation == NIM_DELETE || !result) m_data.hIcon = nullptr;
    if (icon && !result) {
        ArmRetry(icon);
    } else {
        StopRetry();
    }
    return result;
}

void CTrayIcon::ArmRetry(HICON icon) {
    m_retryIcon = icon;
    if (m_retryWnd || !m_data.hWnd) return;
    if (::SetTimer(m_data.hWnd, kTrayRetryTimer, kTrayRetryPeriodMs, nullptr))
        m_retryWnd = m_data.hWnd;
}

void CTrayIcon::StopRetry() {
    if (m_retryWnd) ::KillTimer(m_retryWnd, kTrayRetryTimer);
    m_retryWnd = nullptr;
    m_retryIcon = nullptr;
}

void CTrayIcon::RetryAdd() {
    if (!m_retryIcon) {
        StopRetry();
        return;
    }
    m_data.hIcon = m_retryIcon;
    m_data.uFlags = NIF_ICON;
    SetShellFlags();
    // A busy shell may report a timeout for an add it did carry out; then
    // the add fails from now on but a change succeeds.
    if (NotifyShell(NIM_ADD, &m_data) || NotifyShell(NIM_MODIFY, &m_data)) {
        StopRetry();
    } else {
        m_data.hIcon = nullptr;
    }
}

BOOL CTrayIcon::NotifyShell(DWORD operation, NOTIFYICONDATAA* data) {
    return m_shell ? m_shell(operation, data) : ShellNotifyIcon(operation, data);
}

LRESULT CTrayIcon::HandleTrayMouse(WPARAM iconId, LPARAM mouseMessage) {
    if (iconId != m_data.uID) return 0;
    if (mouseMessage != WM_RBUTTONUP && mouseMessage != WM_LBUTTONDBLCLK) return 0;

    const bool visible = m_data.hWnd && ::IsWindowVisible(m_data.hWnd);
    CThemedMenu menu;
    if (!menu.CreatePopupMenu()) return 0;
    int position = 0;
    for (const TrayMenuItem& item : TrayMenuItems(visible)) {
        if (item.command == kTrayCommandExit && m_syncItem)
            menu.InsertMenu(position++, MF_STRING, kTrayCommandSyncNow, "Sync now");
        menu.InsertMenu(position++, MF_STRING, item.command, item.text);
    }

    if (mouseMessage == WM_RBUTTONUP) {
        menu.SetDefaultItem(0);
        POINT cursor{};
        ::GetCursorPos(&cursor);
        ::SetForegroundWindow(m_data.hWnd);
        CWinApp* app = CWinApp::Current();
        HWND owner = app && app->m_pMainWnd && app->m_pMainWnd->GetSafeHwnd()
                         ? app->m_pMainWnd->GetSafeHwnd()
                         : m_data.hWnd;
        TrackTrayMenu(menu, cursor.x, cursor.y - ScalePixels(35), owner);
    } else {
        ::SendMessageA(m_data.hWnd, WM_COMMAND, TrayDoubleClickCommand(visible), 0);
    }
    return 1;
}

void CTrayIcon::TrackTrayMenu(CThemedMenu& menu, int x, int y, HWND owner) {
    menu.TrackPopupMenu(TPM_RIGHTBUTTON | TPM_VCENTERALIGN, x, y, owner);
}

LRESULT CTrayIcon::ReAddIcon(WPARAM, LPARAM) {
    // An icon still waiting for its first add gets its chance now too.
    HICON icon = m_data.hIcon ? m_data.hIcon : m_retryIcon;
    if (!icon) return 0;
    m_data.hIcon = icon;
    m_data.uFlags = NIF_ICON;
    SetShellFlags();
    if (NotifyShell(NIM_ADD, &m_data)) {
        StopRetry();
    } else {
        m_data.hIcon = nullptr;
        ArmRetry(icon);
    }
    return 0;
}

LRESULT CTrayIcon::CTrayHook::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == kTrayRetryTimer && GetHwnd() == m_owner->m_retryWnd) {
        m_owner->RetryAdd();
        return 0;  // our timer: the window has nothing to do with it
    }
    if (msg == m_owner->m_data.uCallbackMessage && GetHwnd() == m_owner->m_data.hWnd) {
        m_owner->HandleTrayMouse(wp, lp);
    } else if (msg == TaskbarCreatedMessage()) {
        m_owner->ReAddIcon(wp, lp);
    }
    return CWndHook::HandleMessage(msg, wp, lp);
}
