#include "controls/ticker_ctrl.h"

#include <algorithm>
#include <cstring>

#include "platform/display_scale.h"

namespace {
const char kTickerClass[] = "VellumoScroller";

// Where the first copy starts, the gap between header and text and the gap
// below the text (these last two make up the 15 of the content height).
constexpr int kFirstTop = 5;
constexpr int kHeaderGap = 5;
constexpr int kBottomGap = 10;
constexpr int kSideMargin = 5;

// A strip larger than this is not worth its memory; such a text is drawn
// afresh at each paint instead.
constexpr long long kMaxStripBytes = 32LL * 1024 * 1024;

UINT TextFormat(bool draw) {
    UINT format = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_LEFT;
    if (!draw) format |= DT_CALCRECT | DT_NOCLIP;
    return format;
}

TickerScroll ScrollRequest(UINT code) {
    switch (code) {
    case SB_LINEUP: return TickerScroll::LineUp;
    case SB_LINEDOWN: return TickerScroll::LineDown;
    case SB_PAGEUP: return TickerScroll::PageUp;
    case SB_PAGEDOWN: return TickerScroll::PageDown;
    case SB_THUMBPOSITION: return TickerScroll::ThumbPosition;
    case SB_THUMBTRACK: return TickerScroll::ThumbTrack;
    case SB_TOP: return TickerScroll::Top;
    case SB_BOTTOM: return TickerScroll::Bottom;
    default: return TickerScroll::EndScroll;
    }
}

WORD ScrollCode(TickerScroll request) {
    switch (request) {
    case TickerScroll::LineUp: return SB_LINEUP;
    case TickerScroll::LineDown: return SB_LINEDOWN;
    case TickerScroll::PageUp: return SB_PAGEUP;
    case TickerScroll::PageDown: return SB_PAGEDOWN;
    case TickerScroll::ThumbPosition: return SB_THUMBPOSITION;
    case TickerScroll::ThumbTrack: return SB_THUMBTRACK;
    case TickerScroll::Top: return SB_TOP;
    case TickerScroll::Bottom: return SB_BOTTOM;
    case TickerScroll::EndScroll: break;
    }
    return SB_ENDSCROLL;
}

TickerKey KeyOf(UINT vk) {
    switch (vk) {
    case VK_PRIOR: return TickerKey::PageUp;
    case VK_NEXT: return TickerKey::PageDown;
    case VK_UP: return TickerKey::Up;
    case VK_DOWN: return TickerKey::Down;
    default: return TickerKey::Other;
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CTickerCtrl, CWnd)
    OnMessage<WM_PAINT, &ThisClass::OnPaint>(),
    OnMessage<WM_ERASEBKGND, &ThisClass::OnEraseBkgnd>(),
    OnMessage<WM_TIMER, &ThisClass::OnTimer>(),
    OnMessage<WM_VSCROLL, &ThisClass::OnVScroll>(),
    OnMessage<WM_MOUSEWHEEL, &ThisClass::OnMouseWheel>(),
    OnMessage<WM_KEYDOWN, &ThisClass::OnKeyDown>(),
    OnMessage<WM_GETDLGCODE, &ThisClass::OnGetDlgCode>(),
    OnMessage<WM_LBUTTONDOWN, &ThisClass::OnLButtonDown>(),
    OnMessage<WM_MOUSEMOVE, &ThisClass::OnMouseMove>(),
    OnMessage<WM_NCMOUSEMOVE, &ThisClass::OnNcMouseMove>(),
    OnMessage<WM_MOUSELEAVE, &ThisClass::OnMouseLeave>(),
    OnMessage<WM_NCMOUSELEAVE, &ThisClass::OnNcMouseLeave>(),
    OnMessage<WM_NCLBUTTONDOWN, &ThisClass::OnNcLButtonDown>(),
END_MESSAGE_MAP()

CTickerCtrl::CTickerCtrl() = default;

CTickerCtrl::~CTickerCtrl() {
    // The window must not outlive the object that draws it.
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

void CTickerCtrl::SetTickerFont(const char* faceName, int pointSize) {
    LOGFONTA lf{};
    if (faceName) {
        std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
        lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    }
    lf.lfWeight = 600;
    lf.lfQuality = ANTIALIASED_QUALITY;
    lf.lfPitchAndFamily = FF_SWISS;
    // The size is given in points; the height goes through tenths of a point
    // and the screen's vertical resolution, as a point font is made.
    const int tenths = pointSize * 10;
    const int dpi = SystemDpi() > 0 ? SystemDpi() : 96;
    const int pixels = ::MulDiv(dpi, tenths, 720);
    lf.lfHeight = pixels < 0 ? pixels : -pixels;
    font_.Reset(::CreateFontIndirectA(&lf));
    fontSet_ = true;
    if (m_hWnd) {
        bufferWidth_ = bufferHeight_ = 0;
        Invalidate(false);
    }
}

HFONT CTickerCtrl::Font() const {
    return font_ ? font_.Get() : static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
}

bool CTickerCtrl::CreateTicker(const RECT& rect, HWND parent) {
    if (m_hWnd) return false;
    if (!fontSet_) SetTickerFont("Comic Sans MS", 12);
    motion_.SetHoverScrollBar(true);
    if (!RegisterWindowClass(kTickerClass, CS_PARENTDC | CS_HREDRAW | CS_VREDRAW,
                             ::LoadCursor(nullptr, IDC_ARROW), nullptr)) {
        return false;
    }
    if (!CreateEx(0, kTickerClass, "Scroller", WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP, rect,
                  parent, 0)) {
        return false;
    }
    ::SetTimer(m_hWnd, kScrollTimerId, static_cast<UINT>(motion_.ScrollPeriodMs()), nullptr);
    Apply(motion_.Start());
    return true;
}

void CTickerCtrl::SetTickerText(const std::string& text) {
    // The same text again (a month step with the same digest) needs no new
    // strip nor a repaint.
    if (m_hWnd && text == text_) return;
    text_ = text;
    if (m_hWnd) {
        bufferWidth_ = bufferHeight_ = 0;
        Apply(motion_.OnTextChanged());
    }
}

void CTickerCtrl::SetBackColour(COLORREF colour) {
    backColour_ = colour;
    if (m_hWnd) {
        // The colours are baked into the prepared strip.
        bufferWidth_ = bufferHeight_ = 0;
        Invalidate(false);
    }
}

void CTickerCtrl::SetTextColour(COLORREF colour) {
    textColour_ = colour;
    if (m_hWnd) {
        bufferWidth_ = bufferHeight_ = 0;
        Invalidate(false);
    }
}

bool CTickerCtrl::HasTabStop() const {
    return (::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_TABSTOP) != 0;
}

// ------------------------------------------------------------- drawing ---

void CTickerCtrl::RebuildBuffer(HDC paintDc) {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width == bufferWidth_ && height == bufferHeight_) return;

    buffer_.Reset();
    stripHeight_ = stripDrawn_ = 0;
    {
        // Measured in the old strip's DC where there is one: each new DC
        // costs the window system a display lookup.
        MemoryDC fresh;
        const HDC measure = strip_.Valid() ? strip_.Get() : (fresh.Create(paintDc), fresh.Get());
        if (!measure) {
            // Nothing was measured: the size stays unrecorded, so the next
            // paint tries again instead of showing a blank control.
            bufferWidth_ = bufferHeight_ = 0;
            return;
        }
        bufferWidth_ = width;  // the text is measured against this width
        bufferHeight_ = height;
        contentHeight_ = TickerMotion::ContentHeight(PaintHeader(measure, 0, false),
                                                     PaintBody(measure, 0, height, false));
    }
    ++rebuildCount_;
    motion_.MeasuredLayout(height, contentHeight_);
    const long long rows = 2LL * height + contentHeight_;
    // A new text of about the old one's length is drawn into the old strip:
    // a new one is fresh memory to take in page by page. A much smaller one
    // gives the memory back.
    const bool reuse = strip_.Valid() && stripWidth_ == width && stripCapacity_ >= rows &&
                       stripCapacity_ <= 2 * rows;
    if (!reuse) {
        strip_.Reset();
        stripCapacity_ = 0;
    }
    if (width <= 0 || height <= 0) return;

    if (rows * width * 4 <= kMaxStripBytes) {
        // A DIB section: its bits live in our memory, so it may be tall.
        void* bits = nullptr;
        if (reuse || strip_.CreateDib(paintDc, width, static_cast<int>(rows), &bits)) {
            if (!reuse) {
                stripWidth_ = width;
                stripCapacity_ = static_cast<int>(rows);
            }
            stripHeight_ = static_cast<int>(rows);
            // The text comes as the window first shows its rows (DrawStrip).
            PaintBackground(strip_.Get(), stripHeight_);
            stripDrawn_ = height;
            return;
        }
    }
    buffer_.Reset(::CreateCompatibleBitmap(paintDc, width, height));
}

void CTickerCtrl::PaintBackground(HDC dc, int height) {
    const RECT area{0, 0, bufferWidth_, height};
    BrushHandle brush(::CreateSolidBrush(backColour_));
    ::FillRect(dc, &area, brush.Get());
}

int CTickerCtrl::PaintHeader(HDC, int, bool) { return 0; }

int CTickerCtrl::PaintBody(HDC dc, int top, int bottom, bool draw) {
    RECT area{kSideMargin, top, bufferWidth_ - kSideMargin, bottom};
    SelectGuard font(dc, Font());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, textColour_);
    return ::DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &area, TextFormat(draw));
}

