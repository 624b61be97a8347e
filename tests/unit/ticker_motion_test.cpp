#include "core/controls/ticker_motion.h"

#include <climits>
#include <optional>

#include <gtest/gtest.h>

namespace {

// Plays the control's timers: scroll every 80 ms, pause once 5 s after arming.
struct TimerSim {
    TimerSim(bool wrap, int bufferHeight, int contentHeight) : m(wrap) {
        m.MeasuredLayout(bufferHeight, contentHeight);
        Apply(m.Start());
    }
    void Apply(const TickerActions& a) {
        if (a.killPauseTimer) pauseDue.reset();
        notifications += a.notify;
        if (a.armPauseTimer) pauseDue = now + m.PausePeriodMs();
    }
    int OffsetAt(long until) {
        for (;;) {
            const bool pause = pauseDue && *pauseDue <= nextScroll;
            now = pause ? *pauseDue : nextScroll;
            if (now > until) break;
            if (pause) pauseDue.reset();
            if (!pause) nextScroll += m.ScrollPeriodMs();
            Apply(m.OnTimer(pause ? TickerTimer::Pause : TickerTimer::Scroll, {}));
        }
        now = until;
        return m.Offset();
    }
    TickerMotion m;
    long now = 0, nextScroll = 80;
    std::optional<long> pauseDue;
    int notifications = 0;
};

}  // namespace

// The pause tick itself moves one pixel (at 5000), then one every 80 ms from 5040.
TEST(TickerMotionAuto, StillFiveSecondsThen12_5PixelsPerSecond) {
    TimerSim sim(true, 100, 300);
    EXPECT_EQ(sim.OffsetAt(4999), 0);
    EXPECT_EQ(sim.OffsetAt(5000), -1);
    const int atSix = sim.OffsetAt(6000);
    EXPECT_EQ(atSix - sim.OffsetAt(8000), 25);
    EXPECT_EQ(sim.OffsetAt(5040 + 198 * 80), -200);  // end of text at the bottom: pause
    EXPECT_EQ(sim.OffsetAt(sim.now + 4999), -200);
    EXPECT_EQ(sim.notifications, 0);
}

TEST(TickerMotionAuto, WrapJumpsHomeNotifiesAndPauses) {
    TimerSim sim(true, 100, 40);  // shorter than the window: still scrolls
    EXPECT_EQ(sim.OffsetAt(8159), -40);
    EXPECT_EQ(sim.OffsetAt(8160), 0);
    EXPECT_EQ(sim.notifications, 1);
    EXPECT_EQ(sim.OffsetAt(8160 + 4999), 0);
    EXPECT_EQ(sim.OffsetAt(8160 + 5000), -1);
}

TEST(TickerMotionAuto, WithoutWrapReentersFromTheBottom) {
    TimerSim sim(false, 100, 40);
    EXPECT_EQ(sim.OffsetAt(8160), 100);
    EXPECT_EQ(sim.notifications, 1);
    EXPECT_FALSE(sim.m.Paused());
    EXPECT_EQ(sim.OffsetAt(8160 + 100 * 80), 0);
    EXPECT_TRUE(sim.m.Paused());
}

TEST(TickerMotionAuto, DraggedThumbStopsEverythingAndNewTextKeepsOffset) {
    TickerMotion m;
    m.MeasuredLayout(100, 300);
    m.Start();
    TickerTickInput drag;
    drag.captured = true;
    EXPECT_FALSE(m.OnTimer(TickerTimer::Pause, drag).killPauseTimer);
    m.OnTimer(TickerTimer::Pause, {});
    m.OnTimer(TickerTimer::Scroll, drag);
    EXPECT_EQ(m.Offset(), -1);

    EXPECT_TRUE(m.OnTextChanged().invalidate);
    m.MeasuredLayout(100, TickerMotion::ContentHeight(0, 485));
    EXPECT_EQ(m.Offset(), -1);
    EXPECT_EQ(m.ContentHeight(), 500);
}

TEST(TickerMotionManual, WheelMovesSixteenClampsAtEndAndPauses) {
    TickerMotion m;
    m.MeasuredLayout(100, 300);
    m.OnTimer(TickerTimer::Pause, {});  // running, offset -1
    const TickerWheelRequests down = TickerMotion::WheelRequests(-120);
    TickerActions last;
    for (int i = 0; i < down.count; ++i) last = m.OnScroll(down.request);
    EXPECT_EQ(m.Offset(), -17);
    EXPECT_EQ(last.scrollPosition, 17);
    EXPECT_TRUE(last.armPauseTimer && m.Paused());

    m.OnScroll(TickerScroll::ThumbPosition, 195);
    for (int i = 0; i < down.count; ++i) m.OnScroll(down.request);
    EXPECT_EQ(m.Offset(), -200);  // only 5 px were left

    m.OnScroll(TickerScroll::Top);
    const TickerWheelRequests up = TickerMotion::WheelRequests(120);
    for (int i = 0; i < up.count; ++i) last = m.OnScroll(up.request);
    EXPECT_EQ(m.Offset(), 0);
    EXPECT_TRUE(last.armPauseTimer);

    // Out-of-range input neither overflows nor floods the queue.
    EXPECT_EQ(TickerMotion::WheelRequests(INT_MIN).count, 32768 / 120 + 1);
    m.OnScroll(TickerScroll::ThumbTrack, INT_MIN);
    EXPECT_EQ(m.Offset(), 0);
}

TEST(TickerMotionManual, PagesEndScrollShortTextAndHoverBar) {
    TickerMotion m;
    m.MeasuredLayout(100, 300);
    m.OnScroll(TickerScroll::PageDown);
    m.OnScroll(TickerScroll::Bottom);
    m.OnScroll(TickerScroll::PageUp);
    EXPECT_EQ(m.Offset(), -100);
    const TickerHoverBar bar = m.HoverBar(true, true);
    EXPECT_TRUE(bar.show && bar.rangeMax == 200 && bar.position == 100);
    EXPECT_FALSE(m.HoverBar(false, true).show || m.HoverBar(true, false).show);

    m.OnTimer(TickerTimer::Pause, {});
    const TickerActions end = m.OnScroll(TickerScroll::EndScroll);
    EXPECT_EQ(m.Offset(), -101);
    EXPECT_FALSE(end.scrollPosition || end.invalidate);
    EXPECT_TRUE(end.armPauseTimer && m.Paused());

    m.MeasuredLayout(100, 40);  // shorter than the window: rests at the bottom
    m.OnScroll(TickerScroll::LineDown);
    EXPECT_EQ(m.Offset(), 60);
    EXPECT_FALSE(m.HoverBar(true, true).show);
}
