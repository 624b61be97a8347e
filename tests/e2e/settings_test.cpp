// The clock and the settings dialog in the real program: the clock shows
// today's date and the running time where its face has room for them, and
// the 12-hour format chosen in the settings reaches the running clock only
// through OK.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "controls/clock_digits.h"
#include "tests/e2e/driver_helpers.h"
#include "tests/e2e/e2e_support.h"

namespace {
constexpr int kClockItem = 1060;
constexpr int kSettingCommand = 32782;
constexpr int kFormat12 = 1071;
constexpr int kFaceW = 151, kFaceH = 72;

bool LcdGreen(COLORREF c) {
    return std::abs(GetRValue(c) - 179) <= 25 && std::abs(GetGValue(c) - 183) <= 25 &&
           std::abs(GetBValue(c) - 139) <= 25;
}
bool Dark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 300; }

// The face pixel a client pixel of the stretched clock comes from.
int FaceX(int x, int width) { return x * kFaceW / width; }
int FaceY(int y, int height) { return y * kFaceH / height; }

// Dark pixels over the AM/PM cell (face x 122..143, y 33..49).
int IndicatorDarkPixels(const ScreenPicture& p) {
    int n = 0;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            const int fx = FaceX(x, p.Width()), fy = FaceY(y, p.Height());
            if (fx >= 122 && fx < 144 && fy >= 33 && fy < 50) n += Dark(p.At(x, y));
        }
    return n;
}

LocalDateTime Now(int secondsBack = 0) {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    FILETIME ft;
    ::SystemTimeToFileTime(&st, &ft);
    ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
    t.QuadPart -= 10000000ULL * secondsBack;
    ft = FILETIME{t.LowPart, t.HighPart};
    ::FileTimeToSystemTime(&ft, &st);
    LocalDateTime now;
    now.date = Date{st.wYear, st.wMonth, st.wDay};
    now.time = TimeOfDay{st.wHour, st.wMinute, st.wSecond};
    return now;
}

// The clock as it should look at `now`: the face with the glyphs of the
// program's own bitmaps copied to their places, stretched over the client
// size the way the control stretches it.
std::vector<COLORREF> ExpectedClock(const std::string& exe, const LocalDateTime& now, int format,
                                    int width, int height) {
    std::vector<COLORREF> out;
    HMODULE module = ::LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return out;
    auto load = [&](int id) {
        return static_cast<HBITMAP>(
            ::LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    };
    HBITMAP face = load(138), large = load(137), small = load(186);
    HDC screen = ::GetDC(nullptr);
    HDC faceDc = ::CreateCompatibleDC(screen), largeDc = ::CreateCompatibleDC(screen),
        smallDc = ::CreateCompatibleDC(screen), dst = ::CreateCompatibleDC(screen);
    HBITMAP target = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old[4] = {::SelectObject(faceDc, face), ::SelectObject(largeDc, large),
                      ::SelectObject(smallDc, small), ::SelectObject(dst, target)};
    const ClockDigits d = ComputeClockDigits(now, format, 1);
    const int largeX[4] = {5, 32, 65, 92}, secondX[2] = {120, 134};
    const int dateX[8] = {5, 19, 41, 55, 77, 91, 105, 119};
    for (int i = 0; i < 4; ++i) ::BitBlt(faceDc, largeX[i], 33, 24, 34, largeDc, 24 * d.time[i], 0, SRCCOPY);
    for (int i = 0; i < 2; ++i)
        ::BitBlt(faceDc, secondX[i], 50, 12, 17, smallDc, 12 * d.time[4 + i], 0, SRCCOPY);
    ::BitBlt(faceDc, 122, 33, 22, 17, smallDc, IndicatorGlyphX(d.indicator), 0, SRCCOPY);
    for (int i = 0; i < 8; ++i) ::BitBlt(faceDc, dateX[i], 5, 12, 17, smallDc, 12 * d.date[i], 0, SRCCOPY);
    ::SetStretchBltMode(dst, COLORONCOLOR);
    ::StretchBlt(dst, 0, 0, width, height, faceDc, 0, 0, kFaceW, kFaceH, SRCCOPY);
    ::SelectObject(dst, old[3]);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<DWORD> raw(static_cast<size_t>(width) * height);
    ::GetDIBits(dst, target, 0, height, raw.data(), &bi, DIB_RGB_COLORS);
    for (DWORD p : raw) out.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    ::SelectObject(faceDc, old[0]);
    ::SelectObject(largeDc, old[1]);
    ::SelectObject(smallDc, old[2]);
    for (HDC dc : {faceDc, largeDc, smallDc, dst}) ::DeleteDC(dc);
    for (HBITMAP b : {face, large, small, target}) ::DeleteObject(b);
    ::ReleaseDC(nullptr, screen);
    ::FreeLibrary(module);
    return out;
}

// Pixels that differ from the expected clock, leaving out the seconds
// (they may tick between the picture and the expectation).
int ClockMismatch(const ScreenPicture& p, const std::vector<COLORREF>& expected) {
    if (expected.size() != p.pixels.size()) return -1;
    int n = 0;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            if (FaceX(x, p.Width()) >= 118 && FaceY(y, p.Height()) >= 48) continue;
            n += p.At(x, y) != expected[static_cast<size_t>(y) * p.Width() + x];
        }
    return n;
}

