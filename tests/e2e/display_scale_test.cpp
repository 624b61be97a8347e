// The panel at the display scales users run: 100, 125, 150 and 200 %. Each
// start takes the scale from the display settings; the day numbers grow with
// it and keep every stroke, and the arrows and the clock are the artwork
// drawn for that scale. Pictures of the panel, the editor, the settings,
// the cleaner and the tray menu go to the test results
// (screens/<what>-<dpi>.bmp) to be looked at.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/moved_clock.h"
#include "tests/support/pictures.h"
#include "tests/support/registry.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

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

// Sets the display scale the next program started reads; put back when done.
class DisplayDpi {
public:
    explicit DisplayDpi(int dpi) : saved_(HKEY_CURRENT_USER, kDesktopKey, "LogPixels") {
        const DWORD value = static_cast<DWORD>(dpi);
        set_ = ::RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &value,
                                 sizeof value) == ERROR_SUCCESS;
    }
    bool Set() const { return set_; }

private:
    SavedRegistryValue saved_;
    bool set_ = false;
};

// The program file's own resources: the artwork exactly as made for each scale.
class ProgramResources {
public:
    explicit ProgramResources(const std::string& exe)
        : module_(::LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~ProgramResources() {
        if (module_) ::FreeLibrary(module_);
    }
    ProgramResources(const ProgramResources&) = delete;
    ProgramResources& operator=(const ProgramResources&) = delete;

    Pixels Bitmap(UINT id) const {
        BitmapHandle bitmap(static_cast<HBITMAP>(
            ::LoadImageA(module_, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        return bitmap ? BitmapPixels(bitmap.Get()) : Pixels{};
    }
    // The icon drawn at `size` over `background`.
    Pixels Icon(UINT id, int size, COLORREF background) const {
        IconHandle icon(static_cast<HICON>(
            ::LoadImageA(module_, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0)));
        WindowDC screen(nullptr);
        MemoryDC dc(screen.Get());
        BitmapHandle canvas(::CreateCompatibleBitmap(screen.Get(), size, size));
        if (!icon || !dc.Valid() || !canvas) return Pixels{};
        dc.SelectBitmap(canvas.Get());
        BrushHandle fill(::CreateSolidBrush(background));
        const RECT all{0, 0, size, size};
        ::FillRect(dc.Get(), &all, fill.Get());
        ::DrawIconEx(dc.Get(), 0, 0, icon.Get(), size, size, 0, nullptr, DI_NORMAL);
        return ReadPixels(dc.Get(), 0, 0, size, size);
    }

private:
    HMODULE module_;
};

// Whether the icon's opaque pixels (the same over black and over white)
// show in `picture`, each exactly, at some place. The arrows' buttons are
// narrower than their icons (at 100 % too), so the icon may stand out of
// the picture by up to half of its pixels.
bool ShowsIcon(const Pixels& picture, const Pixels& overBlack, const Pixels& overWhite) {
    std::vector<std::pair<POINT, COLORREF>> opaque;
    for (int y = 0; y < overBlack.height; ++y)
        for (int x = 0; x < overBlack.width; ++x)
            if (overBlack.At(x, y) == overWhite.At(x, y)) opaque.push_back({POINT{x, y}, overBlack.At(x, y)});
    if (opaque.size() < 20) return false;
    for (int oy = 1 - overBlack.height; oy < picture.height; ++oy)
        for (int ox = 1 - overBlack.width; ox < picture.width; ++ox) {
            size_t inside = 0;
            bool all = true;
            for (const auto& p : opaque) {
                const int x = ox + p.first.x, y = oy + p.first.y;
                if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) continue;
                ++inside;
                if (picture.At(x, y) != p.second) {
                    all = false;
                    break;
                }
            }
            if (all && inside * 2 >= opaque.size()) return true;
        }
    return false;
}

// Pixels of `shown` found in `art` stretched to its size: the colour of the
// art pixel it samples or of one beside it (rounding of the stretch).
int StretchedMatches(const Pixels& shown, const Pixels& art) {
    int matches = 0;
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x) {
            const int sx = (2 * x + 1) * art.width / (2 * shown.width);
            const int sy = (2 * y + 1) * art.height / (2 * shown.height);
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    const int ax = sx + dx, ay = sy + dy;
                    found = ax >= 0 && ay >= 0 && ax < art.width && ay < art.height &&
                            art.At(ax, ay) == shown.At(x, y);
                }
            matches += found;
        }
    return matches;
}

// The scale's own resource ids of the artwork checked here.
struct ScaleArt {
    int dpi;
    UINT clockFace, nextMonth, prevYear;
};
constexpr ScaleArt kScales[] = {
    {96, IDB_CLOCK_FACE, IDI_NEXT_MONTH, IDI_PREV_YEAR},
    {120, IDB_CLOCK_FACE_125, IDI_NEXT_MONTH_125, IDI_PREV_YEAR_125},
    {144, IDB_CLOCK_FACE_150, IDI_NEXT_MONTH_150, IDI_PREV_YEAR_150},
    {192, IDB_CLOCK_FACE_200, IDI_NEXT_MONTH_200, IDI_PREV_YEAR_200},
};

// Opens a window of the panel's (by posting `command`), keeps its picture as
// <name>-<dpi> and closes it with Cancel.
void KeepDialog(HWND panel, WPARAM command, LPARAM from, const char* caption, const std::string& name) {
    SCOPED_TRACE(name);
    ::PostMessageA(panel, WM_COMMAND, command, from);
    HWND dialog = WaitForWindow(panel, "#32770", caption);
    ASSERT_NE(dialog, nullptr);
    KeepPicture(SettledPicture(dialog, false), name);
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
}

// A subscribed calendar of a local file with a holiday on a day of this
// month, which the panel marks; gone again with the object.
class LocalHoliday {
public:
    explicit LocalHoliday(ProgramDir& dir) {
        Forget();
        const Date today = TodayLocal();
        char line[64];
        std::snprintf(line, sizeof line, "DTSTART;VALUE=DATE:%04d%02d%02d\r\n", today.year, today.month,
                      today.day == 14 ? 15 : 14);
        const std::string file = dir.File("holidays.ics");
        WriteFileBytes(file, std::string("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n"
                                         "BEGIN:VEVENT\r\nUID:h1@test\r\n") +
                                 line + "SUMMARY:Founders Day\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
        ::RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Location", REG_SZ, file.c_str(),
                          static_cast<DWORD>(file.size() + 1));
        ::RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Name", REG_SZ, "Holidays", 9);
    }
    ~LocalHoliday() { Forget(); }
    // What the panel's fetch of it gave ("" before one).
    static std::string Result() {
        char result[256] = {};
        DWORD size = sizeof result;
        ::RegGetValueA(HKEY_CURRENT_USER, kKey, "Result", RRF_RT_REG_SZ, nullptr, result, &size);
        return result;
    }
    bool Read() const {
        return WaitFor([] { return Result().rfind("Updated", 0) == 0 || Result() == "Not changed"; }, 20000);
    }

private:
    static void Forget() {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Brakkon\\Torvane08\\Calendars");
        char appData[MAX_PATH] = {};
        const DWORD n = ::GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
        if (n > 0 && n < MAX_PATH) ::DeleteFileA((std::string(appData, n) + "\\Vellumo\\Calendars\\1.ics").c_str());
    }
    static constexpr const char* kKey = "Software\\Brakkon\\Torvane08\\Calendars\\1";
};

void CheckArtworkAndKeepPictures(const ScaleArt& art) {
    const std::string at = "-" + std::to_string(art.dpi);
    DisplayDpi dpi(art.dpi);
    ASSERT_TRUE(dpi.Set());
    ProgramDir dir;
    const LocalHoliday holiday(dir);
    ::CopyFileA((TestProgramDir() + "\\support\\scourwell\\Scourwell.dll").c_str(),
                dir.File("Scourwell.dll").c_str(), FALSE);
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    const ProgramResources resources(dir.File("Vellumo.exe"));

    // The arrows: the icons of this scale, at 16 pixels scaled, pixel for pixel.
    const int iconSize = ::MulDiv(16, art.dpi, 96);
    for (const auto& arrow : {std::make_pair(IDC_NEXT_MONTH, art.nextMonth), std::make_pair(IDC_PREV_YEAR, art.prevYear)}) {
        SCOPED_TRACE("arrow " + std::to_string(arrow.first));
        const Pixels black = resources.Icon(arrow.second, iconSize, RGB(0, 0, 0));
        const Pixels white = resources.Icon(arrow.second, iconSize, RGB(255, 255, 255));
        ASSERT_EQ(black.width, iconSize);
        HWND button = ::GetDlgItem(panel, arrow.first);
        EXPECT_TRUE(WaitFor([&] { return ShowsIcon(ScreenPicture::OfClient(button), black, white); }));
    }

    // The clock: its face of this scale, stretched to the clock's place as
    // at 100 %. The digits cover part of it. Above 100 % the face of this
    // scale explains more of the pixels than the 100 % face blown up.
    const Pixels face = resources.Bitmap(art.clockFace);
    const Pixels face100 = resources.Bitmap(IDB_CLOCK_FACE);
    ASSERT_GT(face.width, 0);
    const ScreenPicture clock = SettledPicture(::GetDlgItem(panel, IDC_CLOCK), true);
    const int own = StretchedMatches(clock, face), blownUp = StretchedMatches(clock, face100);
    std::printf("clock at %d dpi: %d of %d pixels from its own face, %d from the 100 %% face\n", art.dpi,
                own, clock.width * clock.height, blownUp);
    EXPECT_GE(own * 10, clock.width * clock.height * 7);
    if (art.dpi != 96) {
        EXPECT_GT(own, blownUp);
    }

    const int cell = IDC_DAY_FIRST + 10;
    KeepDialog(panel, MAKEWPARAM(cell, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(panel, cell)),
               "New Memo", "editor" + at);
    KeepDialog(panel, ID_SETTING, 0, "Vellumo Setting", "settings" + at);
    KeepDialog(panel, ID_CLEAR_HISTORY, 0, "Clear Histroy", "cleaner" + at);
    KeepDialog(panel, ID_CALENDARS, 0, "Calendars", "calendars" + at);
    KeepDialog(panel, ID_CALENDAR_SERVER, 0, "Calendar Server", "calendar-server" + at);
    // The month with the subscribed holiday, marked under its day number.
    ASSERT_TRUE(holiday.Read()) << LocalHoliday::Result();
    KeepPicture(SettledPicture(panel, false), "panel-with-holiday" + at);
    HWND menu = OpenTrayMenu(panel);
    ASSERT_NE(menu, nullptr);
    KeepPicture(ScreenPicture::OfWindow(menu), "tray-menu" + at);
    ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
}

}  // namespace

