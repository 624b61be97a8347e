// The calendar panel of the real program: what the screen shows, dragging,
// the keys and marks, and the restart at the change of date.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/common/test_dates.h"
#include "tests/e2e/driver_helpers.h"
#include "tests/e2e/e2e_support.h"

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGold = RGB(255, 216, 0);
constexpr COLORREF kToday = RGB(255, 80, 50);
constexpr int kFirstCell = 1000;
constexpr int kMinimizeMark = 1064;
constexpr int kExitMark = 1063;

int FirstWeekday(int year, int month) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = 1;
    FILETIME ft;
    ::SystemTimeToFileTime(&st, &ft);
    ::FileTimeToSystemTime(&ft, &st);
    return st.wDayOfWeek;
}

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string ItemText(HWND panel, int id) {
    char text[64] = {};
    ::GetDlgItemTextA(panel, id, text, sizeof text);
    return text;
}


// The skin as the panel stretches it: bitmap 183 of the program file,
// stretched over the panel's client size.
std::vector<COLORREF> StretchedSkin(const std::string& exe, int w, int h) {
    std::vector<COLORREF> out;
    HMODULE module = ::LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return out;
    HBITMAP skin = static_cast<HBITMAP>(
        ::LoadImageA(module, MAKEINTRESOURCEA(183), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP info{};
    ::GetObjectA(skin, sizeof info, &info);
    HDC screen = ::GetDC(nullptr);
    HDC src = ::CreateCompatibleDC(screen);
    HDC dst = ::CreateCompatibleDC(screen);
    HBITMAP target = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ oldSrc = ::SelectObject(src, skin);
    HGDIOBJ oldDst = ::SelectObject(dst, target);
    ::SetStretchBltMode(dst, COLORONCOLOR);
    ::StretchBlt(dst, 0, 0, w, h, src, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    ::SelectObject(dst, oldDst);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<DWORD> raw(static_cast<size_t>(w) * h);
    ::GetDIBits(dst, target, 0, h, raw.data(), &bi, DIB_RGB_COLORS);
    for (DWORD p : raw) out.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    oldDst = ::SelectObject(dst, target);
    ::SelectObject(src, oldSrc);
    ::SelectObject(dst, oldDst);
    ::DeleteObject(target);
    ::DeleteObject(skin);
    ::DeleteDC(src);
    ::DeleteDC(dst);
    ::ReleaseDC(nullptr, screen);
    ::FreeLibrary(module);
    return out;
}

POINT CentreOf(HWND wnd) {
    RECT r;
    ::GetWindowRect(wnd, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void MouseAt(POINT p) {
    ::SetCursorPos(p.x, p.y);
    ::mouse_event(MOUSEEVENTF_MOVE, 0, 0, 0, 0);
    ::Sleep(30);
}
void Press() {
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    ::Sleep(60);
}
void Release() {
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    ::Sleep(60);
}
void Drag(POINT from, int dx, int dy) {
    MouseAt(from);
    Press();
    for (int i = 1; i <= 5; ++i) MouseAt(POINT{from.x + dx * i / 5, from.y + dy * i / 5});
    Release();
    ::Sleep(200);
}
void Click(POINT p) {
    MouseAt(p);
    Press();
    Release();
}

RECT WindowRect(HWND wnd) {
    RECT r;
    ::GetWindowRect(wnd, &r);
    return r;
}

// A point of the panel's client area that no control covers.
POINT FreeSkinPoint(HWND panel) {
    POINT p{3, 3};  // left end of the title strip
    ::ClientToScreen(panel, &p);
    return p;
}

std::string MemoPath(ProgramDir& dir, int y, int m, int d) {
    char name[64];
    std::snprintf(name, sizeof name, "Remark\\Remark_%d-%d-%d.txt", y, m, d);
    return dir.File(name);
}

// Starts Vellumo.exe with its clock moved (see e2e_support.h) and returns
// the new copy's process, found by its panel.
HANDLE StartAtTimeOfDay(ProgramDir& dir, int target) {
    if (!SpawnAtTimeOfDay(dir, target)) return nullptr;
    HWND panel = WaitForPanel(true);
    if (!panel) return nullptr;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(panel, &pid);
    return ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
}

}  // namespace

TEST(PanelScreen, ShowsEveryElementInItsColours) {
    ProgramDir dir;
    const Date today = TodayLocal();
    const int goldDay = today.day == 10 ? 11 : 10;
    const int plainDay = today.day == 12 ? 13 : 12;
    ::CreateDirectoryA(dir.File("Remark").c_str(), nullptr);
    WriteFileBytes(MemoPath(dir, today.year, today.month, goldDay), "[x] gold");
    WriteFileBytes(MemoPath(dir, today.year, today.month, today.day), "[x] today");
    dir.Start();
    // Today's memo is announced before the panel shows.
    EXPECT_NE(DismissAnnouncement(10000).find("[x] today\n"), std::string::npos);
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    ::Sleep(800);  // let every control paint

    const int first = kFirstCell + FirstWeekday(today.year, today.month);
    HWND gold = ::GetDlgItem(panel, first + goldDay - 1);
    HWND plain = ::GetDlgItem(panel, first + plainDay - 1);
    HWND todayCell = ::GetDlgItem(panel, first + today.day - 1);
    EXPECT_EQ(ItemText(panel, first + goldDay - 1), std::to_string(goldDay));
    EXPECT_EQ(ItemText(panel, 1039), kMonths[today.month - 1]);
    EXPECT_EQ(ItemText(panel, 1040), std::to_string(today.year));

    const ScreenPicture shot = ScreenPicture::OfWindow(panel);
    EXPECT_GT(shot.CountIn(gold, kGold), 3);
    EXPECT_EQ(shot.CountIn(gold, kWhite), 0);
    EXPECT_GT(shot.CountIn(todayCell, kToday), 3);
    EXPECT_EQ(shot.CountIn(todayCell, kGold), 0);
    EXPECT_GT(shot.CountIn(plain, kWhite), 3);
    EXPECT_EQ(shot.CountIn(plain, kGold), 0);
    EXPECT_GT(shot.CountIn(::GetDlgItem(panel, 1039), RGB(0, 0, 255)), 10);  // month
    EXPECT_GT(shot.CountIn(::GetDlgItem(panel, 1040), RGB(0, 0, 255)), 10);  // year
    EXPECT_GT(shot.CountIn(::GetDlgItem(panel, 1045), RGB(255, 128, 128)), 5);  // Sunday
    EXPECT_GT(shot.CountIn(::GetDlgItem(panel, 1051), RGB(255, 128, 128)), 5);  // Saturday
    EXPECT_GT(shot.CountIn(::GetDlgItem(panel, 1046), RGB(0, 64, 255)), 5);     // Monday

    // Outside the controls the panel is the skin, stretched.
    RECT client;
    ::GetClientRect(panel, &client);
    const std::vector<COLORREF> skin = StretchedSkin(dir.File("Vellumo.exe"), client.right, client.bottom);
    ASSERT_EQ(skin.size(), static_cast<size_t>(client.right * client.bottom));
    POINT origin{0, 0};
    ::ClientToScreen(panel, &origin);
    std::vector<RECT> controls;
    for (HWND c = ::GetWindow(panel, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(c)) continue;
        RECT r;
        ::GetWindowRect(c, &r);
        ::MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&r), 2);
        controls.push_back(r);
    }
    int compared = 0, differing = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x) {
            POINT p{x, y};
            bool covered = false;
            for (const RECT& r : controls) covered = covered || ::PtInRect(&r, p);
            if (covered) continue;
            ++compared;
            differing += shot.At(x + origin.x - shot.rect.left, y + origin.y - shot.rect.top) !=
                         skin[y * client.right + x];
        }
    EXPECT_GT(compared, client.right * client.bottom / 3);
    EXPECT_EQ(differing, 0);
    // The marks, the logo and the menu button are transparent and bare:
    // exactly the skin under them.
    for (int id : {kMinimizeMark, kExitMark, 1053, 1043}) {
        RECT r;
        ::GetWindowRect(::GetDlgItem(panel, id), &r);
        int wrong = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const POINT c{x - origin.x, y - origin.y};
                wrong += shot.At(x - shot.rect.left, y - shot.rect.top) != skin[c.y * client.right + c.x];
            }
        EXPECT_EQ(wrong, 0) << id;
    }
}

