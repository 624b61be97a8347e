// CSkinFace: what the painted faces (the skinned button and label) share.
// Each can keep its caption in the object (no trip through the window system
// per change), hold its repaints while its owner sets many faces up at once,
// and draw itself onto its parent's paint, so that a parent repainting many
// faces does so in one paint of its own instead of one per face. Each kind
// says how it draws (DrawAtScratch) and when it repaints (RepaintFace).
#pragma once

#include <windows.h>

#include <string>

#include "platform/local_caption.h"
#include "platform/wnd.h"

class CSkinFace : public CWnd {
public:
    // While held, changes of look and text repaint nothing: the owner
    // repaints the face itself (PaintOnto), in its own paint, together with
    // what else changed.
    void HoldRepaints(bool hold) { m_repaintsHeld = hold; }
    // From now on the caption lives in this object alone: WM_SETTEXT and
    // WM_GETTEXT are answered here, without the window system's copy (a trip
    // through it per change, which adds up when an owner renames many faces
    // at once). Another
    // process's GetWindowText, which reads that copy, sees the caption
    // PublishCaption last handed over. Until the next window is attached.
    void KeepCaptionHere();
    // Hands a kept caption that changed to the window system's copy, for
    // other processes and accessibility tools (LocalCaption::Publish).
    void PublishCaption() { m_caption.Publish(m_hWnd); }
    // The caption to draw and a new one, as WM_GETTEXT and WM_SETTEXT have
    // them: the kept one, else the window system's. Without the messages
    // (each a pass through the window system, and a month step renames every
    // day cell).
    std::string CaptionText() const;
    void SetCaption(const char* text);
    // Draws the face as its own paint does, at its place in the parent's
    // paint `dc`. `scratch` is a memory DC holding a bitmap at least the
    // face's size, which it draws on first, at the origin: text that starts
    // left of the face lands on the same pixels as in its own DC (drawn
    // straight into the parent's DC, it lands a pixel off). `background`,
    // when given, holds the parent's own background at the parent's client
    // coordinates: a transparent face's is one blit from there instead of a
    // paint of the parent's.
    void PaintOnto(HDC dc, HDC scratch, HDC background = nullptr);

    DECLARE_MESSAGE_MAP()

protected:
    bool RepaintsHeld() const { return m_repaintsHeld; }
    // Where the face's client area (`client`, its own) starts in its
    // parent's client area.
    virtual POINT PlaceInParent(HWND parent, const RECT& client);
    // PaintOnto's drawing: the whole face on `scratch`, clipped to `client`
    // at the origin. `place` is PlaceInParent's.
    virtual void DrawAtScratch(HDC scratch, const RECT& client, HWND parent, POINT place,
                               HDC background) = 0;
    // A look or the text changed: repaint as the kind does (nothing while
    // held).
    virtual void RepaintFace() = 0;

    // Starts afresh with each window attached: the window system's caption.
    void PreSubclassWindow() override { m_caption.Drop(); }
    // A kept caption answers these itself.
    BOOL OnSetText(const char* text);
    int OnGetText(size_t size, char* buffer);
    int OnGetTextLength();

private:
    LocalCaption m_caption;  // kept from KeepCaptionHere on
    bool m_repaintsHeld = false;
};
