// COffscreenDC: a drawing surface the size of one rectangle of a target DC.
// Draw into Get() with the target's logical coordinates; when the object goes
// away the surface is copied onto the target in one step, so the screen never
// shows a half-drawn control.
#pragma once

#include <windows.h>

#include "platform/handles.h"

class COffscreenDC {
public:
    // `rect` is in the target's logical units. With `copyFirst` the surface
    // starts as a copy of what the target shows there; otherwise it is filled
    // with the target's background colour. On a printer DC no surface is made
    // and Get() is the target itself.
    COffscreenDC(HDC target, const RECT& rect, bool copyFirst);
    ~COffscreenDC();
    COffscreenDC(const COffscreenDC&) = delete;
    COffscreenDC& operator=(const COffscreenDC&) = delete;

    HDC Get() const { return m_bOffscreen ? m_surface.Get() : m_target; }
    const RECT& Rect() const { return m_rect; }
    bool IsOffscreen() const { return m_bOffscreen; }

private:
    HDC m_target;
    RECT m_rect;
    bool m_bOffscreen = false;
    BitmapDC m_surface;
};
