// The bitmap clock: starting, failing to start, switching the hour format
// while it runs, and stopping. Pictures are taken through WM_PRINTCLIENT at
// the face's own size, so every cell compares 1:1 with the glyph strip.
#include <gtest/gtest.h>

#include "app/instance/app_state.h"
#include "controls/lcd_clock.h"
#include "core/controls/clock_digits.h"
#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/clock_face.h"
#include "tests/support/pictures.h"
#include "tests/support/windows_and_processes.h"

namespace {

using namespace clock_face;
constexpr int kFaceW = kFaceWidth, kFaceH = kFaceHeight, kGlyphH = kSmallHeight;

// A bitmap selected into a memory DC for reading pixels.
class Picture {
public:
    explicit Picture(HBITMAP bitmap) : m_bitmap(bitmap), m_dc(::CreateCompatibleDC(nullptr)) {
        m_old = ::SelectObject(m_dc.Get(), bitmap);
    }
    ~Picture() { ::SelectObject(m_dc.Get(), m_old); }
    HDC Dc() const { return m_dc.Get(); }
    COLORREF At(int x, int y) const { return ::GetPixel(m_dc.Get(), x, y); }

private:
    BitmapHandle m_bitmap;
    DcHandle m_dc;
    HGDIOBJ m_old = nullptr;
};

HBITMAP FaceSizedBitmap() {
    WindowDC screen(nullptr);
    return ::CreateCompatibleBitmap(screen.Get(), kFaceW, kFaceH);
}
HBITMAP GlyphStrip() {
    return static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr),
                                             MAKEINTRESOURCEA(IDB_CLOCK_GLYPHS), IMAGE_BITMAP, 0,
                                             0, LR_CREATEDIBSECTION));
}

// True when the picture shows the strip's w x 17 cell at `glyphX` at (x, y).
bool ShowsGlyph(const Picture& shot, int x, int y, const Picture& strip, int glyphX, int w) {
    for (int j = 0; j < kGlyphH; ++j)
        for (int i = 0; i < w; ++i)
            if (shot.At(x + i, y + j) != strip.At(glyphX + i, j)) return false;
    return true;
}
bool ShowsIndicator(const Picture& shot, const Picture& strip, ClockIndicator indicator) {
    const int glyphX = indicator == ClockIndicator::Am   ? kAmStripX
                       : indicator == ClockIndicator::Pm ? kPmStripX
                                                         : kBlankStripX;
    return ShowsGlyph(shot, kIndicatorX, kIndicatorY, strip, glyphX, kIndicatorWidth);
}

// A static "Clock" of the face's size in a test window, taken over by a clock.
struct ClockHost {
    HWND parent = CreateTestParent(260, 160);
    HWND item = ::CreateWindowExA(0, "STATIC", "Clock", WS_CHILD | WS_VISIBLE, 10, 10, kFaceW,
                                  kFaceH, parent, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ~ClockHost() {
        if (::IsWindow(parent)) ::DestroyWindow(parent);
        PumpMessages();
    }
};

// The clock as the panel makes it: the program's bitmaps and display lock.
constexpr ClockBitmapIds kClockIds{IDB_CLOCK_FACE, IDB_CLOCK_DIGITS, IDB_CLOCK_GLYPHS};
struct TestClock : CLcdClock {
    explicit TestClock(const ClockBitmapIds& ids = kClockIds)
        : CLcdClock(ids, AppState::Get().DisplayLock(), 24) {}
};

// Takes the host's static over and starts the clock in 24 hours.
bool StartIn24Hours(CLcdClock& clock, const ClockHost& host) {
    if (!clock.SubclassWindow(host.item)) return false;
    clock.SetHourFormat(24);
    return clock.BeginClock() == CLcdClock::kRunning;
}

void Capture(const CLcdClock& clock, const Picture& into) {
    PumpMessages();
    ::SendMessageA(clock.GetSafeHwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(into.Dc()),
                   PRF_CLIENT);
}

}  // namespace

TEST(LcdClock, StartsOnceAndPaintsTodaysDateFromTheGlyphStrip) {
    ClockHost host;
    TestClock clock;
    ASSERT_TRUE(StartIn24Hours(clock, host));
    const DWORD worker = clock.WorkerThreadId();
    EXPECT_NE(worker, 0u);
    EXPECT_EQ(clock.BeginClock(), CLcdClock::kRunning);  // already running: nothing changes
    EXPECT_EQ(clock.WorkerThreadId(), worker);

    Picture strip(GlyphStrip()), shot(FaceSizedBitmap());
    Capture(clock, shot);
    const ClockDigits expected = ComputeClockDigits(LocalDateTimeNow(), 24, 1);
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(ShowsGlyph(shot, kDateX[i], kDateY, strip, kSmallWidth * expected.date[i], kSmallWidth))
            << "date " << i;
    EXPECT_TRUE(ShowsIndicator(shot, strip, ClockIndicator::Blank));
}

