// CTickerCtrl: a child window that scrolls a block of word-wrapped text
// upwards, one pixel per scroll tick, standing still whenever the start of
// the text is at its home position. The motion itself (offset, pauses, wrap,
// manual scrolling) is TickerMotion; this class only draws and forwards
// timers and input to it.
//
// Drawing is cheap per tick: whenever the size or the text changes, the
// content is rendered once into a tall strip (background rows, then the
// repeated copies), as far as the window first shows it and the rest when
// the scrolling reaches it; each tick then copies the visible slice of that
// strip to the window with one BitBlt.
#pragma once

#include <windows.h>

#include <string>

#include "core/controls/ticker_motion.h"
#include "platform/handles.h"
#include "platform/wnd.h"

class CTickerCtrl : public CWnd {
public:
    static constexpr UINT kScrollTimerId = 1;
    static constexpr UINT kDefaultPauseTimerId = 2;

    CTickerCtrl();
    ~CTickerCtrl() override;

    // Face name and size in points; weight 600, antialiased. Falls back to
    // the stock system font when the font cannot be made.
    void SetTickerFont(const char* faceName, int pointSize);
    // Creates the "Scroller" child over `rect` (parent client coordinates)
    // and starts both timers; the text first stands still for one pause.
    bool CreateTicker(const RECT& rect, HWND parent);
    // New text; the scroll position stays where it is.
    void SetTickerText(const std::string& text);
    void SetBackColour(COLORREF colour);
    void SetTextColour(COLORREF colour);

    const std::string& TickerText() const { return text_; }
    COLORREF BackColour() const { return backColour_; }
    COLORREF TextColour() const { return textColour_; }
    const TickerMotion& Motion() const { return motion_; }
    // How often the content was measured and rendered (once per size or
    // text change, never per tick).
    int RebuildCount() const { return rebuildCount_; }

    DECLARE_MESSAGE_MAP()

protected:
    // Brings the prepared content up to date with the client size and text.
    virtual void RebuildBuffer(HDC paintDc);
    // Fills `height` rows of `dc` with the background.
    virtual void PaintBackground(HDC dc, int height);
    // A picture above each copy of the text; this control draws none.
    virtual int PaintHeader(HDC dc, int top, bool draw);
    // Draws (or only measures) the text from `top` down to `bottom`;
    // returns the text's height.
    virtual int PaintBody(HDC dc, int top, int bottom, bool draw);

private:
    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    void OnTimer(UINT_PTR id);
    void OnVScroll(UINT request, UINT thumb, HWND bar);
    void OnMouseWheel(UINT keys, int delta, POINT screenAt);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    UINT OnGetDlgCode(UINT key, const MSG* msg);
    void OnLButtonDown(UINT keys, POINT at);
    void OnMouseMove(UINT keys, POINT at);
    void OnNcMouseMove(UINT hit, POINT screenAt);
    void OnMouseLeave();
    void OnNcMouseLeave();
    void OnNcLButtonDown(UINT hit, POINT screenAt);

    // The picture drawn afresh at each paint where there is no strip:
    // background, then copies of the content from `offset` down to `height`
    // (one copy without wrap).
    void DrawCopies(HDC dc, int height, int offset);
    // Draws the strip's text down to row `end` where it is not drawn yet.
    void DrawStrip(int end);
    // Draws a scroll step at once, through the window's DC.
    void PresentNow();
    // The buffer at the window's size, then the visible slice, to `target`.
    void Draw(HDC target);
    // Copies the visible slice for the current offset to `target`.
    void Present(HDC target);
    // Follows the pointer over the client area or the frame (the bar).
    void TrackPointer(bool clientArea);
    void Apply(const TickerActions& actions);
    void ApplyHoverBar(const TickerHoverBar& bar);
    bool HasTabStop() const;
    HFONT Font() const;

    TickerMotion motion_;
    COLORREF backColour_ = RGB(0, 0, 0);
    COLORREF textColour_ = RGB(255, 255, 255);
    FontHandle font_;
    bool fontSet_ = false;
    std::string text_;

    // Client size the prepared content was made for; 0 forces a rebuild.
    int bufferWidth_ = 0;
    int bufferHeight_ = 0;
    int contentHeight_ = 0;

    // The strip: `bufferHeight_` background rows, then the content from its
    // home position on, `bufferHeight_ + contentHeight_` rows of it. Row
    // (bufferHeight_ - offset) is what the window's top row shows.
    // The strip stays selected into its own memory DC.
    BitmapDC strip_;
    int stripHeight_ = 0;    // rows in use
    int stripDrawn_ = 0;     // rows from the top that are drawn
    int stripWidth_ = 0;     // the bitmap's own size, which a new text
    int stripCapacity_ = 0;  // of about the same length reuses
    // Used only when a strip cannot be made (a very long text): a
    // window-sized picture drawn afresh at each paint.
    BitmapHandle buffer_;

    // Where the pointer is, from mouse messages rather than asked each tick.
    bool overClient_ = false;
    bool overFrame_ = false;
    bool draggingBar_ = false;  // the scroll bar's own loop holds the capture

    UINT pauseTimerId_ = kDefaultPauseTimerId;
    int rebuildCount_ = 0;
};