// True when the clock shows the date and hours and minutes of now (or of a
// moment ago: its worker refreshes once a second).
bool ClockShowsNow(ProgramDir& dir, HWND clock, int format, int* mismatch) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const LocalDateTime before = Now(2);
        const ScreenPicture p = ScreenPicture::OfClient(clock);
        const LocalDateTime after = Now();
        *mismatch = -1;
        for (const LocalDateTime& t : {after, before}) {
            const int m = ClockMismatch(p, ExpectedClock(dir.File("Vellumo.exe"), t, format,
                                                         p.Width(), p.Height()));
            if (m == 0) return true;
            if (*mismatch < 0 || (m >= 0 && m < *mismatch)) *mismatch = m;
        }
        ::Sleep(300);
    }
    return false;
}

HWND OpenSettings(HWND panel) {
    ::PostMessageA(panel, WM_COMMAND, kSettingCommand, 0);
    HWND dlg = nullptr;
    WaitFor(
        [&] {
            dlg = ::FindWindowA("#32770", "Vellumo Setting");
            return dlg && ::IsWindowVisible(dlg);
        },
        5000);
    return dlg;
}

void Close(HWND dlg, int button) {
    ::PostMessageA(dlg, WM_COMMAND, button, 0);
    WaitFor([&] { return !::IsWindow(dlg); }, 3000);
}

// Stored settings and the autorun entry, put back after each test.
struct SavedSettings {
    SavedRegistryValue timeFormat{HKEY_LOCAL_MACHINE, kSettingsKey, "TimeFormat"};
    SavedRegistryValue days{HKEY_LOCAL_MACHINE, kSettingsKey, "Days"};
    SavedRegistryValue autorun{HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                               "Vellumo"};
};
}  // namespace

TEST(SettingsClock, ShowsTodaysDateAndTheRunningTime) {
    SavedSettings saved;
    DeleteSetting("TimeFormat");
    ProgramDir dir;
    dir.Start();
    DismissAnnouncement(300);
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    HWND clock = ::GetDlgItem(panel, kClockItem);
    ASSERT_NE(clock, nullptr);
    ASSERT_TRUE(WaitFor(
        [&] {
            const ScreenPicture p = ScreenPicture::OfClient(clock);
            return p.Count(LcdGreen) > static_cast<int>(p.pixels.size()) / 3;
        },
        5000));

    const ScreenPicture first = ScreenPicture::OfClient(clock);
    EXPECT_GT(first.Count(Dark), 200);  // the segments of the digits
    // The seconds run: the picture changes within a second and a half.
    EXPECT_TRUE(WaitFor([&] { return ScreenPicture::OfClient(clock).Differing(first) > 0; }, 1500));
    int mismatch = 0;
    EXPECT_TRUE(ClockShowsNow(dir, clock, 24, &mismatch)) << mismatch << " pixels differ";
    EXPECT_EQ(IndicatorDarkPixels(ScreenPicture::OfClient(clock)), 0);  // no AM/PM in 24 hours
}

TEST(SettingsDialog, TwelveHoursReachTheRunningClockThroughOkOnly) {
    SavedSettings saved;
    StoreSetting("TimeFormat", 24);
    ProgramDir dir;
    dir.Start();
    DismissAnnouncement(300);
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    HWND clock = ::GetDlgItem(panel, kClockItem);
    ASSERT_TRUE(WaitFor([&] { return ScreenPicture::OfClient(clock).Count(LcdGreen) > 100; }, 5000));
    EXPECT_EQ(IndicatorDarkPixels(ScreenPicture::OfClient(clock)), 0);

    // Cancel after choosing 12 hours: nothing stored, the clock as it was.
    HWND dlg = OpenSettings(panel);
    ASSERT_NE(dlg, nullptr);
    ::SendMessageA(::GetDlgItem(dlg, kFormat12), BM_CLICK, 0, 0);
    EXPECT_EQ(::SendMessageA(::GetDlgItem(dlg, kFormat12), BM_GETCHECK, 0, 0), BST_CHECKED);
    Close(dlg, IDCANCEL);
    EXPECT_EQ(StoredSetting("TimeFormat"), 24);
    EXPECT_FALSE(WaitFor([&] { return IndicatorDarkPixels(ScreenPicture::OfClient(clock)) > 0; }, 1300));

    // OK: stored, and the running clock shows AM or PM within a second.
    dlg = OpenSettings(panel);
    ASSERT_NE(dlg, nullptr);
    ::SendMessageA(::GetDlgItem(dlg, kFormat12), BM_CLICK, 0, 0);
    Close(dlg, IDOK);
    const DWORD closed = ::GetTickCount();
    EXPECT_TRUE(WaitFor([&] { return IndicatorDarkPixels(ScreenPicture::OfClient(clock)) > 20; }, 1300))
        << "after " << ::GetTickCount() - closed << " ms";
    EXPECT_EQ(StoredSetting("TimeFormat"), 12);
    int mismatch = 0;
    EXPECT_TRUE(ClockShowsNow(dir, clock, 12, &mismatch)) << mismatch << " pixels differ";
}
