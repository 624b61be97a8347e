// CTrayIcon: the program's icon in the notification area, its tip, and the
// Show/Hide/Exit menu of a right click. It sees the notification window's
// messages through window hooks, so that window needs no forwarding code:
// the callback message, and the shell's "TaskbarCreated" broadcast after
// which the icon is added again.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>

#include "platform/private_messages.h"
#include "platform/wnd_hook.h"

class CThemedMenu;

// The record is the version-3 form of NOTIFYICONDATAA (504 bytes on 32-bit
// Windows): everything up to the balloon icon, which the program never uses.
constexpr DWORD kTrayRecordSize = NOTIFYICONDATAA_V3_SIZE;
#if !defined(_WIN64)
static_assert(kTrayRecordSize == 504, "32-bit notification record");
#endif
static_assert(sizeof(NOTIFYICONDATAA) >= kTrayRecordSize, "record fits the platform's type");

constexpr UINT kTrayIconId = 164;
// A refused add (at log-on the taskbar may not exist yet) is tried again on
// this timer of the notification window until the shell takes the icon.
constexpr UINT_PTR kTrayRetryTimer = 0x7A41;
constexpr UINT kTrayRetryPeriodMs = 2000;

class CTrayIcon {
public:
    CTrayIcon();
    virtual ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // The window that gets the callback message and owns the icon (null:
    // none). It and its top-level parent are hooked, and the top-level
    // window lets "TaskbarCreated" through the message filter: an elevated
    // program would otherwise never hear that Explorer restarted.
    void SetNotifyWnd(HWND wnd);
    // Adds, changes (icon given) or removes (null) the icon; `tip` (at most
    // 127 characters kept) replaces the tip when given. True on success;
    // removing an icon that is not shown succeeds without asking the shell.
    // When the shell refuses an icon, it is offered again every
    // kTrayRetryPeriodMs (with a notification window) until it is taken.
    BOOL SetTrayIcon(HICON icon, const char* tip = nullptr);

    // Right button released: the menu; double click: its first command.
    // Returns 1 when handled.
    virtual LRESULT HandleTrayMouse(WPARAM iconId, LPARAM mouseMessage);
    // After the taskbar was recreated: add the icon again. Returns 0.
    virtual LRESULT ReAddIcon(WPARAM, LPARAM);

    // The menu offers "Sync now" (before Exit) while a calendar server is set.
    void SetSyncItem(bool shown) { m_syncItem = shown; }

    bool IsIconShown() const { return m_data.hIcon != nullptr; }
    bool IsRetryPending() const { return m_retryIcon != nullptr; }
    const NOTIFYICONDATAA& Record() const { return m_data; }
    // The message the shell broadcasts when the taskbar is created.
    static UINT TaskbarCreatedMessage();

    class CTrayHook : public CWndHook {
    public:
        explicit CTrayHook(CTrayIcon* owner) : m_owner(owner) {}

    protected:
        LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

    private:
        CTrayIcon* m_owner;
    };

protected:
    // Replaces Shell_NotifyIconA (tests); the destructor uses it too.
    using ShellCall = std::function<BOOL(DWORD, NOTIFYICONDATAA*)>;
    void SetShellCall(ShellCall call) { m_shell = std::move(call); }
    // Shows the menu and returns when it closes; tests replace it to look at
    // the built menu instead.
    virtual void TrackTrayMenu(CThemedMenu& menu, int x, int y, HWND owner);
    // Lets a message through a window's message filter. The platform's
    // ChangeWindowMessageFilterEx where user32 has it; empty on systems
    // without one (they filter nothing). Tests replace it to watch it.
    using MessageFilterCall = std::function<BOOL(HWND, UINT)>;
    static MessageFilterCall PlatformMessageFilter();
    void SetMessageFilterCall(MessageFilterCall call) { m_filter = std::move(call); }

private:
    void SetShellFlags();
    BOOL NotifyShell(DWORD operation, NOTIFYICONDATAA* data);
    void ArmRetry(HICON icon);
    void StopRetry();
    void RetryAdd();

    NOTIFYICONDATAA m_data;
    CTrayHook m_wndHook{this};
    CTrayHook m_parentHook{this};
    ShellCall m_shell;
    MessageFilterCall m_filter = PlatformMessageFilter();
    HICON m_retryIcon = nullptr;  // the icon the shell refused, while retrying
    bool m_syncItem = false;
    HWND m_retryWnd = nullptr;    // the window whose timer retries
};

// The tip of the day: "%d-%d-%d" of year, month and day, e.g. "2008-1-9".
void FormatTrayTip(char (&tip)[24], int year, int month, int day);
