// CImageSlider: a slider drawn from a channel picture, attached to a static
// control. The memo editor uses it only as a focusable picture: a channel
// bitmap drawn through its mask so one colour shows what lies behind, no
// thumb. Keys and drags still move the value and tell the parent.
//
// Thumb pictures, the active-channel picture and the vertical orientation
// are never used by the program and are left out.
#pragma once

#include "controls/offscreen_dc.h"
#include "platform/handles.h"
#include "platform/wnd.h"

// Posted to the parent: wParam = control id, lParam = the new value.
constexpr UINT WM_IMAGE_SLIDER_MOVING = 0x28D1;  // during a drag
constexpr UINT WM_IMAGE_SLIDER_MOVED = 0x28D2;   // after a drag or a key

class CImageSlider : public CWnd {
public:
    CImageSlider() = default;
    ~CImageSlider() override = default;

    // Loads the channel bitmap and its mask for `transparent` and resizes the
    // control to the bitmap without moving it. False (nothing changed) when
    // the bitmap cannot be loaded.
    bool SetChannelPicture(UINT bitmapId, COLORREF transparent);

    void SetRange(int minimum, int maximum);
    int GetRangeMin() const { return m_nMin; }
    int GetRangeMax() const { return m_nMax; }
    void SetPos(int value);
    int GetPos() const { return m_nPos; }
    void SetPageSize(int step) { m_nPage = step; }
    bool IsFocusRectDrawn() const { return m_bFocusRect; }

    DECLARE_MESSAGE_MAP()

protected:
    void PreSubclassWindow() override;

private:
    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    void OnLButtonDown(UINT keys, POINT at);
    void OnMouseMove(UINT keys, POINT at);
    void OnLButtonUp(UINT keys, POINT at);
    UINT OnGetDlgCode(UINT key, const MSG* msg);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    void OnSetFocus(HWND losing);
    void OnKillFocus(HWND gaining);
    void OnDestroy();

    // Puts what the parent shows behind the control into `dc`; false when
    // the parent drew nothing.
    bool PaintParentBackground(HDC dc) const;
    void DrawChannel(HDC dc) const;
    int PositionOfValue(int value) const;  // along the width, in pixels
    int ValueOfPosition(int position) const;
    int Clamp(int value) const;
    void Notify(UINT message) const;

    int m_nMax = 100;
    int m_nMin = 0;
    int m_nPos = 0;
    int m_nPage = 20;
    RECT m_rect{};
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nThumbWidth = 0;
    int m_nThumbHeight = 0;
    int m_nMarginLeft = 0;
    int m_nMarginTop = 0;
    int m_nMarginRight = 0;
    int m_nMarginBottom = 0;
    int m_nDragOffset = 0;
    bool m_bTransparentChannel = false;
    bool m_bChannel = false;
    bool m_bDragging = false;
    bool m_bFocus = false;
    bool m_bFocusRect = false;  // the focus rectangle is on the screen now
    bool m_bDrawFocusRect = true;
    BitmapHandle m_bmChannel;
    BitmapHandle m_bmChannelMask;
};
