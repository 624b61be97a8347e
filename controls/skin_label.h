// CSkinLabel: a static text with its own font and colour, drawn either over
// a background of its own or straight over the parent (transparent), as the
// panel's month, year and weekday letters are. Every setter returns the label
// so calls chain, and redraws it together with the parent's pixels under it,
// so that a transparent label never keeps the remains of an old caption.
#pragma once

#include <windows.h>

#include "controls/skin_face.h"
#include "platform/handles.h"
#include "platform/wnd.h"

class CSkinLabel : public CSkinFace {
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

    DECLARE_MESSAGE_MAP()

protected:
    void PreSubclassWindow() override;
    void OnPaint();
    BOOL OnEraseBackground(HDC dc);
    HFONT OnGetFont();
    void OnSysColorChange();

private:
    void RebuildFont();
    void RepaintFace() override;
    // Under a transparent label, the parent's own drawing first.
    void DrawAtScratch(HDC scratch, const RECT& client, HWND parent, POINT place,
                       HDC background) override;
    void DrawFace(HDC dc, const RECT& client);  // over what the DC holds when transparent
    void DrawCaption(HDC dc, const RECT& client);

    COLORREF m_textColour;
    BrushHandle m_defaultBrush;
    BrushHandle m_customBrush;
    LOGFONTA m_logFont{};
    FontHandle m_font;
    bool m_transparent = false;
};