void CTickerCtrl::DrawCopies(HDC dc, int height, int offset) {
    PaintBackground(dc, height);
    // Each pass advances by header + text + 15, one content height.
    long long y = static_cast<long long>(offset) + kFirstTop;
    do {
        const int header = PaintHeader(dc, static_cast<int>(y), true);
        y += header + kHeaderGap;
        const int text = PaintBody(dc, static_cast<int>(y), height, true);
        y += text + kBottomGap;
    } while (y < height && motion_.Wrap());
}

void CTickerCtrl::DrawStrip(int end) {
    end = std::min(end, stripHeight_);
    if (end <= stripDrawn_) return;
    // Drawing a text of many lines is most of a new text's cost: a month
    // step draws the rows the window shows, and the rest follow in one go
    // when the scrolling first reaches them.
    const int from = stripDrawn_;
    const int to = from > bufferHeight_ ? stripHeight_ : end;
    const HDC dc = strip_.Get();
    const int saved = ::SaveDC(dc);
    // Rows already drawn stay as they are: antialiased text drawn over
    // itself would come out bolder.
    ::IntersectClipRect(dc, 0, from, bufferWidth_, to);
    // Offset `bufferHeight_` puts the content's home position right below
    // that many rows of background.
    const int first = bufferHeight_ + kFirstTop;
    const int body = first + PaintHeader(dc, first, true) + kHeaderGap;
    if (body < to) PaintBody(dc, body, to, true);  // the text's lines end at `to`
    // The copies below are the rows of the copy above.
    if (motion_.Wrap() && contentHeight_ > 0) {
        for (long long y = static_cast<long long>(first) + contentHeight_; y < to;
             y += contentHeight_) {
            const int rows = static_cast<int>(std::min<long long>(contentHeight_, to - y));
            ::BitBlt(dc, 0, static_cast<int>(y), bufferWidth_, rows, dc, 0,
                     static_cast<int>(y - contentHeight_), SRCCOPY);
        }
    }
    ::RestoreDC(dc, saved);
    ::GdiFlush();
    stripDrawn_ = to;
}

