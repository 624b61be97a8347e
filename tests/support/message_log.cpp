#include "tests/support/message_log.h"

namespace {
const char kLogProperty[] = "VellumoTestMessageLog";
}  // namespace

MessageLog::MessageLog(HWND wnd) : m_wnd(wnd) {
    if (!::IsWindow(wnd)) return;
    ::SetPropA(wnd, kLogProperty, this);
    m_previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageLog::Proc)));
}

MessageLog::~MessageLog() {
    if (!m_previous || !::IsWindow(m_wnd)) return;
    // Whoever stood in front of the log since has let go by now (the tests
    // end their hooks first); the window's procedure is as before.
    ::SetWindowLongPtrA(m_wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previous));
    ::RemovePropA(m_wnd, kLogProperty);
}

LRESULT CALLBACK MessageLog::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* log = static_cast<MessageLog*>(::GetPropA(wnd, kLogProperty));
    if (!log) return ::DefWindowProcA(wnd, msg, wp, lp);
    log->m_log.push_back({msg, wp, lp});
    const WNDPROC previous = log->m_previous;
    if (msg == WM_NCDESTROY) {
        // The window goes before the log: give the procedure back now.
        ::SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        ::RemovePropA(wnd, kLogProperty);
        log->m_previous = nullptr;
    }
    return ::CallWindowProcA(previous, wnd, msg, wp, lp);
}

std::vector<LoggedMessage> MessageLog::Of(UINT msg) const {
    std::vector<LoggedMessage> found;
    for (const LoggedMessage& m : m_log)
        if (m.msg == msg) found.push_back(m);
    return found;
}

int MessageLog::Count(UINT msg) const { return static_cast<int>(Of(msg).size()); }
