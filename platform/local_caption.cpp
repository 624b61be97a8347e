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

bool LocalCaption::OnSetText(const char* text) {
    if (!m_text) return false;
    m_text = text ? text : "";
    return true;
}

std::optional<int> LocalCaption::GetText(size_t size, char* buffer) const {
    if (!m_text) return std::nullopt;
    if (!buffer || size == 0) return 0;
    const size_t count = std::min(m_text->size(), size - 1);
    m_text->copy(buffer, count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

std::optional<int> LocalCaption::TextLength() const {
    if (!m_text) return std::nullopt;
    return static_cast<int>(m_text->size());
}
