// COffscreenDC: a drawing surface the size of one rectangle of a target DC.
// Draw into Get() with the target's logical coordinates; when the object goes
// away the surface is copied onto the target in one step, so the screen never
// shows a half-drawn control or menu item.
#pragma once

#include <windows.h>

#include "platform/handles.h"

class COffscreenDC {
public:
    // What the surface holds before anything is drawn on it.
    enum class Start {
        kCopy,        // what the target shows there
        kBackground,  // the target's background colour
        kUnfilled,    // whatever a new bitmap holds: the caller paints every pixel
    };

    // `rect` is in the target's logical units. On a printer DC, or when no
    // surface can be made, Get() is the target itself.
    COffscreenDC(HDC target, const RECT& rect, Start start);
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
