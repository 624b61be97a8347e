// The clock and the settings dialog in the real program: the clock shows
// today's date and the running time where its face has room for them, and
// the 12-hour format chosen in the settings reaches the running clock only
// through OK.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "res/resource.h"
#include "tests/support/clock_face.h"
#include "tests/support/pictures.h"
#include "tests/support/registry.h"
#include "tests/support/windows_and_processes.h"

namespace {
using namespace clock_face;

// Waits that only catch a hang.
constexpr DWORD kShowMs = 10000;
constexpr DWORD kStartMs = 30000;

bool LcdGreen(COLORREF c) {
    return std::abs(GetRValue(c) - 179) <= 25 && std::abs(GetGValue(c) - 183) <= 25 &&
           std::abs(GetBValue(c) - 139) <= 25;
}
// Lit ink; the unlit placeholders and the face are light.
bool Dark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 300; }

// The glyphs, as a reader of the display knows them. Seven-segment digits:
// which of the segments a (top), b (top right), c (bottom right), d (bottom),
// e (bottom left), f (top left) and g (middle) each digit lights, and the
// middle of each segment in a large (24 x 34) and a small (12 x 17) cell.
const char* const kLitSegments[10] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                      "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};
struct Spot {
    int x, y;
};
constexpr Spot kLargeSegments[7] = {{12, 4}, {19, 10}, {19, 23}, {12, 30}, {5, 23}, {5, 10}, {12, 17}};
constexpr Spot kSmallSegments[7] = {{6, 2}, {9, 5}, {9, 11}, {6, 14}, {3, 11}, {3, 5}, {6, 8}};
// In the 22 x 17 indicator cell: the top left corner of the P (the A's top
// is narrower), the foot of the A's right leg (the P's bowl ends above it),
// and the M's left stroke.
constexpr Spot kOnlyInP{1, 3}, kOnlyInA{7, 13}, kInM{11, 9};

// The screen pixel of the stretched clock that shows face pixel (x, y).
COLORREF FacePixel(const ScreenPicture& p, int x, int y) {
    return p.At((2 * x + 1) * p.Width() / (2 * kFaceWidth), (2 * y + 1) * p.Height() / (2 * kFaceHeight));
}

// The digit a cell shows, as a character ('?' when its segments make none).
char DigitAt(const ScreenPicture& p, int cellX, int cellY, const Spot (&segments)[7]) {
    std::string lit;
    for (int s = 0; s < 7; ++s)
        if (Dark(FacePixel(p, cellX + segments[s].x, cellY + segments[s].y))) lit += static_cast<char>('a' + s);
    for (int d = 0; d < 10; ++d)
        if (lit == kLitSegments[d]) return static_cast<char>('0' + d);
    return '?';
}

// Dark pixels over the AM/PM cell.
int IndicatorDarkPixels(const ScreenPicture& p) {
    int n = 0;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            const int fx = x * kFaceWidth / p.Width(), fy = y * kFaceHeight / p.Height();
            if (fx >= kIndicatorX && fx < kIndicatorX + kIndicatorWidth && fy >= kIndicatorY &&
                fy < kIndicatorY + kSmallHeight)
                n += Dark(p.At(x, y));
        }
    return n;
}

std::string IndicatorText(const ScreenPicture& p) {
    if (IndicatorDarkPixels(p) == 0) return "";
    auto dark = [&](Spot s) { return Dark(FacePixel(p, kIndicatorX + s.x, kIndicatorY + s.y)); };
    if (!dark(kInM)) return " ??";
    if (dark(kOnlyInA) && !dark(kOnlyInP)) return " AM";
    if (dark(kOnlyInP) && !dark(kOnlyInA)) return " PM";
    return " ??";
}

// What the clock shows, but for the seconds: "dd-mm-yyyy hh:mm", then " AM"
// or " PM" when it shows an indicator.
std::string ShownText(const ScreenPicture& p) {
    std::string text;
    for (int i = 0; i < 8; ++i) {
        if (i == 2 || i == 4) text += '-';
        text += DigitAt(p, kDateX[i], kDateY, kSmallSegments);
    }
    text += ' ';
    for (int i = 0; i < 4; ++i) {
        if (i == 2) text += ':';
        text += DigitAt(p, kLargeX[i], kLargeY, kLargeSegments);
    }
    return text + IndicatorText(p);
}

// What it should show `secondsBack` seconds ago. In the 12-hour format the
// hours 13 to 23 lose 12 and show PM; midnight shows 00 AM, noon 12 PM (as
// the clock does: noon and after are afternoon hours).
std::string ExpectedText(int format, int secondsBack) {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    FILETIME ft;
    ::SystemTimeToFileTime(&st, &ft);
    ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
    t.QuadPart -= 10000000ULL * secondsBack;
    ft = FILETIME{t.LowPart, t.HighPart};
    ::FileTimeToSystemTime(&ft, &st);
    const bool twelve = format == 12;
    const int hour = twelve && st.wHour > 12 ? st.wHour - 12 : st.wHour;
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d %02d:%02d%s", st.wDay, st.wMonth, st.wYear, hour,
                  st.wMinute, !twelve ? "" : st.wHour >= 12 ? " PM" : " AM");
    return text;
}

