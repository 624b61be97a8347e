#include "platform/local_caption.h"

#include <algorithm>

void LocalCaption::Keep(const std::string& current) {
    if (m_text) return;
    m_text = current;
    m_published = current;
}

bool LocalCaption::Publish(HWND wnd) {
    if (!m_text || m_published == m_text) return false;
    ::DefWindowProcA(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(m_text->c_str()));
    // Windows' DefWindowProc raises the event itself, Wine's (8.0) does not;
    // a listener that hears it twice only reads the name once more. It
    // costs nothing while no tool listens.
    ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, wnd, OBJID_WINDOW, CHILDID_SELF);
    m_published = m_text;
    return true;
}

bool LocalCaption::OnSetText(LPARAM lp) {
    if (!m_text) return false;
    m_text = lp ? reinterpret_cast<const char*>(lp) : "";
    return true;
}

bool LocalCaption::Answer(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) const {
    if (!m_text || (msg != WM_GETTEXT && msg != WM_GETTEXTLENGTH)) return false;
    if (msg == WM_GETTEXTLENGTH) {
        result = static_cast<LRESULT>(m_text->size());
        return true;
    }
    char* buffer = reinterpret_cast<char*>(lp);
    result = 0;
    if (!buffer || wp == 0) return true;
    const size_t count = std::min(m_text->size(), static_cast<size_t>(wp) - 1);
    m_text->copy(buffer, count);
    buffer[count] = '\0';
    result = static_cast<LRESULT>(count);
    return true;
}
