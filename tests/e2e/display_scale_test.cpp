// The panel at the display scales users run: 100, 125, 150 and 200 %. Each
// start takes the scale from the display settings; the day numbers grow with
// it and keep every stroke. The panel's pictures go to the test results
// (screens/panel-<dpi>.bmp) to be looked at.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "res/resource.h"
#include "tests/common/test_dates.h"
#include "tests/e2e/e2e_support.h"

namespace {
constexpr DWORD kStartMs = 30000;
const char kDesktopKey[] = "Control Panel\\Desktop";

// The plain day numbers are white; their antialiased edges stay light.
bool DayInk(COLORREF c) { return GetRValue(c) >= 200 && GetGValue(c) >= 200 && GetBValue(c) >= 200; }

// The box around a picture's ink.
struct Ink {
    int left = -1, top = -1, right = -1, bottom = -1;
    int Width() const { return left < 0 ? 0 : right - left + 1; }
    int Height() const { return top < 0 ? 0 : bottom - top + 1; }
};

Ink InkOf(const Pixels& p) {
    Ink ink;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            if (!DayInk(p.At(x, y))) continue;
            if (ink.left < 0 || x < ink.left) ink.left = x;
            if (x > ink.right) ink.right = x;
            if (ink.top < 0) ink.top = y;
            ink.bottom = y;
        }
    return ink;
}

}  // namespace

TEST(DisplayScale, DayNumbersGrowWithTheScaleAndKeepEveryStroke) {
    SavedRegistryValue savedDpi(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
    const Date today = TodayLocal();
    // Two plain days: 28, and 20, whose 0 lost its right stroke once a
    // narrowed font's ink went past the text's box.
    const int wideDay = today.day == 28 ? 27 : 28;
    const int zeroDay = today.day == 20 ? 10 : 20;
    const int firstCell = IDC_DAY_FIRST + FirstWeekday(today.year, today.month);
    int height96 = 0;
    for (const int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE("dpi " + std::to_string(dpi));
        const DWORD value = static_cast<DWORD>(dpi);
        ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &value,
                                    sizeof value),
                  ERROR_SUCCESS);
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
        ProgramDir dir;
        dir.Start();
        HWND panel = WaitForPanel(true, kStartMs);
        ASSERT_NE(panel, nullptr);
        HWND wideCell = ::GetDlgItem(panel, firstCell + wideDay - 1);
        HWND zeroCell = ::GetDlgItem(panel, firstCell + zeroDay - 1);
        Ink wide, zero;
        ASSERT_TRUE(WaitFor(
            [&] {
                wide = InkOf(ScreenPicture::OfClient(wideCell));
                zero = InkOf(ScreenPicture::OfClient(zeroCell));
                return wide.Height() > 0 && zero.Height() > 0;
            },
            10000));
        // Kept once the whole panel has painted: its ticker's text shows and
        // two pictures in a row are equal.
        ScreenPicture shot = ScreenPicture::OfWindow(panel);
        WaitFor(
            [&] {
                ::Sleep(150);
                ScreenPicture next = ScreenPicture::OfWindow(panel);
                const bool same = next.Differing(shot) == 0;
                shot = std::move(next);
                return same && shot.Count(IsTickerInk) >= 20;
            },
            10000);
        KeepPicture(shot, "panel-" + std::to_string(dpi));

        if (dpi == 96) height96 = wide.Height();
        EXPECT_NEAR(wide.Height(), std::lround(height96 * dpi / 96.0), 1);
        // Two digits each: a 0 cut at its right stroke would be narrower.
        EXPECT_GE(zero.Width(), wide.Width() - 1);
        std::printf("dpi %d: 28 is %dx%d px, 20 is %dx%d px\n", dpi, wide.Width(), wide.Height(),
                    zero.Width(), zero.Height());
    }
}