// True when the clock shows the date and hours and minutes of now (or of a
// moment ago: its worker refreshes once a second); otherwise `*shown` is
// what it showed last and `*expected` what it should have.
bool ClockShowsNow(HWND clock, int format, std::string* shown, std::string* expected) {
    return WaitFor(
        [&] {
            const std::string before = ExpectedText(format, 2);
            *shown = ShownText(ScreenPicture::OfClient(clock));
            *expected = ExpectedText(format, 0);
            return *shown == *expected || *shown == before;
        },
        kShowMs);
}

HWND OpenSettings(HWND panel) {
    ::PostMessageA(panel, WM_COMMAND, ID_SETTING, 0);
    HWND dlg = nullptr;
    WaitFor(
        [&] {
            dlg = ::FindWindowA("#32770", "Vellumo Setting");
            return dlg && ::IsWindowVisible(dlg);
        },
        kShowMs);
    return dlg;
}

void Close(HWND dlg, int button) {
    ::PostMessageA(dlg, WM_COMMAND, button, 0);
    WaitFor([&] { return !::IsWindow(dlg); }, kShowMs);
}

}  // namespace

TEST(SettingsClock, ShowsTodaysDateAndTheRunningTime) {
    SavedSettings saved;  // what the test stores is put back when it ends
    DeleteSetting("TimeFormat");
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);  // no memos: no announcement before it
    ASSERT_NE(panel, nullptr);
    HWND clock = ::GetDlgItem(panel, IDC_CLOCK);
    ASSERT_NE(clock, nullptr);
    ASSERT_TRUE(WaitFor(
        [&] {
            const ScreenPicture p = ScreenPicture::OfClient(clock);
            return p.Count(LcdGreen) > static_cast<int>(p.pixels.size()) / 3;
        },
        kShowMs));

    const ScreenPicture first = ScreenPicture::OfClient(clock);
    EXPECT_GT(first.Count(Dark), 200);  // the segments of the digits
    // The seconds run.
    EXPECT_TRUE(WaitFor([&] { return ScreenPicture::OfClient(clock).Differing(first) > 0; }, kShowMs));
    std::string shown, expected;
    EXPECT_TRUE(ClockShowsNow(clock, 24, &shown, &expected)) << shown << " instead of " << expected;
    EXPECT_EQ(IndicatorDarkPixels(ScreenPicture::OfClient(clock)), 0);  // no AM/PM in 24 hours
}

TEST(SettingsDialog, TwelveHoursReachTheRunningClockThroughOkOnly) {
    SavedSettings saved;
    StoreSetting("TimeFormat", 24);
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);  // no memos: no announcement before it
    ASSERT_NE(panel, nullptr);
    HWND clock = ::GetDlgItem(panel, IDC_CLOCK);
    ASSERT_TRUE(WaitFor([&] { return ScreenPicture::OfClient(clock).Count(LcdGreen) > 100; }, kShowMs));
    EXPECT_EQ(IndicatorDarkPixels(ScreenPicture::OfClient(clock)), 0);

    // Cancel after choosing 12 hours: nothing stored, the clock as it was
    // through more than one of its refreshes.
    HWND dlg = OpenSettings(panel);
    ASSERT_NE(dlg, nullptr);
    ::SendMessageA(::GetDlgItem(dlg, IDC_FORMAT_12), BM_CLICK, 0, 0);
    EXPECT_EQ(::SendMessageA(::GetDlgItem(dlg, IDC_FORMAT_12), BM_GETCHECK, 0, 0), BST_CHECKED);
    Close(dlg, IDCANCEL);
    EXPECT_EQ(StoredSetting("TimeFormat"), 24);
    EXPECT_FALSE(WaitFor([&] { return IndicatorDarkPixels(ScreenPicture::OfClient(clock)) > 0; }, 2500));

    // OK: stored, and the running clock shows AM or PM.
    dlg = OpenSettings(panel);
    ASSERT_NE(dlg, nullptr);
    ::SendMessageA(::GetDlgItem(dlg, IDC_FORMAT_12), BM_CLICK, 0, 0);
    Close(dlg, IDOK);
    EXPECT_TRUE(WaitFor([&] { return IndicatorDarkPixels(ScreenPicture::OfClient(clock)) > 20; }, kShowMs));
    EXPECT_EQ(StoredSetting("TimeFormat"), 12);
    std::string shown, expected;
    EXPECT_TRUE(ClockShowsNow(clock, 12, &shown, &expected)) << shown << " instead of " << expected;
}
