#include "controls/offscreen_dc.h"

COffscreenDC::COffscreenDC(HDC target, const RECT& rect, Start start)
    : m_target(target), m_rect(rect) {
    if (!target || ::GetDeviceCaps(target, TECHNOLOGY) == DT_RASPRINTER) return;

    // The bitmap is sized in device units; drawing stays in logical units.
    POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
    ::LPtoDP(target, corners, 2);
    const int width = corners[1].x - corners[0].x;
    const int height = corners[1].y - corners[0].y;
    if (!m_surface.Create(target, width, height)) return;
    m_bOffscreen = true;

    HDC surface = m_surface.Get();
    ::SetMapMode(surface, ::GetMapMode(target));
    SIZE extent{};
    ::GetWindowExtEx(target, &extent);
    ::SetWindowExtEx(surface, extent.cx, extent.cy, nullptr);
    ::GetViewportExtEx(target, &extent);
    ::SetViewportExtEx(surface, extent.cx, extent.cy, nullptr);
    ::SetWindowOrgEx(surface, rect.left, rect.top, nullptr);

    const int logicalWidth = rect.right - rect.left;
    const int logicalHeight = rect.bottom - rect.top;
    if (start == Start::kCopy) {
        ::BitBlt(surface, rect.left, rect.top, logicalWidth, logicalHeight, target, rect.left,
                 rect.top, SRCCOPY);
    } else if (start == Start::kBackground) {
        BrushHandle background(::CreateSolidBrush(::GetBkColor(target)));
        ::FillRect(surface, &rect, background.Get());
    }
}

COffscreenDC::~COffscreenDC() {
    if (!m_bOffscreen) return;
    ::BitBlt(m_target, m_rect.left, m_rect.top, m_rect.right - m_rect.left,
             m_rect.bottom - m_rect.top, m_surface.Get(), m_rect.left, m_rect.top, SRCCOPY);
}
