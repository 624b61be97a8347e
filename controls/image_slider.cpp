#include "controls/image_slider.h"

#include <cstdint>

#include "platform/display_scale.h"

BEGIN_MESSAGE_MAP(CImageSlider, CWnd)
    OnMessage<WM_PAINT, &ThisClass::OnPaint>(),
    OnMessage<WM_ERASEBKGND, &ThisClass::OnEraseBkgnd>(),
    OnMessage<WM_LBUTTONDOWN, &ThisClass::OnLButtonDown>(),
    OnMessage<WM_MOUSEMOVE, &ThisClass::OnMouseMove>(),
    OnMessage<WM_LBUTTONUP, &ThisClass::OnLButtonUp>(),
    OnMessage<WM_GETDLGCODE, &ThisClass::OnGetDlgCode>(),
    OnMessage<WM_KEYDOWN, &ThisClass::OnKeyDown>(),
    OnMessage<WM_SETFOCUS, &ThisClass::OnSetFocus>(),
    OnMessage<WM_KILLFOCUS, &ThisClass::OnKillFocus>(),
    OnMessage<WM_DESTROY, &ThisClass::OnDestroy>(),
END_MESSAGE_MAP()

void CImageSlider::PreSubclassWindow() {
    // A plain static lets clicks fall through to its parent; this one takes
    // them (and the focus that comes with them).
    const LONG_PTR style = ::GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, style | SS_NOTIFY);
    // A bitmap static loads its template's picture itself and never frees
    // it; this control paints its own copy, so the static's one goes now.
    if ((style & SS_TYPEMASK) == SS_BITMAP) {
        const BitmapHandle staticsOwn(reinterpret_cast<HBITMAP>(
            ::SendMessageA(m_hWnd, STM_SETIMAGE, IMAGE_BITMAP, 0)));
    }
}

bool CImageSlider::SetChannelPicture(UINT bitmapId, COLORREF transparent) {
    BitmapHandle picture(LoadScaledBitmap(bitmapId));
    if (!picture) return false;
    BITMAP info{};
    ::GetObjectA(picture.Get(), sizeof info, &info);
    const int width = info.bmWidth;
    const int height = info.bmHeight;

    // Mask: white where the picture has the transparent colour, black
    // elsewhere. Then blacken those pixels in the picture, so that drawing is
    // "mask AND screen, then picture OR screen".
    BitmapHandle mask(::CreateBitmap(width, height, 1, 1, nullptr));
    if (!mask) return false;
    {
        WindowDC screen(nullptr);
        MemoryDC pictureDc(screen.Get());
        MemoryDC maskDc(screen.Get());
        pictureDc.SelectBitmap(picture.Get());
        maskDc.SelectBitmap(mask.Get());
        ::SetBkColor(pictureDc.Get(), transparent);
        ::BitBlt(maskDc.Get(), 0, 0, width, height, pictureDc.Get(), 0, 0, SRCCOPY);
        ::SetTextColor(pictureDc.Get(), RGB(255, 255, 255));
        ::SetBkColor(pictureDc.Get(), RGB(0, 0, 0));
        ::BitBlt(pictureDc.Get(), 0, 0, width, height, maskDc.Get(), 0, 0, SRCAND);
    }
    m_bmChannel = std::move(picture);
    m_bmChannelMask = std::move(mask);
    m_nWidth = width;
    m_nHeight = height;
    if (m_hWnd) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::GetClientRect(m_hWnd, &m_rect);
        Invalidate(false);
    } else {
        m_rect = RECT{0, 0, width, height};
    }
    m_bTransparentChannel = true;
    m_bChannel = true;
    return true;
}

void CImageSlider::SetRange(int minimum, int maximum) {
    m_nMin = minimum;
    m_nMax = maximum < minimum ? minimum : maximum;
    m_nPos = Clamp(m_nPos);
}

void CImageSlider::SetPos(int value) {
    m_nPos = Clamp(value);
    if (m_hWnd) Invalidate(false);
}

int CImageSlider::Clamp(int value) const {
    if (value < m_nMin) return m_nMin;
    if (value > m_nMax) return m_nMax;
    return value;
}

int CImageSlider::PositionOfValue(int value) const {
    const int usable = m_nWidth - m_nMarginLeft - m_nMarginRight - m_nThumbWidth;
    // Whole numbers, so every build puts the thumb on the same pixel.
    const std::int64_t range = static_cast<std::int64_t>(m_nMax) - m_nMin;
    const std::int64_t along =
        range == 0 ? 0 : (static_cast<std::int64_t>(value) - m_nMin) * usable / range;
    return m_nMarginLeft + static_cast<int>(along) + m_nThumbWidth / 2;
}

int CImageSlider::ValueOfPosition(int position) const {
    const int usable = m_nWidth - m_nMarginLeft - m_nMarginRight - m_nThumbWidth;
    if (usable <= 0) return m_nMin;
    int offset = position - m_nMarginLeft - m_nThumbWidth / 2;
    if (offset < 0) offset = 0;
    if (offset > usable) offset = usable;
    // The nearest value, halves up, in whole numbers.
    const std::int64_t range = static_cast<std::int64_t>(m_nMax) - m_nMin;
    const std::int64_t twice = 2 * static_cast<std::int64_t>(offset) * range + usable;
    const std::int64_t step = twice >= 0 ? twice / (2 * usable) : -((-twice + 2 * usable - 1) / (2 * usable));
    return Clamp(static_cast<int>(m_nMin + step));
}

void CImageSlider::Notify(UINT message) const {
    HWND parent = ::GetParent(m_hWnd);
    if (parent)
        ::PostMessageA(parent, message, static_cast<WPARAM>(::GetDlgCtrlID(m_hWnd)),
                       static_cast<LPARAM>(m_nPos));
}