void CTickerCtrl::Present(HDC target) {
    const int width = bufferWidth_;
    const int height = bufferHeight_;
    if (width <= 0 || height <= 0) return;
    const long long offset = motion_.Offset();

    if (strip_.Valid()) {
        // Strip row `height - offset` is what the window's top row shows.
        long long source = height - offset;
        const long long lastSource = static_cast<long long>(height) + contentHeight_;
        bool background = source < 0;  // the content is wholly below the window
        if (!background && source > lastSource) {
            // Only after the window shrank under an old offset.
            if (motion_.Wrap() && contentHeight_ > 0)
                source = height + (source - height) % contentHeight_;
            else
                background = true;
        }
        if (background) {
            PaintBackground(target, height);
        } else {
            DrawStrip(static_cast<int>(source) + height);
            ::BitBlt(target, 0, 0, width, height, strip_.Get(), 0, static_cast<int>(source),
                     SRCCOPY);
        }
        return;
    }

    // No strip: the classic way, the whole picture drawn for this offset.
    if (!buffer_) return;
    MemoryDC memory(target);
    if (!memory.Valid()) return;
    memory.SelectBitmap(buffer_.Get());
    DrawCopies(memory.Get(), height, static_cast<int>(offset));
    ::BitBlt(target, 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
}

void CTickerCtrl::Draw(HDC target) {
    RebuildBuffer(target);
    Present(target);
}

void CTickerCtrl::OnPaint() {
    PaintDC dc(m_hWnd);
    Draw(dc.Get());
}

// Everything is painted by WM_PAINT in one copy; erasing first would flicker.
BOOL CTickerCtrl::OnEraseBkgnd(HDC) { return 0; }

// --------------------------------------------------------------- motion ---

void CTickerCtrl::Apply(const TickerActions& actions) {
    if (actions.hoverBar) ApplyHoverBar(*actions.hoverBar);
    if (actions.killPauseTimer) ::KillTimer(m_hWnd, pauseTimerId_);
    if (actions.notify) {
        ::SendMessageA(::GetParent(m_hWnd), WM_COMMAND,
                       MAKEWPARAM(::GetDlgCtrlID(m_hWnd), 0), reinterpret_cast<LPARAM>(m_hWnd));
        if (!m_hWnd) return;  // the parent destroyed us in answer
    }
    if (actions.armPauseTimer) {
        const UINT_PTR id = ::SetTimer(m_hWnd, pauseTimerId_,
                                       static_cast<UINT>(motion_.PausePeriodMs()), nullptr);
        if (id) pauseTimerId_ = static_cast<UINT>(id);
    }
    if (actions.scrollPosition && (::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_VSCROLL))
        ::SetScrollPos(m_hWnd, SB_VERT, *actions.scrollPosition, TRUE);
    if (actions.invalidate) Invalidate(false);
}

void CTickerCtrl::ApplyHoverBar(const TickerHoverBar& bar) {
    const bool shown = (::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_VSCROLL) != 0;
    if (bar.show) {
        ::SetScrollRange(m_hWnd, SB_VERT, 0, bar.rangeMax, FALSE);
        ::SetScrollPos(m_hWnd, SB_VERT, bar.position, TRUE);
        if (!shown) ::ShowScrollBar(m_hWnd, SB_VERT, TRUE);
    } else if (shown) {
        ::ShowScrollBar(m_hWnd, SB_VERT, FALSE);
    }
}

void CTickerCtrl::OnTimer(UINT_PTR id) {
    TickerTimer timer;
    if (id == kScrollTimerId) {
        timer = TickerTimer::Scroll;
    } else if (id == pauseTimerId_) {
        timer = TickerTimer::Pause;
    } else {
        Default();
        return;
    }
    // The pointer is known from mouse messages; the window system is asked
    // only while the pointer is over the control (or the bar is dragged),
    // so an unattended ticker costs one blit a tick.
    TickerTickInput input;
    input.cursorInside = overClient_ || overFrame_;
    input.captured = draggingBar_ || (input.cursorInside && ::GetCapture() == m_hWnd);
    input.windowActive =
        input.cursorInside && ::GetActiveWindow() == ::GetAncestor(m_hWnd, GA_ROOT);
    TickerActions actions = motion_.OnTimer(timer, input);
    const bool paint = actions.invalidate;
    actions.invalidate = false;
    Apply(actions);
    if (paint && m_hWnd) PresentNow();
}

// A scroll step is drawn at once through the window's DC: an invalidation
// and the paint it brings cost the window system several more round trips,
// twelve times a second for as long as the program runs. Hidden, nothing is
// drawn; the paint on showing brings the picture up to date.
void CTickerCtrl::PresentNow() {
    if (!::IsWindowVisible(m_hWnd)) return;
    WindowDC dc(m_hWnd);
    if (!dc.Get()) {
        Invalidate(false);
        return;
    }
    Draw(dc.Get());
}

void CTickerCtrl::OnVScroll(UINT request, UINT thumb, HWND) {
    if (!HasTabStop()) return;
    Apply(motion_.OnScroll(ScrollRequest(request), static_cast<int>(thumb)));
}

void CTickerCtrl::OnMouseWheel(UINT, int delta, POINT) {
    const TickerWheelRequests requests = TickerMotion::WheelRequests(delta);
    for (int i = 0; i < requests.count; ++i)
        PostMessage(WM_VSCROLL, MAKEWPARAM(ScrollCode(requests.request), 0), 0);
}

void CTickerCtrl::OnKeyDown(UINT key, UINT, UINT) {
    const auto request = TickerMotion::KeyRequest(KeyOf(key));
    if (!request) {
        Default();
        return;
    }
    PostMessage(WM_VSCROLL, MAKEWPARAM(ScrollCode(*request), 0), 0);
}

UINT CTickerCtrl::OnGetDlgCode(UINT, const MSG*) {
    return HasTabStop() ? DLGC_WANTARROWS : static_cast<UINT>(Default());
}

void CTickerCtrl::TrackPointer(bool clientArea) {
    bool& over = clientArea ? overClient_ : overFrame_;
    if (over) return;
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE | (clientArea ? 0u : static_cast<DWORD>(TME_NONCLIENT));
    track.hwndTrack = m_hWnd;
    over = ::TrackMouseEvent(&track) != FALSE;
}

void CTickerCtrl::OnMouseMove(UINT, POINT) {
    TrackPointer(true);
    Default();
}

void CTickerCtrl::OnNcMouseMove(UINT, POINT) {
    TrackPointer(false);
    Default();
}

void CTickerCtrl::OnMouseLeave() {
    overClient_ = false;
    Default();
}

void CTickerCtrl::OnNcMouseLeave() {
    overFrame_ = false;
    Default();
}

void CTickerCtrl::OnNcLButtonDown(UINT, POINT) {
    // A press on the bar runs the bar's own loop until the button is let go;
    // that loop takes the leave notices, so ask once where the pointer is.
    draggingBar_ = true;
    Default();
    draggingBar_ = false;
    if (!m_hWnd) return;
    overClient_ = overFrame_ = false;
    POINT cursor{};
    if (::GetCursorPos(&cursor) && ::WindowFromPoint(cursor) == m_hWnd) {
        const LRESULT hit = ::SendMessageA(m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y));
        TrackPointer(hit == HTCLIENT);
    }
}

void CTickerCtrl::OnLButtonDown(UINT, POINT) {
    if (HasTabStop()) ::SetFocus(m_hWnd);
}
