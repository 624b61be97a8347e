// The scrolling ticker as a window: timers, painting, input and the
// notification to its parent.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/ticker_ctrl.h"
#include "platform/handles.h"
#include "platform/wnd.h"
#include "tests/support/message_log.h"
#include "tests/support/pictures.h"
#include "tests/support/windows_and_processes.h"

namespace {

const COLORREF kBack = RGB(204, 204, 255);
const COLORREF kText = RGB(0, 115, 255);
const RECT kPlace{10, 10, 148, 75};  // the panel's ticker area, 138 x 65

std::string Lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "[2008-1-" + std::to_string(i + 1) + "] line\n";
    return text;
}

// A copy of what the window shows now, as 0x00RRGGBB rows.
std::vector<COLORREF> Capture(HWND wnd, int width, int height) {
    ::UpdateWindow(wnd);
    PumpMessages();
    WindowDC dc(wnd);
    return ReadPixels(dc.Get(), 0, 0, width, height).pixels;
}

class TickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        parentWnd = CreateTestParent(300, 200);
        parent = std::make_unique<MessageLog>(parentWnd);  // the WM_COMMANDs the ticker sends
        ticker.SetBackColour(kBack);
        ticker.SetTextColour(kText);
        ticker.SetTickerFont("Microsoft Sans Serif", 8);
    }
    void TearDown() override {
        erases.reset();
        if (ticker.GetSafeHwnd()) ::DestroyWindow(ticker.GetSafeHwnd());
        ::DestroyWindow(parentWnd);
        PumpMessages();
    }

    // Creates the ticker and stops its real timers, so the test drives them.
    void CreateStill(const std::string& text) {
        ticker.SetTickerText(text);
        ASSERT_TRUE(ticker.CreateTicker(kPlace, parentWnd));
        wnd = ticker.GetSafeHwnd();
        ::KillTimer(wnd, CTickerCtrl::kScrollTimerId);
        ::KillTimer(wnd, CTickerCtrl::kDefaultPauseTimerId);
        ::UpdateWindow(wnd);
        PumpMessages();
    }
    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i) ::SendMessageA(wnd, WM_TIMER, CTickerCtrl::kScrollTimerId, 0);
    }
    // The pause timer ends the pause and takes the first step itself.
    void EndPause() {
        ::SendMessageA(wnd, WM_TIMER, CTickerCtrl::kDefaultPauseTimerId, 0);
        ::KillTimer(wnd, CTickerCtrl::kDefaultPauseTimerId);
    }
    int Offset() const { return ticker.Motion().Offset(); }
    void WatchErases() { erases = std::make_unique<MessageLog>(wnd); }

    HWND parentWnd = nullptr;
    std::unique_ptr<MessageLog> parent;
    CTickerCtrl ticker;
    HWND wnd = nullptr;
    std::unique_ptr<MessageLog> erases;  // in front of the ticker's own procedure
};

}  // namespace

