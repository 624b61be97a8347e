#include "controls/skin_button.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>

namespace {
constexpr UINT_PTR kToolId = 1;
constexpr int kMaxTipWidth = 400;

RECT ToRect(const ButtonRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
ButtonRect ToButtonRect(const RECT& r) { return ButtonRect{r.left, r.top, r.right, r.bottom}; }

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    BrushHandle brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rect, brush.Get());
}

void FrameSolid(HDC dc, const RECT& rect, COLORREF colour) {
    BrushHandle brush(::CreateSolidBrush(colour));
    ::FrameRect(dc, &rect, brush.Get());
}

// Two-colour 3-D rectangle: `topLeft` along the top and left edges,
// `bottomRight` along the bottom and right ones.
void Draw3dRect(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    FillSolid(dc, RECT{r.left, r.top, r.left + w - 1, r.top + 1}, topLeft);
    FillSolid(dc, RECT{r.left, r.top, r.left + 1, r.top + h - 1}, topLeft);
    FillSolid(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    FillSolid(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
}
}  // namespace

BEGIN_MESSAGE_MAP(CSkinButton, CSkinFace)
    OnMessage<WM_MOUSEMOVE, &ThisClass::OnMouseMove>(),
    OnMessage<WM_MOUSELEAVE, &ThisClass::OnMouseLeave>(),
    OnMessage<WM_KILLFOCUS, &ThisClass::OnKillFocus>(),
    OnMessage<WM_CANCELMODE, &ThisClass::OnCancelMode>(),
    OnMessage<WM_ACTIVATE, &ThisClass::OnActivate>(),
    OnMessage<WM_ENABLE, &ThisClass::OnEnable>(),
    OnMessage<WM_SYSCOLORCHANGE, &ThisClass::OnSysColorChange>(),
    OnMessage<WM_GETDLGCODE, &ThisClass::OnGetDlgCode>(),
    OnMessage<BM_SETSTYLE, &ThisClass::OnSetStyle>(),
    OnMessage<BM_GETIMAGE, &ThisClass::OnGetImage>(),
    OnMessage<WM_WINDOWPOSCHANGED, &ThisClass::OnWindowPosChanged>(),
    OnMessage<WM_UPDATEUISTATE, &ThisClass::OnUpdateUiState>(),
END_MESSAGE_MAP()

CSkinButton::CSkinButton() { ResetColours(); }

CSkinButton::~CSkinButton() = default;

void CSkinButton::ResetColours() {
    for (int i = 0; i < 6; ++i)
        m_colours[i] = ::GetSysColor(i % 2 == 0 ? COLOR_BTNFACE : COLOR_BTNTEXT);
}

void CSkinButton::PreSubclassWindow() {
    CSkinFace::PreSubclassWindow();
    // What the last window left: its hover, press and focus, its place and
    // its tip.
    m_hover = m_pressed = m_focused = m_disabled = false;
    m_placeKnown = false;
    m_tooltip.Destroy();
    m_tipText.clear();

    // The button type is read at each paint; the frame does not change, so
    // no frame recalculation (a trip through the window system per button).
    const LONG style = ::GetWindowLongA(m_hWnd, GWL_STYLE);
    const LONG type = style & 31;
    m_defaultButton = type == BS_DEFPUSHBUTTON;
    ::SetWindowLongA(m_hWnd, GWL_STYLE, (style & ~31L) | BS_OWNERDRAW);
    RepaintIfShown();
    // The tip window comes later, with the first relayed mouse message: a
    // panel of many buttons shows sooner without a window each.
}

void CSkinButton::PostNcDestroy() {
    // The tip's tool was this window; a tip left behind would point at nothing.
    m_tooltip.Destroy();
}

// ---------------------------------------------------------------- settings --

void CSkinButton::AssignIcon(HICON icon, int size) {
    m_icon.Reset();
    m_iconWidth = m_iconHeight = 0;
    IconHandle owned(icon);  // ours from here on, kept only when it can be read
    ICONINFO info{};
    if (owned && size > 0) {
        m_icon = std::move(owned);
        m_iconWidth = m_iconHeight = size;
    } else if (owned && ::GetIconInfo(owned.Get(), &info)) {
        // GetIconInfo hands us copies of the icon's bitmaps.
        BitmapHandle mask(info.hbmMask);
        BitmapHandle colour(info.hbmColor);
        m_icon = std::move(owned);
        m_iconWidth = static_cast<int>(info.xHotspot) * 2;
        m_iconHeight = static_cast<int>(info.yHotspot) * 2;
    }
    RepaintIfShown();
}

void CSkinButton::SetFlatStyle(bool flat) {
    m_flat = flat;
    RepaintIfShown();
}

void CSkinButton::SetBorderDrawn(bool draw) {
    m_drawBorder = draw;
    RepaintIfShown();
}

void CSkinButton::SetTransparentBack(bool transparent) {
    m_transparent = transparent;
    RepaintIfShown();
}

void CSkinButton::SetStateColour(int index, COLORREF colour) {
    // The same colour again repaints nothing (the month grid sets all three
    // text colours of every cell at each step).
    if (index < 0 || index > 5 || m_colours[index] == colour) return;
    m_colours[index] = colour;
    RepaintIfShown();
}

// A hidden button paints in full when it shows again, and one whose owner
// holds its repaints is repainted by that owner: asking the window system
// to repaint it now costs round trips for nothing (a month step sets every
// cell's look).
void CSkinButton::RepaintIfShown() {
    if (m_hWnd && !RepaintsHeld() && ::IsWindowVisible(m_hWnd)) Invalidate();
}

COLORREF CSkinButton::StateColour(int index) const {
    return index >= 0 && index <= 5 ? m_colours[index] : 0;
}

// ----------------------------------------------------------------- tooltip --

bool CButtonTip::Create(HWND button) {
    if (m_hWnd) return true;
    // No prefix processing: a memo's "&" shows as typed, not as an underline.
    HWND tip = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, button,
                                 nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (!tip) return false;
    if (!SubclassWindow(tip)) {
        ::DestroyWindow(tip);
        return false;
    }
    return true;
}

void CButtonTip::Destroy() {
    // A handle whose window went without telling us may name another window
    // by now; only our own window carries this object.
    if (m_hWnd && FromHandle(m_hWnd) == this) ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

void CSkinButton::CreateTooltip() {
    if (m_tooltip.m_hWnd || !m_hWnd) return;
    if (!m_tooltip.Create(m_hWnd)) return;
    ::SendMessageA(m_tooltip.m_hWnd, TTM_ACTIVATE, FALSE, 0);
    ::SendMessageA(m_tooltip.m_hWnd, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
}

void CSkinButton::SetTipText(const char* text) {
    if (!text || !m_hWnd || m_tipText == text) return;
    m_tipText = text;
    // Without a window yet, the tip waits for the first mouse message: a
    // panel of many tipped buttons shows sooner without a window each.
    if (m_tooltip.m_hWnd) ApplyTipText();
}

void CSkinButton::ApplyTipText() {
    HWND tip = m_tooltip.m_hWnd;
    if (!tip) return;
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = m_hWnd;
    tool.uId = kToolId;
    tool.hinst = ::GetModuleHandleA(nullptr);
    tool.lpszText = const_cast<char*>(m_tipText.c_str());
    if (::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0) == 0) {
        ::GetClientRect(m_hWnd, &tool.rect);
        ::SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ::SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageA(tip, TTM_ACTIVATE, TRUE, 0);
}

bool CSkinButton::PreTranslateMessage(MSG* msg) {
    // A tip only ever follows the mouse: a paint or a timer makes no window.
    if (msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST && !m_tooltip.m_hWnd) {
        CreateTooltip();
        if (!m_tipText.empty()) ApplyTipText();
    }
    if (m_tooltip.m_hWnd)
        ::SendMessageA(m_tooltip.m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    if (msg->message == WM_LBUTTONDBLCLK) msg->message = WM_LBUTTONDOWN;
    return CWnd::PreTranslateMessage(msg);
}

// --------------------------------------------------------------- messages --

bool CSkinButton::OnReflectedCommand(UINT code) {
    if (code == BN_CLICKED) ::SetFocus(m_hWnd);
    return false;  // the parent still gets its command
}

bool CSkinButton::OnReflectedDrawItem(const DRAWITEMSTRUCT& item) {
    DrawItem(item);
    return true;
}

HBRUSH CSkinButton::OnReflectedCtlColor(UINT msg, HDC) {
    // The owner-draw button erases with this: erase nothing.
    if (msg != WM_CTLCOLORBTN && msg != WM_CTLCOLORSTATIC) return nullptr;
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

void CSkinButton::OnMouseMove(UINT, POINT) {
    Default();
    POINT cursor{};
    ::GetCursorPos(&cursor);
    HWND under = ::WindowFromPoint(cursor);
    if ((::GetKeyState(VK_LBUTTON) & 0x8000) && !m_hover) return;
    if (!m_flat) return;
    const bool allowed = m_alwaysTrack || ::GetActiveWindow() != nullptr;
    if (under == m_hWnd && allowed) {
        if (m_hover) return;
        m_hover = true;
        Invalidate();
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = m_hWnd;
        ::TrackMouseEvent(&track);
    } else if (m_hover) {
        m_hover = false;
        Invalidate();
    }
}

void CSkinButton::LeaveHover() {
    if (m_flat && m_hover) {
        m_hover = false;
        Invalidate();
    }
}

void CSkinButton::OnWindowPosChanged(const WINDOWPOS* pos) {
    // A child's new position comes in its parent's client coordinates.
    if (pos && !(pos->flags & SWP_NOMOVE)) {
        m_placeInParent = {pos->x, pos->y};
        m_placeKnown = true;
    }
    Default();
}

// The keyboard cues turned on or off: a focused button's mark follows.
void CSkinButton::OnUpdateUiState(UINT, UINT) {
    Default();
    if (m_focusMark && m_focused) Invalidate();
}

void CSkinButton::OnMouseLeave() { LeaveHover(); }

void CSkinButton::OnKillFocus(HWND) {
    Default();
    LeaveHover();
}

void CSkinButton::OnCancelMode() {
    Default();
    LeaveHover();
}

void CSkinButton::OnActivate(UINT state, HWND, bool) {
    Default();
    if (state == WA_INACTIVE) LeaveHover();
}

void CSkinButton::OnEnable(bool enabled) {
    Default();
    if (!enabled) {
        HWND parent = ::GetParent(m_hWnd);
        HWND next = parent ? ::GetNextDlgTabItem(parent, m_hWnd, FALSE) : nullptr;
        ::SetFocus(next && next != m_hWnd ? next : parent);
        LeaveHover();
    }
}

void CSkinButton::OnSysColorChange() {
    Default();
    ResetColours();
    RepaintIfShown();
}

UINT CSkinButton::OnGetDlgCode(UINT, const MSG*) {
    UINT code = static_cast<UINT>(Default());
    code &= ~static_cast<UINT>(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
    return code | (m_defaultButton ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

void CSkinButton::OnSetStyle(UINT style, BOOL redraw) {
    // The dialog manager moves the default-button look with BM_SETSTYLE; keep
    // the owner drawing and remember which look was asked for.
    const UINT type = style & 31;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) m_defaultButton = type == BS_DEFPUSHBUTTON;
    DefWindowProc(BM_SETSTYLE, (style & ~31u) | BS_OWNERDRAW, redraw);
}

// The icon it draws, as a button with an image names it (owner drawn, the
// button itself holds none).
HANDLE CSkinButton::OnGetImage(UINT type) { return type == IMAGE_ICON ? m_icon.Get() : nullptr; }

// ---------------------------------------------------------------- painting --

ButtonState CSkinButton::CurrentState() const {
    ButtonState s;
    s.pressed = m_pressed;
    s.hovered = m_hover;
    s.focused = m_focused;
    s.disabled = m_disabled;
    s.flat = m_flat;
    s.drawBorder = m_drawBorder;
    s.defaultButton = m_defaultButton;
    s.flatFocus = m_flatFocus;
    return s;
}

void CSkinButton::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    m_pressed = ButtonPressed((item.itemState & ODS_SELECTED) != 0, false, 0, false);
    m_focused = (item.itemState & ODS_FOCUS) != 0;
    m_disabled = (item.itemState & ODS_DISABLED) != 0;

    RECT itemRect = item.rcItem;
    const int savedMode = ::SetBkMode(dc, TRANSPARENT);
    if (m_transparent) {
        PaintParentBackground(dc, itemRect);
    } else {
        PaintFace(dc, itemRect);
    }
    PaintEdge(dc, itemRect);

    const std::string caption = CaptionText();
    RECT captionRect = itemRect;
    if (m_icon.Valid())
        PaintIcon(dc, !caption.empty(), itemRect, captionRect, m_pressed, m_disabled);
    if (!caption.empty())
        PaintCaption(dc, caption.c_str(), itemRect, captionRect, m_pressed, m_disabled);

    if (m_cornerMark) PaintCornerMark(dc, itemRect);
    if (m_focusMark && m_focused &&
        !(SendMessage(WM_QUERYUISTATE) & UISF_HIDEFOCUS))
        PaintFocusMark(dc, itemRect, !caption.empty());
    if (DrawsFocusRect(CurrentState())) {
        RECT focus = itemRect;
        ::InflateRect(&focus, -3, -3);
        ::DrawFocusRect(dc, &focus);
    }
    ::SetBkMode(dc, savedMode);
}

void CSkinButton::PaintFocusMark(HDC dc, const RECT& rect, bool hasCaption) {
    const COLORREF colour =
        hasCaption ? m_colours[static_cast<int>(CaptionColourSlots(CurrentState()).text)]
                   : RGB(255, 255, 255);
    const int height = rect.bottom - rect.top;
    const int pen = height >= 24 ? 2 : 1;
    const int round = std::max(3, height / 3);
    PenHandle frame(::CreatePen(PS_SOLID, pen, colour));
    SelectGuard usePen(dc, frame.Get());
    SelectGuard noFill(dc, ::GetStockObject(NULL_BRUSH));
    ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, round, round);
}

void CSkinButton::SetCornerMark(bool on) {
    if (m_cornerMark == on) return;
    m_cornerMark = on;
    RepaintIfShown();
}

void CSkinButton::PaintCornerMark(HDC dc, const RECT& rect) {
    // A bar along the bottom edge, under the caption, as thick as the scale
    // allows without touching it.
    const COLORREF colour = m_colours[static_cast<int>(CaptionColourSlots(CurrentState()).text)];
    const int height = rect.bottom - rect.top;
    const int thickness = std::max(1, height / 7);
    const int inset = std::max(1, static_cast<int>(rect.right - rect.left) / 6);
    const RECT bar{rect.left + inset, rect.bottom - thickness, rect.right - inset, rect.bottom};
    BrushHandle fill(::CreateSolidBrush(colour));
    ::FillRect(dc, &bar, fill.Get());
}

POINT CSkinButton::PlaceInParent(HWND parent, const RECT&) {
    if (!m_placeKnown) {
        RECT place{};
        ::GetWindowRect(m_hWnd, &place);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
        m_placeInParent = {place.left, place.top};
        m_placeKnown = true;
    }
    return m_placeInParent;
}

void CSkinButton::PaintParentBackground(HDC dc, const RECT& rect) {
    HWND parent = ::GetParent(m_hWnd);
    if (!parent) {
        FillSolid(dc, rect, m_colours[static_cast<int>(ButtonColourSlot::BackgroundOut)]);
        return;
    }
    // The parent paints itself into our DC, shifted so that the button's
    // corner is the origin and clipped to the button. Its own drawing, not
    // the screen's pixels: another window over it is never copied.
    const POINT place = PlaceInParent(parent, rect);
    if (m_background) {
        ::BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 m_background, place.x + rect.left, place.y + rect.top, SRCCOPY);
        return;
    }
    POINT oldOrigin{};
    ::OffsetViewportOrgEx(dc, -place.x, -place.y, &oldOrigin);
    ::SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ::SendMessageA(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::SetViewportOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
}

void CSkinButton::DrawAtScratch(HDC scratch, const RECT& client, HWND, POINT, HDC background) {
    // What the button class hands the owner-draw: the client rectangle, the
    // button's font and its pushed, focus and enabled state.
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(::GetDlgCtrlID(m_hWnd));
    item.itemAction = ODA_DRAWENTIRE;
    const LRESULT state = SendMessage(BM_GETSTATE);
    if (state & BST_PUSHED) item.itemState |= ODS_SELECTED;
    if (state & BST_FOCUS) item.itemState |= ODS_FOCUS;
    if (!::IsWindowEnabled(m_hWnd)) item.itemState |= ODS_DISABLED;
    item.hwndItem = m_hWnd;
    item.hDC = scratch;
    item.rcItem = client;
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT));
    ::SelectObject(scratch, font ? font : ::GetStockObject(SYSTEM_FONT));
    m_background = background;
    DrawItem(item);
    m_background = nullptr;
}

void CSkinButton::PaintFace(HDC dc, RECT& rect) {
    const ButtonState s = CurrentState();
    if (FaceHasBlackFrame(s)) {
        ::FrameRect(dc, &rect, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::InflateRect(&rect, -1, -1);
    }
    FillSolid(dc, rect, m_colours[static_cast<int>(FaceColourSlot(s))]);
}

void CSkinButton::PaintEdge(HDC dc, const RECT& rect) {
    switch (EdgeKind(CurrentState())) {
    case ButtonEdge::None:
        break;
    case ButtonEdge::Sunken3D:
        Draw3dRect(dc, rect, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHILIGHT));
        break;
    case ButtonEdge::Raised3D:
        Draw3dRect(dc, rect, ::GetSysColor(COLOR_BTNHILIGHT), ::GetSysColor(COLOR_BTNSHADOW));
        break;
    case ButtonEdge::ShadowFrame:
        FrameSolid(dc, rect, ::GetSysColor(COLOR_BTNSHADOW));
        break;
    case ButtonEdge::ClassicRaised: {
        PenHandle highlight(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHILIGHT)));
        PenHandle light(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_3DLIGHT)));
        PenHandle dark(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_3DDKSHADOW)));
        PenHandle shadow(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW)));
        const RECT& r = rect;
        {
            SelectGuard pen(dc, highlight.Get());
            Line(dc, r.left, r.bottom - 1, r.left, r.top);
            Line(dc, r.left, r.top, r.right, r.top);
        }
        {
            SelectGuard pen(dc, light.Get());
            Line(dc, r.left + 1, r.bottom - 2, r.left + 1, r.top + 1);
            Line(dc, r.left + 1, r.top + 1, r.right - 1, r.top + 1);
        }
        {
            SelectGuard pen(dc, dark.Get());
            Line(dc, r.left, r.bottom - 1, r.right - 1, r.bottom - 1);
            Line(dc, r.right - 1, r.bottom - 1, r.right - 1, r.top - 1);
        }
        {
            SelectGuard pen(dc, shadow.Get());
            Line(dc, r.left + 1, r.bottom - 2, r.right - 2, r.bottom - 2);
            Line(dc, r.right - 2, r.bottom - 2, r.right - 2, r.top);
        }
        break;
    }
    }
}

