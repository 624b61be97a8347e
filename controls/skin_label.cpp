#include "controls/skin_label.h"

#include <cstring>
#include <string>

#include "platform/display_scale.h"

BEGIN_MESSAGE_MAP(CSkinLabel, CSkinFace)
    OnMessage<WM_PAINT, &ThisClass::OnPaint>(),
    OnMessage<WM_ERASEBKGND, &ThisClass::OnEraseBackground>(),
    OnMessage<WM_GETFONT, &ThisClass::OnGetFont>(),
    OnMessage<WM_SYSCOLORCHANGE, &ThisClass::OnSysColorChange>(),
END_MESSAGE_MAP()

CSkinLabel::CSkinLabel()
    : m_textColour(::GetSysColor(COLOR_WINDOWTEXT)),
      m_defaultBrush(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE))) {}

CSkinLabel::~CSkinLabel() = default;

void CSkinLabel::PreSubclassWindow() {
    CSkinFace::PreSubclassWindow();
    HFONT current = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    if (!current) current = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
    ::GetObjectA(current, sizeof m_logFont, &m_logFont);
    RebuildFont();
}

// The font it draws with, not the one the dialog gave it (that one until
// it has its own).
HFONT CSkinLabel::OnGetFont() {
    return m_font ? m_font.Get() : reinterpret_cast<HFONT>(Default());
}

void CSkinLabel::RebuildFont() { m_font.Reset(::CreateFontIndirectA(&m_logFont)); }

void CSkinLabel::RepaintFace() {
    // Hidden, it paints in full on showing; held, its owner repaints it.
    if (RepaintsHeld() || !m_hWnd || !::IsWindowVisible(m_hWnd)) return;
    // A transparent label draws over whatever the parent left there, so the
    // parent must paint its own pixels under the label first: one repaint
    // of that spot, the parent's and then the label's, with the next paint
    // (a panel changing several things repaints once).
    HWND parent = ::GetParent(m_hWnd);
    if (!parent) {
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
        return;
    }
    RECT place{};
    ::GetWindowRect(m_hWnd, &place);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    ::RedrawWindow(parent, &place, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

CSkinLabel& CSkinLabel::ApplyBackColour(COLORREF colour) {
    m_customBrush.Reset(::CreateSolidBrush(colour));
    RepaintFace();
    return *this;
}

CSkinLabel& CSkinLabel::ApplyTextColour(COLORREF colour) {
    m_textColour = colour;
    RepaintFace();
    return *this;
}

CSkinLabel& CSkinLabel::ApplyText(const char* text) {
    if (m_hWnd) SetWindowText(text);
    RepaintFace();
    return *this;
}

CSkinLabel& CSkinLabel::ApplyBold(bool bold) {
    m_logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    RebuildFont();
    RepaintFace();
    return *this;
}

CSkinLabel& CSkinLabel::ApplyFaceName(const char* face, BYTE charSet) {
    std::strncpy(m_logFont.lfFaceName, face ? face : "", LF_FACESIZE - 1);
    m_logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    m_logFont.lfCharSet = charSet;
    RebuildFont();
    RepaintFace();
    return *this;
}

CSkinLabel& CSkinLabel::ApplyUnderline(bool underline) {
    m_logFont.lfUnderline = underline ? 1 : 0;
    RebuildFont();
    RepaintFace();
    return *this;
}

CSkinLabel& CSkinLabel::ApplyItalic(bool italic) {
    m_logFont.lfItalic = italic ? 1 : 0;
    RebuildFont();
    RepaintFace();
    return *this;
}

CSkinLabel& CSkinLabel::ApplyPointSize(int points) {
    // Let the platform turn points into the height for this display, in the
    // current face, then keep only the size from that font.
    const int tenths = points * 10;
    LOGFONTA request = m_logFont;
    request.lfHeight = -::MulDiv(tenths, SystemDpi(), 720);
    request.lfWidth = 0;
    FontHandle pointFont(::CreateFontIndirectA(&request));
    LOGFONTA built{};
    if (pointFont.Valid() && ::GetObjectA(pointFont.Get(), sizeof built, &built)) {
        m_logFont.lfHeight = built.lfHeight;
        m_logFont.lfWidth = built.lfWidth;
    }
    RebuildFont();
    RepaintFace();
    return *this;
}

CSkinLabel& CSkinLabel::ApplyTransparency(bool transparent) {
    m_transparent = transparent;
    if (m_hWnd) {
        LONG ex = ::GetWindowLongA(m_hWnd, GWL_EXSTYLE);
        ex = transparent ? (ex | WS_EX_TRANSPARENT) : (ex & ~WS_EX_TRANSPARENT);
        ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, ex);
    }
    RepaintFace();
    return *this;
}

BOOL CSkinLabel::OnEraseBackground(HDC) { return TRUE; }

void CSkinLabel::OnSysColorChange() {
    m_defaultBrush.Reset(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
    RepaintFace();
}

void CSkinLabel::OnPaint() {
    PaintDC paint(m_hWnd);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (m_transparent) {
        DrawFace(paint.Get(), client);
        return;
    }
    BitmapDC memory;
    if (!memory.Create(paint.Get(), client.right, client.bottom)) return;
    DrawFace(memory.Get(), client);
    ::BitBlt(paint.Get(), 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
}

void CSkinLabel::DrawAtScratch(HDC scratch, const RECT& client, HWND parent, POINT place,
                               HDC background) {
    // Under a transparent label lies the parent's own drawing, never the
    // screen's pixels.
    if (m_transparent && background) {
        ::BitBlt(scratch, 0, 0, client.right, client.bottom, background, place.x, place.y,
                 SRCCOPY);
    } else if (m_transparent) {
        POINT oldOrigin{};
        ::OffsetViewportOrgEx(scratch, -place.x, -place.y, &oldOrigin);
        ::SendMessageA(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(scratch), PRF_CLIENT);
        ::SetViewportOrgEx(scratch, oldOrigin.x, oldOrigin.y, nullptr);
    }
    DrawFace(scratch, client);
}

void CSkinLabel::DrawFace(HDC dc, const RECT& client) {
    if (!m_transparent)
        ::FillRect(dc, &client, m_customBrush.Valid() ? m_customBrush.Get() : m_defaultBrush.Get());
    DrawCaption(dc, client);
}

void CSkinLabel::DrawCaption(HDC dc, const RECT& client) {
    const std::string caption = CaptionText();
    const int savedDc = ::SaveDC(dc);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, m_textColour);
    if (m_font.Valid()) ::SelectObject(dc, m_font.Get());

    const LONG style = ::GetWindowLongA(m_hWnd, GWL_STYLE);
    UINT format;
    switch (style & 31) {
    case SS_CENTER:
        format = DT_CENTER | DT_WORDBREAK;
        break;
    case SS_RIGHT:
        format = DT_RIGHT | DT_WORDBREAK;
        break;
    case SS_LEFTNOWORDWRAP:
        format = DT_LEFT;
        break;
    default:
        format = DT_WORDBREAK;
        break;
    }
    if (caption.find('\t') != std::string::npos) format |= DT_EXPANDTABS;
    if (style & SS_CENTERIMAGE) {
        format = DT_CENTER;
        if (caption.find("\r\n") == std::string::npos) format |= DT_VCENTER | DT_SINGLELINE;
    }
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    RECT area = client;
    ::DrawTextA(dc, caption.c_str(), -1, &area, format);
    ::RestoreDC(dc, savedDc);
}