TEST_F(TickerTest, IsTheScrollerChildOverItsRectangleWithItsClass) {
    ticker.SetTickerText(Lines(2));
    ASSERT_TRUE(ticker.CreateTicker(kPlace, parentWnd));
    wnd = ticker.GetSafeHwnd();
    EXPECT_EQ(::GetParent(wnd), parentWnd);
    EXPECT_EQ(::GetDlgCtrlID(wnd), 0);
    char name[32] = {};
    ::GetWindowTextA(wnd, name, sizeof name);
    EXPECT_STREQ(name, "Scroller");
    const LONG style = ::GetWindowLongA(wnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP),
              WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP);
    EXPECT_EQ(::GetClassLongA(wnd, GCL_STYLE) & (CS_PARENTDC | CS_HREDRAW | CS_VREDRAW),
              static_cast<DWORD>(CS_PARENTDC | CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(::GetClassLongPtrA(wnd, GCLP_HBRBACKGROUND), 0u);
    RECT client{};
    ::GetClientRect(wnd, &client);
    EXPECT_EQ(client.right, 138);
    EXPECT_EQ(client.bottom, 65);
    // A second window for the same object is refused.
    EXPECT_FALSE(ticker.CreateTicker(kPlace, parentWnd));
}

// Real timers: five seconds still, then one pixel per scroll period.
TEST_F(TickerTest, StandsStillFiveSecondsAfterCreationThenMovesUp) {
    ticker.SetTickerText(Lines(8));
    const DWORD start = ::GetTickCount();
    ASSERT_TRUE(ticker.CreateTicker(kPlace, parentWnd));
    EXPECT_FALSE(PumpUntil([&] { return ticker.Motion().Offset() != 0; }, 4700));
    EXPECT_EQ(ticker.Motion().Offset(), 0);
    ASSERT_TRUE(PumpUntil([&] { return ticker.Motion().Offset() != 0; }, 20000));
    const DWORD moved = ::GetTickCount() - start;
    EXPECT_GE(moved, 4900u);
    // One pixel a tick (the motion's own tests hold the step); a loaded
    // machine may let two ticks run in one pass of the pump.
    EXPECT_LT(ticker.Motion().Offset(), 0);
    EXPECT_GE(ticker.Motion().Offset(), -2);
    // From then on it keeps moving up, never back (its pace is the
    // benchmark's business).
    int last = -1;
    bool back = false;
    EXPECT_TRUE(PumpUntil(
        [&] {
            const int now = ticker.Motion().Offset();
            back = back || now > last;
            last = now;
            return now <= -8;
        },
        20000));
    EXPECT_FALSE(back);
}

TEST_F(TickerTest, NewTextKeepsTheOffsetAndIsMeasuredOnceAtTheNextPaint) {
    CreateStill(Lines(3));
    const int firstContent = ticker.Motion().ContentHeight();
    const int rebuilds = ticker.RebuildCount();
    EndPause();
    Tick(6);
    ::UpdateWindow(wnd);
    EXPECT_EQ(Offset(), -7);
    // Ticks only repaint the prepared picture; nothing is measured again.
    EXPECT_EQ(ticker.RebuildCount(), rebuilds);

    ticker.SetTickerText(Lines(12));
    EXPECT_EQ(Offset(), -7);
    ::UpdateWindow(wnd);
    EXPECT_EQ(ticker.RebuildCount(), rebuilds + 1);
    EXPECT_GT(ticker.Motion().ContentHeight(), firstContent);
    EXPECT_EQ(Offset(), -7);
}

TEST_F(TickerTest, OneWheelNotchDownMovesSixteenPixelsAndPauses) {
    CreateStill(Lines(12));
    EndPause();
    EXPECT_FALSE(ticker.Motion().Paused());
    ASSERT_EQ(Offset(), -1);
    ::SendMessageA(wnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    PumpMessages();
    EXPECT_EQ(Offset(), -17);
    EXPECT_TRUE(ticker.Motion().Paused());
    Tick(3);
    EXPECT_EQ(Offset(), -17);  // paused: the timer does not move it

    // A notch up from the top moves nothing but still pauses.
    ::SendMessageA(wnd, WM_VSCROLL, SB_TOP, 0);
    ::SendMessageA(wnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    PumpMessages();
    EXPECT_EQ(Offset(), 0);
    EXPECT_TRUE(ticker.Motion().Paused());

    // Manual scrolling stops where the end of the text meets the bottom.
    ::SendMessageA(wnd, WM_VSCROLL, SB_BOTTOM, 0);
    const int end = Offset();
    EXPECT_EQ(end, 65 - ticker.Motion().ContentHeight());
    ::SendMessageA(wnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    PumpMessages();
    EXPECT_EQ(Offset(), end);
}

TEST_F(TickerTest, TellsItsParentWhenTheContentHasLeftTheWindow) {
    CreateStill("short\n");
    const int content = ticker.Motion().ContentHeight();
    ASSERT_GT(content, 15);
    EndPause();
    Tick(content - 1);
    EXPECT_EQ(Offset(), -content);
    EXPECT_TRUE(parent->Of(WM_COMMAND).empty());
    Tick();
    ASSERT_TRUE(parent->Follows({{WM_COMMAND}}));  // one command, no more
    const std::vector<LoggedMessage> commands = parent->Of(WM_COMMAND);
    EXPECT_EQ(commands[0].wp, MAKEWPARAM(0, 0));
    EXPECT_EQ(commands[0].lp, reinterpret_cast<LPARAM>(wnd));
    // Back home, standing still again.
    EXPECT_EQ(Offset(), 0);
    EXPECT_TRUE(ticker.Motion().Paused());
}

TEST_F(TickerTest, PaintsBackAndTextColoursWithoutEverErasing) {
    ticker.SetTickerFont("Arial", 20);
    CreateStill("HHHH\n");
    WatchErases();
    // The window's own erase does nothing to the target.
    {
        WindowDC screen(nullptr);
        BitmapHandle bitmap(::CreateCompatibleBitmap(screen.Get(), 4, 4));
        MemoryDC memory(screen.Get());
        memory.SelectBitmap(bitmap.Get());
        ::SetPixel(memory.Get(), 1, 1, RGB(1, 2, 3));
        EXPECT_EQ(::SendMessageA(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.Get()), 0), 0);
        EXPECT_EQ(::GetPixel(memory.Get(), 1, 1), RGB(1, 2, 3));
    }
    erases->Clear();

    auto hasTextColour = [&] {
        const std::vector<COLORREF> pixels = Capture(wnd, 138, 65);
        for (COLORREF c : pixels)
            if (c == kText) return true;
        return false;
    };
    EXPECT_EQ(PixelOfWindow(wnd, 1, 1), kBack);    // left margin above the text
    EXPECT_EQ(PixelOfWindow(wnd, 137, 64), kBack);
    EXPECT_TRUE(hasTextColour());

    EndPause();
    Tick(5);
    ticker.SetTickerText("HHHH HHHH\n");
    ticker.SetBackColour(RGB(10, 20, 30));
    EXPECT_EQ(PixelOfWindow(wnd, 1, 1), RGB(10, 20, 30));
    ticker.SetTextColour(RGB(250, 0, 0));
    ::UpdateWindow(wnd);
    bool red = false;
    for (COLORREF c : Capture(wnd, 138, 65)) red = red || c == RGB(250, 0, 0);
    EXPECT_TRUE(red);
    EXPECT_EQ(erases->Count(WM_ERASEBKGND), 0);
}

// The picture at offset -k is the one at offset 0 moved up k rows, and the
// next copy follows one content height below the first.
TEST_F(TickerTest, ScrollsThePictureAndRepeatsTheCopiesBelow) {
    CreateStill("one\ntwo\n");
    const int content = ticker.Motion().ContentHeight();
    ASSERT_LT(content, 65);  // several copies visible
    const std::vector<COLORREF> home = Capture(wnd, 138, 65);
    EndPause();
    const int k = 9;
    Tick(k - 1);
    ASSERT_EQ(Offset(), -k);
    const std::vector<COLORREF> moved = Capture(wnd, 138, 65);
    int differing = 0;
    for (int y = 0; y + k < 65; ++y)
        for (int x = 0; x < 138; ++x)
            if (moved[y * 138 + x] != home[(y + k) * 138 + x]) ++differing;
    EXPECT_EQ(differing, 0);
    // Rows of the second copy equal those of the first.
    differing = 0;
    for (int y = 0; y + content < 65; ++y)
        for (int x = 0; x < 138; ++x)
            if (home[y * 138 + x] != home[(y + content) * 138 + x]) ++differing;
    EXPECT_EQ(differing, 0);
}

// A text several windows tall is drawn as far as the window shows it, and
// the rest when the scrolling gets there: every step still shows the last
// picture moved up one row, through the end of the text and into the copy
// below, with no row missing or drawn twice, and the same picture as the
// text drawn afresh at that position.
TEST_F(TickerTest, ATallTextScrollsOnSeamlesslyIntoTheCopyBelow) {
    const std::string text = Lines(12);
    CreateStill(text);
    const int content = ticker.Motion().ContentHeight();
    ASSERT_GT(content, 2 * 65);
    std::vector<COLORREF> last = Capture(wnd, 138, 65);
    int seams = 0;
    for (int step = 1; step <= content; ++step) {
        Tick();
        if (Offset() == 1 - step) EndPause();  // it stood still: at the start or the text's end
        ASSERT_EQ(Offset(), -step);
        const std::vector<COLORREF> now = Capture(wnd, 138, 65);
        for (int y = 0; y + 1 < 65; ++y)
            for (int x = 0; x < 138; ++x)
                if (now[y * 138 + x] != last[(y + 1) * 138 + x]) ++seams;
        last = now;
        if (step % 20 == 0) {
            ticker.SetTickerText("another text");
            ticker.SetTickerText(text);  // one new strip, drawn down to here at once
            EXPECT_EQ(Capture(wnd, 138, 65), now) << "at offset " << -step;
        }
    }
    EXPECT_EQ(seams, 0);
}

// A text too long for a prepared strip is still shown, drawn at each paint.
TEST_F(TickerTest, AVeryLongTextIsStillShown) {
    std::string text;
    for (int i = 0; i < 6000; ++i) text += "HHHH\n";
    ticker.SetTickerFont("Arial", 20);
    CreateStill(text);
    EXPECT_GT(ticker.Motion().ContentHeight(), 60000);
    EXPECT_EQ(PixelOfWindow(wnd, 1, 1), kBack);
    bool text_seen = false;
    for (COLORREF c : Capture(wnd, 138, 65)) text_seen = text_seen || c == kText;
    EXPECT_TRUE(text_seen);
}

TEST_F(TickerTest, KeysAndTheWheelPostScrollRequestsToItself) {
    CreateStill(Lines(12));
    auto postedRequests = [&] {
        std::vector<WORD> codes;
        MSG msg;
        while (::PeekMessageA(&msg, wnd, WM_VSCROLL, WM_VSCROLL, PM_REMOVE)) {
            EXPECT_EQ(msg.lParam, 0);
            codes.push_back(LOWORD(msg.wParam));
        }
        return codes;
    };
    PumpMessages();
    const struct {
        WPARAM key;
        std::vector<WORD> codes;
    } cases[] = {
        {VK_PRIOR, {SB_PAGEUP}}, {VK_NEXT, {SB_PAGEDOWN}}, {VK_UP, {SB_LINEUP}},
        {VK_DOWN, {SB_LINEDOWN}}, {VK_LEFT, {}},          {'A', {}},
    };
    for (const auto& c : cases) {
        ::SendMessageA(wnd, WM_KEYDOWN, c.key, 0);
        EXPECT_EQ(postedRequests(), c.codes) << "key " << c.key;
    }
    ::SendMessageA(wnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), 0);
    EXPECT_EQ(postedRequests(), (std::vector<WORD>{SB_LINEUP, SB_LINEUP, SB_LINEUP}));

    EXPECT_EQ(::SendMessageA(wnd, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
    ::SetFocus(parentWnd);
    ::SendMessageA(wnd, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(::GetFocus(), wnd);

    // Without the tab stop, scroll requests are ignored.
    ::SetWindowLongA(wnd, GWL_STYLE, ::GetWindowLongA(wnd, GWL_STYLE) & ~WS_TABSTOP);
    ::SendMessageA(wnd, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(Offset(), 0);
}

// The pointer is followed through mouse messages, not asked for at every
// tick: the bar comes with a move over the control and goes with the leave.
TEST_F(TickerTest, TheHoverBarFollowsThePointerOverTheActivePanel) {
    CreateStill(Lines(12));
    ::SetActiveWindow(parentWnd);
    auto barShown = [&] { return (::GetWindowLongA(wnd, GWL_STYLE) & WS_VSCROLL) != 0; };
    Tick();
    EXPECT_FALSE(barShown());
    ::SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    Tick();
    EXPECT_TRUE(barShown());
    ::SendMessageA(wnd, WM_MOUSELEAVE, 0, 0);
    Tick();
    EXPECT_FALSE(barShown());
}

namespace {
// Lets a test hand the rebuild a paint DC of its choosing.
class ProbeTicker : public CTickerCtrl {
public:
    using CTickerCtrl::RebuildBuffer;
};
}  // namespace

// A paint whose measuring DC cannot be made must not count as a rebuild for
// this size: the next paint measures and draws the content. (Only the first
// strip needs a DC of its own for measuring; later ones use the last strip's.)
// A strip kept for the next text takes its new colour and text in full.
TEST(TickerLowResources, FailedMeasureIsRetriedAtTheNextPaintAndAKeptStripIsRedrawn) {
    HWND parentWnd = CreateTestParent(300, 200);
    ProbeTicker ticker;
    ticker.SetBackColour(kBack);
    ticker.SetTickerText(Lines(1));
    ASSERT_TRUE(ticker.CreateTicker(kPlace, parentWnd));
    HWND wnd = ticker.GetSafeHwnd();
    ::KillTimer(wnd, CTickerCtrl::kScrollTimerId);
    ::KillTimer(wnd, CTickerCtrl::kDefaultPauseTimerId);
    ::ValidateRect(wnd, nullptr);
    const int rebuilds = ticker.RebuildCount();
    HDC gone = ::CreateCompatibleDC(nullptr);
    ::DeleteDC(gone);
    ticker.RebuildBuffer(gone);  // no memory DC compatible with a dead DC
    EXPECT_EQ(ticker.RebuildCount(), rebuilds);

    ::InvalidateRect(wnd, nullptr, FALSE);
    EXPECT_EQ(Capture(wnd, 1, 1)[0], kBack);
    EXPECT_EQ(ticker.RebuildCount(), rebuilds + 1);

    const COLORREF newBack = RGB(90, 30, 10);
    ticker.SetBackColour(newBack);
    ticker.SetTickerText(Lines(2));
    EXPECT_EQ(Capture(wnd, 1, 1)[0], newBack);
    EXPECT_EQ(ticker.RebuildCount(), rebuilds + 2);
    const int width = kPlace.right - kPlace.left, height = kPlace.bottom - kPlace.top;
    const std::vector<COLORREF> own = Capture(wnd, width, height);
    ticker.SetTickerText(Lines(3));  // a longer strip, which the shorter text then reuses
    Capture(wnd, 1, 1);
    ticker.SetTickerText(Lines(2));
    EXPECT_EQ(Capture(wnd, width, height), own);
    EXPECT_EQ(ticker.RebuildCount(), rebuilds + 4);
    ::DestroyWindow(parentWnd);
    PumpMessages();
}

TEST_F(TickerTest, ItsStripLetsItsBitmapGoBeforeDeletingIt) {
    SelectedBitmapDeleteWatch watch;
    ASSERT_TRUE(watch.Hooked());
    CreateStill("one line");
    ticker.SetTickerText(std::string(400, 'x'));  // a new strip at the next paint
    ::InvalidateRect(wnd, nullptr, FALSE);
    ::UpdateWindow(wnd);
    ::DestroyWindow(wnd);
    ticker.SetTickerText("");
    EXPECT_EQ(watch.Count(), 0) << "a bitmap deleted while selected leaks on Windows";
}