TEST(PanelScreen, DragsByTheSkinButNotByACell) {
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    ::Sleep(500);
    const RECT before = WindowRect(panel);
    Drag(FreeSkinPoint(panel), 40, 30);
    const RECT moved = WindowRect(panel);
    EXPECT_EQ(moved.left, before.left + 40);
    EXPECT_EQ(moved.top, before.top + 30);

    const Date today = TodayLocal();
    const int cell = kFirstCell + FirstWeekday(today.year, today.month) + 14;
    Drag(CentreOf(::GetDlgItem(panel, cell)), 40, 30);
    const RECT after = WindowRect(panel);
    EXPECT_EQ(after.left, moved.left);
    EXPECT_EQ(after.top, moved.top);
}

TEST(PanelScreen, KeysDoubleClickAndMarks) {
    ProgramDir dir;
    HANDLE process = dir.Start();
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    ::Sleep(300);
    auto show = [&] {
        ::PostMessageA(panel, WM_COMMAND, 32773, 0);  // the tray's "Show"
        return WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, 3000);
    };
    auto hidden = [&] { return WaitFor([&] { return !::IsWindowVisible(panel); }, 3000); };

    ::SetForegroundWindow(panel);
    ::Sleep(100);
    ::keybd_event(VK_RETURN, 0, 0, 0);
    ::keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
    ::Sleep(400);
    EXPECT_TRUE(::IsWindowVisible(panel));
    ::keybd_event(VK_ESCAPE, 0, 0, 0);
    ::keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_TRUE(hidden());

    ASSERT_TRUE(show());
    ::Sleep(200);
    const POINT free = FreeSkinPoint(panel);
    Click(free);
    MouseAt(free);
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    EXPECT_TRUE(hidden());

    ASSERT_TRUE(show());
    ::Sleep(300);
    Click(CentreOf(::GetDlgItem(panel, kMinimizeMark)));
    EXPECT_TRUE(hidden());
    EXPECT_FALSE(ProgramDir::WaitExit(process, 100));

    ASSERT_TRUE(show());
    ::Sleep(300);
    Click(CentreOf(::GetDlgItem(panel, kExitMark)));
    EXPECT_TRUE(ProgramDir::WaitExit(process, 5000));
}

