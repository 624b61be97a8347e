#include "controls/skin_face.h"

BEGIN_MESSAGE_MAP(CSkinFace, CWnd)
    OnMessage(WM_SETTEXT, &ThisClass::OnSetText),
END_MESSAGE_MAP()

void CSkinFace::KeepCaptionHere() { m_caption.Keep(GetWindowText()); }

std::string CSkinFace::CaptionText() const {
    return m_caption.Kept() ? m_caption.Text() : GetWindowText();
}

// The caption is the face's to draw: the control class would repaint at
// once, in its own look and only itself (a themed button through the window
// system, several round trips), in the middle of whatever else its owner is
// changing.
LRESULT CSkinFace::OnSetText(WPARAM wp, LPARAM lp) {
    const LRESULT result =
        m_caption.OnSetText(lp) ? TRUE : ::DefWindowProcA(m_hWnd, WM_SETTEXT, wp, lp);
    RepaintFace();
    return result;
}

LRESULT CSkinFace::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    return m_caption.Answer(msg, wp, lp, result) ? result : CWnd::WindowProc(msg, wp, lp);
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