bool CImageSlider::PaintParentBackground(HDC dc) const {
    HWND parent = ::GetParent(m_hWnd);
    if (!parent) return false;
    // Shift the surface's origin so the parent's own coordinates land on
    // this control's pixels, and let the parent erase as it always does.
    POINT where{0, 0};
    ::MapWindowPoints(m_hWnd, parent, &where, 1);
    POINT oldOrigin{};
    ::GetWindowOrgEx(dc, &oldOrigin);
    ::SetWindowOrgEx(dc, oldOrigin.x + where.x, oldOrigin.y + where.y, nullptr);
    const int saved = ::SaveDC(dc);
    const LRESULT erased = ::SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ::RestoreDC(dc, saved);
    ::SetWindowOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    return erased != 0;
}

void CImageSlider::DrawChannel(HDC dc) const {
    MemoryDC source(dc);
    if (!m_bTransparentChannel) {
        source.SelectBitmap(m_bmChannel.Get());
        ::BitBlt(dc, 0, 0, m_nWidth, m_nHeight, source.Get(), 0, 0, SRCCOPY);
        return;
    }
    // Mask bits 1 (transparent) keep the screen, 0 clear it for the picture.
    const COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBk = ::SetBkColor(dc, RGB(255, 255, 255));
    source.SelectBitmap(m_bmChannelMask.Get());
    ::BitBlt(dc, 0, 0, m_nWidth, m_nHeight, source.Get(), 0, 0, SRCAND);
    source.SelectBitmap(m_bmChannel.Get());
    ::BitBlt(dc, 0, 0, m_nWidth, m_nHeight, source.Get(), 0, 0, SRCPAINT);
    ::SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBk);
}

void CImageSlider::OnPaint() {
    PaintDC paint(m_hWnd);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    {
        COffscreenDC surface(paint.Get(), client,
                             m_bTransparentChannel ? COffscreenDC::Start::kCopy
                                                   : COffscreenDC::Start::kBackground);
        HDC dc = surface.Get();
        // Redrawing the parent's background under the picture wipes any focus
        // rectangle of an earlier paint, whatever the screen holds now. Only
        // when the parent paints no background is the old rectangle, which
        // came in with the copied screen pixels, taken off by drawing it again.
        const bool fresh = m_bTransparentChannel && PaintParentBackground(dc);
        if (m_bFocusRect && !fresh) ::DrawFocusRect(dc, &client);
        m_bFocusRect = false;

        if (m_bChannel) DrawChannel(dc);

        if (m_bDrawFocusRect && m_bFocus && ::IsWindowEnabled(m_hWnd)) {
            ::DrawFocusRect(dc, &client);
            m_bFocusRect = true;
        }
    }
}

BOOL CImageSlider::OnEraseBkgnd(HDC) { return TRUE; }

// The pointer's x is signed: a drag beyond the left edge reads as negative.
void CImageSlider::OnLButtonDown(UINT, POINT at) {
    if (!::IsWindowEnabled(m_hWnd)) return;
    ::SetCapture(m_hWnd);
    ::SetFocus(m_hWnd);
    m_bDragging = true;
    const int centre = PositionOfValue(m_nPos);
    const int distance = at.x - centre;
    m_nDragOffset = (distance > m_nThumbWidth / 2 || -distance > m_nThumbWidth / 2) ? 0 : distance;
}

void CImageSlider::OnMouseMove(UINT, POINT at) {
    if (!m_bDragging) return;
    const int value = ValueOfPosition(at.x - m_nDragOffset);
    if (PositionOfValue(value) != PositionOfValue(m_nPos)) {
        m_nPos = value;
        Invalidate(false);
        Notify(WM_IMAGE_SLIDER_MOVING);
    }
}

void CImageSlider::OnLButtonUp(UINT, POINT) {
    if (!m_bDragging) return;
    m_bDragging = false;
    ::ReleaseCapture();
    Invalidate(false);
    Notify(WM_IMAGE_SLIDER_MOVED);
}

UINT CImageSlider::OnGetDlgCode(UINT, const MSG*) {
    if (::GetKeyState(VK_TAB) < 0) return static_cast<UINT>(Default());
    return DLGC_WANTARROWS;
}

void CImageSlider::OnKeyDown(UINT key, UINT, UINT) {
    if (!::IsWindowEnabled(m_hWnd)) {
        Default();
        return;
    }
    int value = m_nPos;
    switch (key) {
    case VK_PRIOR: value -= m_nPage; break;
    case VK_NEXT: value += m_nPage; break;
    case VK_END: value = m_nMax; break;
    case VK_HOME: value = m_nMin; break;
    case VK_RIGHT:
    case VK_DOWN: ++value; break;
    case VK_LEFT:
    case VK_UP: --value; break;
    default:
        Default();
        return;
    }
    m_nPos = Clamp(value);
    Invalidate(false);
    Notify(WM_IMAGE_SLIDER_MOVED);
}

void CImageSlider::OnSetFocus(HWND) {
    m_bFocus = true;
    Invalidate(false);
}

void CImageSlider::OnKillFocus(HWND) {
    m_bFocus = false;
    if (m_bDragging) {
        m_bDragging = false;
        ::ReleaseCapture();
    }
    Invalidate(false);
}

void CImageSlider::OnDestroy() {
    // The object outlives its window (the editor runs many times): start
    // the next window from a clean state.
    m_bmChannel.Reset();
    m_bmChannelMask.Reset();
    m_bChannel = false;
    m_bTransparentChannel = false;
    m_bFocus = false;
    m_bFocusRect = false;
    m_bDragging = false;
    Default();
}
