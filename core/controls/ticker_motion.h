// Motion of the scrolling ticker (CTickerCtrl) as a state machine without
// windows: the control forwards its timers, scroll requests, wheel and keys
// here and carries out the returned TickerActions. It keeps no timers itself.
//
// Coordinates: offset 0 puts the first line at its home position; a negative
// offset means the content has moved up by that many pixels.
#pragma once

#include <optional>

// Which of the control's two timers fired.
enum class TickerTimer {
    Scroll,  // timer 1, every scroll period
    Pause,   // the pause timer, once after a pause period
};

// Scroll-bar requests (the SB_* codes of WM_VSCROLL, by meaning).
enum class TickerScroll {
    LineUp,
    LineDown,
    PageUp,
    PageDown,
    ThumbPosition,
    ThumbTrack,
    Top,
    Bottom,
    EndScroll,
};

// Keys the ticker reacts to; everything else is Other.
enum class TickerKey { PageUp, PageDown, Up, Down, Other };

// What the hover scroll bar should look like after a timer tick.
struct TickerHoverBar {
    bool show = false;
    int rangeMax = 0;  // range is 0..rangeMax (set without redraw)
    int position = 0;  // set with redraw
};

// What the control must do after a step, in this order: update the hover
// bar, kill the pause timer, send the notification, (re)arm the pause timer,
// set the scroll position, invalidate without erasing.
struct TickerActions {
    std::optional<TickerHoverBar> hoverBar;  // set: show/hide the bar as given
    bool killPauseTimer = false;
    bool notify = false;         // WM_COMMAND(id, code 0) to the parent
    bool armPauseTimer = false;  // SetTimer(pause id, pause period); replaces a running one
    std::optional<int> scrollPosition;  // set the scroll-bar position, with redraw
    bool invalidate = false;
};

// Inputs of a timer tick that the control gathers from the platform.
struct TickerTickInput {
    bool captured = false;      // the control holds the mouse capture (thumb drag)
    bool windowActive = false;  // the calendar's top-level window is active
    bool cursorInside = false;  // the cursor is in the control's window rectangle
};

// How many scroll requests one wheel message turns into.
struct TickerWheelRequests {
    TickerScroll request = TickerScroll::LineDown;
    int count = 0;
};

class TickerMotion {
public:
    static constexpr int kDefaultScrollPeriodMs = 80;
    static constexpr int kDefaultPausePeriodMs = 5000;
    static constexpr int kLineStep = 8;
    static constexpr int kContentPadding = 15;  // gaps around header and text

    explicit TickerMotion(bool wrap = true, int scrollPeriodMs = kDefaultScrollPeriodMs,
                          int pausePeriodMs = kDefaultPausePeriodMs);

    // The window was created: stand still and arm the pause timer (the
    // control starts the scroll timer itself, with ScrollPeriodMs()).
    TickerActions Start();

    // One timer tick. While captured nothing happens at all.
    TickerActions OnTimer(TickerTimer timer, const TickerTickInput& input);

    // A manual scroll request. `thumbPosition` is used by the thumb requests
    // only. The control calls this only when it has the tab-stop style.
    TickerActions OnScroll(TickerScroll request, int thumbPosition = 0);

    // New text: the offset stays where it is; the content is measured again
    // at the next paint (MeasuredLayout). The control invalidates its window.
    TickerActions OnTextChanged() const;

    // Result of a buffer rebuild: the client height and the height of one
    // copy of the content (ContentHeight below).
    void MeasuredLayout(int bufferHeight, int contentHeight);

    // Height of one copy of the content: 15 + header + text.
    static int ContentHeight(int headerHeight, int textHeight);

    // The wheel: |delta| / 120 + 1 line requests, down for delta <= 0, to be
    // posted to the control. `delta` is the signed 16-bit wheel delta; larger
    // values are limited to that range.
    static TickerWheelRequests WheelRequests(int delta);

    // The scroll request a key posts, if any.
    static std::optional<TickerScroll> KeyRequest(TickerKey key);

    // The hover scroll bar for the current state.
    TickerHoverBar HoverBar(bool windowActive, bool cursorInside) const;

    bool Paused() const { return paused_; }
    bool PauseTimerArmed() const { return pauseArmed_; }
    int Offset() const { return offset_; }
    int ContentHeight() const { return contentHeight_; }
    int BufferHeight() const { return bufferHeight_; }
    bool Wrap() const { return wrap_; }
    int ScrollPeriodMs() const { return scrollPeriodMs_; }
    int PausePeriodMs() const { return pausePeriodMs_; }

    // Hover scroll bar on/off (on by default).
    void SetHoverScrollBar(bool on) { hoverScrollBar_ = on; }
    void SetWrap(bool wrap) { wrap_ = wrap; }

private:
    TickerActions Pause(TickerActions actions);

    bool paused_ = true;
    bool pauseArmed_ = false;
    bool wrap_ = true;
    bool hoverScrollBar_ = true;
    int offset_ = 0;
    int contentHeight_ = 0;
    int bufferHeight_ = 0;
    int scrollPeriodMs_ = kDefaultScrollPeriodMs;
    int pausePeriodMs_ = kDefaultPausePeriodMs;
};
