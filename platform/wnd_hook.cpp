#include "platform/wnd_hook.h"

CWndHookMap& WndHookMap() {
    // Created on first use and left alive at exit: hooks in static objects
    // may still unlink themselves while the program shuts down.
    static CWndHookMap* map = new CWndHookMap();
    return *map;
}

namespace {
CWndHook* NewestHook(HWND wnd) {
    CWndHookMap& map = WndHookMap();
    auto found = map.find(wnd);
    return found == map.end() ? nullptr : found->second;
}
}  // namespace

CWndHook::~CWndHook() {
    if (m_hWnd) Unlink();
}

bool CWndHook::Subclass(HWND wnd) {
    if (m_hWnd) {
        // Moving to another window, or releasing: leave the old one first.
        Unlink();
        m_oldWndProc = nullptr;
        m_hWnd = nullptr;
    }
    if (!wnd) return true;

    CWndHook* earlier = NewestHook(wnd);
    m_next = earlier;
    WndHookMap()[wnd] = this;
    if (earlier) {
        m_oldWndProc = earlier->m_oldWndProc;
    } else {
        m_oldWndProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookWndProc)));
    }
    m_hWnd = wnd;
    return true;
}

void CWndHook::Unlink() {
    CWndHookMap& map = WndHookMap();
    CWndHook* newest = NewestHook(m_hWnd);
    if (newest == this) {
        if (m_next) {
            map[m_hWnd] = m_next;
        } else {
            map.erase(m_hWnd);
            // Only our own procedure is put back: one installed over it by
            // someone else stays, and finds no hook here any more.
            if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC)) ==
                &HookWndProc)
                ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldWndProc));
        }
    } else {
        for (CWndHook* hook = newest; hook; hook = hook->m_next) {
            if (hook->m_next == this) {
                hook->m_next = m_next;
                break;
            }
        }
    }
    m_next = nullptr;
}

LRESULT CWndHook::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (m_next) return m_next->HandleMessage(msg, wp, lp);
    return ::CallWindowProcA(m_oldWndProc, m_hWnd, msg, wp, lp);
}

LRESULT CALLBACK CWndHook::HookWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWndHook* newest = NewestHook(wnd);
    if (!newest) return ::DefWindowProcA(wnd, msg, wp, lp);
    const LRESULT result = newest->HandleMessage(msg, wp, lp);
    // The window is gone: let go of it (hooks may have let go already, or
    // been destroyed, on the way; ask the map again).
    if (msg == WM_NCDESTROY) {
        while (CWndHook* hook = NewestHook(wnd)) hook->Subclass(nullptr);
    }
    return result;
}