TEST(LcdClock, MissingFaceLeavesThePlainStaticAndReturnsOne) {
    ClockHost host;
    ClockBitmapIds ids = kClockIds;
    ids.face = 9999;  // no such bitmap
    TestClock clock(ids);
    ASSERT_TRUE(clock.SubclassWindow(host.item));
    EXPECT_EQ(clock.BeginClock(), CLcdClock::kBitmapMissing);
    EXPECT_FALSE(clock.IsStarted());

    // The static draws its text "Clock": dark text on the dialog colour.
    Picture shot(FaceSizedBitmap());
    Capture(clock, shot);
    int dark = 0, background = 0;
    for (int y = 0; y < kFaceH; ++y) {
        for (int x = 0; x < kFaceW; ++x) {
            const COLORREF c = shot.At(x, y);
            dark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
            background += c == ::GetSysColor(COLOR_BTNFACE);
        }
    }
    EXPECT_GT(dark, 10);
    EXPECT_GT(background, kFaceW * kFaceH / 2);
}

TEST(LcdClock, SwitchingTo12HoursShowsTheIndicatorWithinASecondWithTheSameWorker) {
    ClockHost host;
    TestClock clock;
    ASSERT_TRUE(StartIn24Hours(clock, host));
    const DWORD worker = clock.WorkerThreadId();
    Picture strip(GlyphStrip()), shot(FaceSizedBitmap());
    Capture(clock, shot);
    ASSERT_TRUE(ShowsIndicator(shot, strip, ClockIndicator::Blank));

    clock.SetHourFormat(12);
    EXPECT_EQ(clock.CurrentHourFormat(), 12);
    // At its next refresh; how soon that comes is the benchmark's business.
    EXPECT_TRUE(PumpUntil(
        [&] {
            Capture(clock, shot);
            return ShowsIndicator(shot, strip,
                                  LocalDateTimeNow().time.hour < 12 ? ClockIndicator::Am
                                                                    : ClockIndicator::Pm);
        },
        10000));
    EXPECT_EQ(clock.WorkerThreadId(), worker);
}

TEST(LcdClock, DestructionStopsTheWorkerPromptlyEvenAfterItsWindowIsGone) {
    ClockHost host;
    auto* clock = new TestClock;
    ASSERT_TRUE(clock->SubclassWindow(host.item));
    ASSERT_EQ(clock->BeginClock(), CLcdClock::kRunning);
    KernelHandle thread(::OpenThread(SYNCHRONIZE, FALSE, clock->WorkerThreadId()));
    ASSERT_TRUE(thread.Valid());

    // The panel's window goes first, then its members; the worker keeps
    // refreshing in between without touching the dead window.
    ::DestroyWindow(host.parent);
    ::Sleep(1100);
    EXPECT_EQ(::WaitForSingleObject(thread.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    delete clock;  // returns only once the worker has ended
    EXPECT_EQ(::WaitForSingleObject(thread.Get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST(LcdClock, ChangesOfTheHourFormatWaitForTheDisplayLock) {
    TestClock clock;  // on its own, as the window tests make one: the lock is there
    clock.SetHourFormat(24);
    struct Setter {
        static DWORD WINAPI Run(void* clock) {
            static_cast<CLcdClock*>(clock)->SetHourFormat(12);
            return 0;
        }
    };
    KernelHandle thread;
    {
        DisplayLockGuard held;
        thread.Reset(::CreateThread(nullptr, 0, &Setter::Run, &clock, 0, nullptr));
        ASSERT_TRUE(thread.Valid());
        EXPECT_EQ(::WaitForSingleObject(thread.Get(), 200), static_cast<DWORD>(WAIT_TIMEOUT));
    }
    EXPECT_EQ(::WaitForSingleObject(thread.Get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(clock.CurrentHourFormat(), 12);
}

TEST(LcdClock, ItsSurfacesLetTheirBitmapsGoBeforeDeletingThem) {
    SelectedBitmapDeleteWatch watch;
    ASSERT_TRUE(watch.Hooked());
    {
        ClockHost host;
        TestClock clock;
        ASSERT_TRUE(StartIn24Hours(clock, host));
        Picture shot(FaceSizedBitmap());
        Capture(clock, shot);
        clock.ReloadArtwork();
        Capture(clock, shot);
    }
    EXPECT_EQ(watch.Count(), 0) << "a bitmap deleted while selected leaks on Windows";
}
