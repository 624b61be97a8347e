// CSkinLabel: a static text with its own font and colour, drawn either over
// a background of its own or straight over the parent (transparent), as the
// panel's month, year and weekday letters are. Every setter returns the label
// so calls chain, and redraws it together with the parent's pixels under it,
// so that a transparent label never keeps the remains of an old caption.
#pragma once

#include <windows.h>

#include "platform/handles.h"
#include "platform/local_caption.h"
#include "platform/wnd.h"

class CSkinLabel : public CWnd {
public:
    CSkinLabel();
    ~CSkinLabel() override;

    virtual CSkinLabel& ApplyBackColour(COLORREF colour);
    virtual CSkinLabel& ApplyTextColour(COLORREF colour);
    virtual CSkinLabel& ApplyText(const char* text);
    virtual CSkinLabel& ApplyBold(bool bold);
    virtual CSkinLabel& ApplyFaceName(const char* face, BYTE charSet);
    virtual CSkinLabel& ApplyUnderline(bool underline);
    virtual CSkinLabel& ApplyItalic(bool italic);
    virtual CSkinLabel& ApplyPointSize(int points);
    virtual CSkinLabel& ApplyTransparency(bool transparent);

    COLORREF TextColour() const { return m_textColour; }
    bool IsTransparent() const { return m_transparent; }
    const LOGFONTA& LogFont() const { return m_logFont; }
    HFONT Font() const { return m_font.Get(); }

    // While held, changes repaint nothing: the owner draws the label itself
    // (PaintOnto), in its own paint, together with what else changed.
    void HoldRepaints(bool hold) { m_repaintsHeld = hold; }
    // From now on the caption lives in this object alone (LocalCaption),
    // until the next window is attached.
    void KeepCaptionHere();
    // Hands a kept caption that changed to the window system's copy, for
    // other processes and accessibility tools (LocalCaption::Publish).
    void PublishCaption() { m_caption.Publish(m_hWnd); }
    // Draws the label as its own paint would, at its place in the parent's
    // paint `dc`, through `scratch`: a memory DC at least the label's size.
    // `background` as for CSkinButton::PaintOnto.
    void PaintOnto(HDC dc, HDC scratch, HDC background = nullptr);

    DECLARE_MESSAGE_MAP()

protected:
    void PreSubclassWindow() override;
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnEraseBackground(WPARAM, LPARAM);
    LRESULT OnSetText(WPARAM, LPARAM);
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;  // a kept caption first
    LRESULT OnGetFont(WPARAM, LPARAM);
    LRESULT OnSysColorChange(WPARAM, LPARAM);

private:
    void RebuildFont();
    void Redraw();
    void DrawFace(HDC dc, const RECT& client);  // over what the DC holds when transparent
    void DrawCaption(HDC dc, const RECT& client);

    COLORREF m_textColour;
    BrushHandle m_defaultBrush;
    BrushHandle m_customBrush;
    LOGFONTA m_logFont{};
    FontHandle m_font;
    bool m_transparent = false;
    bool m_repaintsHeld = false;
    LocalCaption m_caption;
};
