#include "core/controls/ticker_motion.h"

#include <algorithm>

TickerMotion::TickerMotion(bool wrap, int scrollPeriodMs, int pausePeriodMs)
    : wrap_(wrap), scrollPeriodMs_(scrollPeriodMs), pausePeriodMs_(pausePeriodMs) {}

TickerActions TickerMotion::Pause(TickerActions actions) {
    paused_ = true;
    pauseArmed_ = true;
    actions.armPauseTimer = true;
    return actions;
}

TickerActions TickerMotion::Start() {
    // A new ticker first stands still for one pause period.
    return Pause(TickerActions{});
}

TickerActions TickerMotion::OnTimer(TickerTimer timer, const TickerTickInput& input) {
    TickerActions actions;
    // Moving the text under a dragged thumb would fight the user.
    if (input.captured) return actions;

    if (hoverScrollBar_) actions.hoverBar = HoverBar(input.windowActive, input.cursorInside);

    if (timer == TickerTimer::Pause) {
        paused_ = false;
        pauseArmed_ = false;
        actions.killPauseTimer = true;
    }
    if (paused_) return actions;

    // Sums in 64 bits: a text shorter than the window can leave the offset
    // positive, and offset + content height must not overflow.
    offset_ -= 1;
    const long long ch = contentHeight_;
    if (offset_ + ch < 0) {
        // The whole content has left the window at the top.
        offset_ = wrap_ ? 0 : bufferHeight_;
        actions.notify = true;
    }
    const bool home = offset_ == 0;
    const bool endAtBottom = ch > bufferHeight_ && offset_ + ch == bufferHeight_;
    if ((home || endAtBottom) && scrollPeriodMs_ < pausePeriodMs_) actions = Pause(actions);

    actions.invalidate = true;
    return actions;
}

TickerActions TickerMotion::OnScroll(TickerScroll request, int thumbPosition) {
    TickerActions actions;
    // Automatic motion resumes one pause period after the last manual step.
    if (scrollPeriodMs_ < pausePeriodMs_) actions = Pause(actions);

    long long offset = offset_;
    switch (request) {
        case TickerScroll::LineUp: offset += kLineStep; break;
        case TickerScroll::LineDown: offset -= kLineStep; break;
        case TickerScroll::PageUp: offset += bufferHeight_; break;
        case TickerScroll::PageDown: offset -= bufferHeight_; break;
        case TickerScroll::ThumbPosition:
        case TickerScroll::ThumbTrack: offset = -static_cast<long long>(thumbPosition); break;
        case TickerScroll::Top: offset = 0; break;
        case TickerScroll::Bottom:
            offset = static_cast<long long>(bufferHeight_) - contentHeight_;
            break;
        case TickerScroll::EndScroll: return actions;
    }

    // A content shorter than the window has a positive lowest offset, so the
    // text then rests against the bottom edge.
    const long long lowest = static_cast<long long>(bufferHeight_) - contentHeight_;
    if (offset < lowest) {
        offset = lowest;
    } else if (offset > 0) {
        offset = 0;
    }
    // Both limits lie between -INT_MAX and INT_MAX, so the result fits.
    offset_ = static_cast<int>(offset);

    actions.scrollPosition = -offset_;
    actions.invalidate = true;
    return actions;
}

TickerActions TickerMotion::OnTextChanged() const {
    TickerActions actions;
    actions.invalidate = true;
    return actions;
}

void TickerMotion::MeasuredLayout(int bufferHeight, int contentHeight) {
    bufferHeight_ = std::max(bufferHeight, 0);
    contentHeight_ = std::max(contentHeight, 0);
}

int TickerMotion::ContentHeight(int headerHeight, int textHeight) {
    return kContentPadding + headerHeight + textHeight;
}

TickerWheelRequests TickerMotion::WheelRequests(int delta) {
    const int limited = std::clamp(delta, -32768, 32767);
    const int magnitude = limited < 0 ? -limited : limited;
    TickerWheelRequests requests;
    requests.request = limited <= 0 ? TickerScroll::LineDown : TickerScroll::LineUp;
    requests.count = magnitude / 120 + 1;
    return requests;
}

std::optional<TickerScroll> TickerMotion::KeyRequest(TickerKey key) {
    switch (key) {
        case TickerKey::PageUp: return TickerScroll::PageUp;
        case TickerKey::PageDown: return TickerScroll::PageDown;
        case TickerKey::Up: return TickerScroll::LineUp;
        case TickerKey::Down: return TickerScroll::LineDown;
        case TickerKey::Other: break;
    }
    return std::nullopt;
}

TickerHoverBar TickerMotion::HoverBar(bool windowActive, bool cursorInside) const {
    TickerHoverBar bar;
    bar.show = contentHeight_ > bufferHeight_ && windowActive && cursorInside;
    if (bar.show) {
        bar.rangeMax = contentHeight_ - bufferHeight_;
        bar.position = -offset_;
    }
    return bar;
}