TEST(PanelRestart, NewDateRestartsTheProgramWithTheNewDay) {
    ProgramDir dir;
    HANDLE old = StartAtTimeOfDay(dir, 23 * 3600 + 59 * 60 + 58);
    ASSERT_NE(old, nullptr);
    HWND first = WaitForPanel(true);
    ASSERT_NE(first, nullptr);
    const DWORD shown = ::GetTickCount();
    const Date tomorrow = AddDays(TodayLocal(), 1);

    EXPECT_TRUE(ProgramDir::WaitExit(old, 5000));
    HWND fresh = nullptr;
    EXPECT_TRUE(WaitFor(
        [&] {
            fresh = FindPanel();
            return fresh && fresh != first && ::IsWindowVisible(fresh);
        },
        5000));
    ASSERT_NE(fresh, nullptr);
    EXPECT_LT(::GetTickCount() - shown, 4500u);
    ::Sleep(600);
    EXPECT_EQ(ItemText(fresh, 1039), kMonths[tomorrow.month - 1]);
    EXPECT_EQ(ItemText(fresh, 1040), std::to_string(tomorrow.year));
    const int cell = kFirstCell + FirstWeekday(tomorrow.year, tomorrow.month) + tomorrow.day - 1;
    const ScreenPicture shot = ScreenPicture::OfWindow(fresh);
    EXPECT_GT(shot.CountIn(::GetDlgItem(fresh, cell), kToday), 3);
    ::CloseHandle(old);
}