// One case a scale, so that they run side by side.
TEST(DisplayScale, ArtworkAndPicturesAt96Dpi) { CheckArtworkAndKeepPictures(kScales[0]); }
TEST(DisplayScale, ArtworkAndPicturesAt120Dpi) { CheckArtworkAndKeepPictures(kScales[1]); }
TEST(DisplayScale, ArtworkAndPicturesAt144Dpi) { CheckArtworkAndKeepPictures(kScales[2]); }
TEST(DisplayScale, ArtworkAndPicturesAt192Dpi) { CheckArtworkAndKeepPictures(kScales[3]); }

TEST(DisplayScale, DayNumbersGrowWithTheScaleAndKeepEveryStroke) {
    const Date today = TodayLocal();
    // Two plain days: 28, and 20, whose 0 lost its right stroke once a
    // narrowed font's ink went past the text's box.
    const int wideDay = today.day == 28 ? 27 : 28;
    const int zeroDay = today.day == 20 ? 10 : 20;
    const int firstCell = IDC_DAY_FIRST + PlatformFirstWeekday(today.year, today.month);
    int height96 = 0;
    for (const int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE("dpi " + std::to_string(dpi));
        DisplayDpi scale(dpi);
        ASSERT_TRUE(scale.Set());
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
        // the picture stands still.
        ScreenPicture shot(RECT{});
        WaitFor(
            [&] {
                shot = SettledPicture(panel, false, 2000);
                return shot.Count(IsTickerInk) >= 20;
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