void CSkinButton::PaintIcon(HDC dc, bool hasCaption, const RECT& item, RECT& caption, bool pressed,
                            bool disabled) {
    ButtonState s = CurrentState();
    s.pressed = pressed;
    ImageMetrics m = m_metrics;
    m.width = m_iconWidth;
    m.height = m_iconHeight;
    const ImageLayout place = PlaceImage(ToButtonRect(item), m_align, hasCaption, s, m);
    caption = ToRect(place.caption);
    // Only the in-icon is ever set, so it is the one drawn in every state.
    ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(m_icon.Get()), 0, place.x, place.y,
                 m_iconWidth, m_iconHeight, DST_ICON | (disabled ? DSS_DISABLED : DSS_NORMAL));
}

void CSkinButton::PaintCaption(HDC dc, const char* caption, const RECT&, RECT& captionRect,
                               bool pressed, bool disabled) {
    ButtonState s = CurrentState();
    s.pressed = pressed;
    s.disabled = disabled;
    RECT area = ToRect(CaptionRect(ToButtonRect(captionRect), s, m_metrics.pressOffsetX,
                                   m_metrics.pressOffsetY));
    RECT text = area;
    ::DrawTextA(dc, caption, -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    // The text is placed by its advance widths; a glyph whose ink reaches
    // past them (a narrowed font above 100 %) must not be cut there.
    constexpr UINT kDraw = DT_WORDBREAK | DT_CENTER | DT_NOCLIP;
    const int w = text.right - text.left;
    const int h = text.bottom - text.top;
    text.left = area.left + ((area.right - area.left) - w) / 2;
    text.top = area.top + ((area.bottom - area.top) - h) / 2;
    text.right = text.left + w;
    text.bottom = text.top + h;

    const CaptionColours colours = CaptionColourSlots(s);
    if (colours.engraved) {
        RECT shifted = text;
        ::OffsetRect(&shifted, 1, 1);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHILIGHT));
        ::DrawTextA(dc, caption, -1, &shifted, kDraw);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
        ::DrawTextA(dc, caption, -1, &text, kDraw);
        return;
    }
    ::SetTextColor(dc, m_colours[static_cast<int>(colours.text)]);
    ::SetBkColor(dc, m_colours[static_cast<int>(colours.background)]);
    ::DrawTextA(dc, caption, -1, &text, kDraw);
}

// ------------------------------------------------------------ XP variant --

BEGIN_MESSAGE_MAP(CSkinButtonXP, CSkinButton)
    OnMessage<WM_MOUSEMOVE, &ThisClass::OnMouseMoveXP>(),
END_MESSAGE_MAP()

void CSkinButtonXP::OnMouseMoveXP(UINT, POINT) {
    ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
    Default();
}