TEST(PanelRestart, FailedRestartKeepsTheOldCopyRunningInTheNewDay) {
    struct Case {
        Date last, next;
    } cases[] = {{{2026, 12, 31}, {2027, 1, 1}}, {{2026, 10, 31}, {2026, 11, 1}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.last.year) + "-" + std::to_string(c.last.month));
        ProgramDir dir;
        SavedRegistryValue days(HKEY_LOCAL_MACHINE, kSettingsKey, "Days");
        StoreSetting("Days", 1);  // the new day's memo is not in the old day's digest
        // A memo on the new day only: the new day's digest differs from the old.
        ::CreateDirectoryA(dir.File("Remark").c_str(), nullptr);
        WriteFileBytes(MemoPath(dir, c.next.year, c.next.month, c.next.day), "[x] first of the month");
        ASSERT_TRUE(SpawnAtLocalTime(dir.File("Vellumo.exe"),
                                     LocalTimeOf(c.last.year, c.last.month, c.last.day, 23, 59, 50)));
        HWND panel = WaitForPanel(true, 15000);
        ASSERT_NE(panel, nullptr);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(panel, &pid);
        HANDLE old = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        // Without its program file the copy cannot start itself again.
        ASSERT_TRUE(::MoveFileA(dir.File("Vellumo.exe").c_str(), dir.File("Vellumo.moved").c_str()));
        const ScreenPicture oldDigest = StillTicker(FindTicker(panel));
        const std::string oldTip = std::to_string(c.last.year) + "-" + std::to_string(c.last.month) + "-31";
        const std::vector<std::string> oldTips = TrayTips();
        EXPECT_EQ(std::count(oldTips.begin(), oldTips.end(), oldTip), 1);

        // It carries on in the new day: the new month with today marked,
        // the new tip, the new day's digest, and the mutex is held.
        EXPECT_TRUE(WaitFor([&] { return ItemText(panel, 1039) == kMonths[c.next.month - 1]; }, 15000));
        EXPECT_FALSE(ProgramDir::WaitExit(old, 1000));
        EXPECT_EQ(FindPanel(), panel);
        EXPECT_TRUE(::IsWindowVisible(panel));
        EXPECT_EQ(ItemText(panel, 1040), std::to_string(c.next.year));
        ::Sleep(300);
        const int cell = kFirstCell + FirstWeekday(c.next.year, c.next.month) + c.next.day - 1;
        EXPECT_GT(ScreenPicture::OfWindow(panel).CountIn(::GetDlgItem(panel, cell), kToday), 3);
        const std::vector<std::string> tips = TrayTips();
        const std::string newTip = std::to_string(c.next.year) + "-" + std::to_string(c.next.month) + "-1";
        EXPECT_EQ(std::count(tips.begin(), tips.end(), newTip), 1);
        EXPECT_EQ(std::count(tips.begin(), tips.end(), oldTip), 0);
        EXPECT_GT(StillTicker(FindTicker(panel)).Differing(oldDigest), 50);
        HANDLE mutex = ::OpenMutexA(SYNCHRONIZE, FALSE, "ZEDE");
        EXPECT_NE(mutex, nullptr);
        if (mutex) ::CloseHandle(mutex);

        // The new day is its start date now: with the file back, no restart.
        ASSERT_TRUE(::MoveFileA(dir.File("Vellumo.moved").c_str(), dir.File("Vellumo.exe").c_str()));
        EXPECT_FALSE(ProgramDir::WaitExit(old, 2500));
        EXPECT_EQ(FindPanel(), panel);
        // And a second start hands over to it.
        ::PostMessageA(panel, WM_COMMAND, 32774, 0);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, 3000));
        HANDLE second = dir.Start();
        EXPECT_TRUE(ProgramDir::WaitExit(second, 5000));
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, 3000));
        ::TerminateProcess(old, 1);
        ::WaitForSingleObject(old, 5000);
        ::CloseHandle(old);
    }
}
