#include "controls/skin_face.h"

#include <optional>

BEGIN_MESSAGE_MAP(CSkinFace, CWnd)
    OnMessage<WM_SETTEXT, &ThisClass::OnSetText>(),
    OnMessage<WM_GETTEXT, &ThisClass::OnGetText>(),
    OnMessage<WM_GETTEXTLENGTH, &ThisClass::OnGetTextLength>(),
END_MESSAGE_MAP()

void CSkinFace::KeepCaptionHere() { m_caption.Keep(GetWindowText()); }

std::string CSkinFace::CaptionText() const {
    return m_caption.Kept() ? m_caption.Text() : GetWindowText();
}

// The caption is the face's to draw: the control class would repaint at
// once, in its own look and only itself (a themed button through the window
// system, several round trips), in the middle of whatever else its owner is
// changing.
BOOL CSkinFace::OnSetText(const char* text) {
    const BOOL result = m_caption.OnSetText(text)
                            ? TRUE
                            : static_cast<BOOL>(::DefWindowProcA(
                                  m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
    RepaintFace();
    return result;
}

void CSkinFace::SetCaption(const char* text) {
    if (!m_caption.Kept()) {
        SetWindowText(text);  // the window system holds it: its message
        return;
    }
    m_caption.OnSetText(text);
    RepaintFace();
}

int CSkinFace::OnGetText(size_t size, char* buffer) {
    if (const std::optional<int> copied = m_caption.GetText(size, buffer)) return *copied;
    return static_cast<int>(Default());
}

int CSkinFace::OnGetTextLength() {
    if (const std::optional<int> length = m_caption.TextLength()) return *length;
    return static_cast<int>(Default());
}

POINT CSkinFace::PlaceInParent(HWND parent, const RECT& client) {
    RECT place = client;
    ::MapWindowPoints(m_hWnd, parent, reinterpret_cast<POINT*>(&place), 2);
    return {place.left, place.top};
}

void CSkinFace::PaintOnto(HDC dc, HDC scratch, HDC background) {
    HWND parent = m_hWnd ? ::GetParent(m_hWnd) : nullptr;
    if (!parent || !scratch) return;
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    // Outside what the parent's paint may change, drawing is work for nothing.
    const POINT place = PlaceInParent(parent, client);
    RECT inParent = client;
    ::OffsetRect(&inParent, place.x, place.y);
    if (!::RectVisible(dc, &inParent)) return;

    const int saved = ::SaveDC(scratch);
    ::IntersectClipRect(scratch, 0, 0, client.right, client.bottom);
    DrawAtScratch(scratch, client, parent, place, background);
    ::RestoreDC(scratch, saved);
    ::BitBlt(dc, place.x, place.y, client.right, client.bottom, scratch, 0, 0, SRCCOPY);
}
