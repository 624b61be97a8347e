// CWndHook: the one way this program subclasses a window it did not create
// with its own class: it sees the window's messages by replacing the
// window's procedure with one shared hook procedure. Several hooks can sit
// on one window: the newest is asked first and hands on to the one installed
// before it, the oldest to the procedure the window had before any hook.
// Hooks may be released in any order. WM_NCDESTROY goes down the chain like
// any message; every hook still on the window afterwards is released then.
//
// The class layer's subclassing (CWnd::SubclassWindow), the menu-window
// takeover and the tray icon's hooks are all built on it.
#pragma once

#include <windows.h>

#include <unordered_map>

class CWndHook {
public:
    CWndHook() = default;
    virtual ~CWndHook();
    CWndHook(const CWndHook&) = delete;
    CWndHook& operator=(const CWndHook&) = delete;

    // Hooks `wnd`, or with null releases the hook. Always returns true.
    bool Subclass(HWND wnd);
    bool IsHooked() const { return m_hWnd != nullptr; }
    HWND GetHwnd() const { return m_hWnd; }

    // The procedure shared by every hooked window.
    static LRESULT CALLBACK HookWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

protected:
    // Default: hand on to the next hook, else to the saved procedure. A hook
    // may release itself (or be destroyed) on the way back from this call.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Unlink();

    HWND m_hWnd = nullptr;
    WNDPROC m_oldWndProc = nullptr;  // the window's procedure before any hook
    CWndHook* m_next = nullptr;      // installed before this one
};

// Window → newest hook of that window; one per process. Only the
// user-interface thread touches it, so it has no lock.
using CWndHookMap = std::unordered_map<HWND, CWndHook*>;
CWndHookMap& WndHookMap();
