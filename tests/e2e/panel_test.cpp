// The calendar panel of the real program: what the screen shows, dragging,
// the keys and marks, and the restart at the change of date.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/input.h"
#include "tests/support/moved_clock.h"
#include "tests/support/pictures.h"
#include "tests/support/registry.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGold = RGB(255, 216, 0);
constexpr COLORREF kToday = RGB(255, 80, 50);
// Waits that only catch a hang.
constexpr DWORD kShowMs = 10000;
constexpr DWORD kStartMs = 30000;
// A click that went through shows within this; after it the click is repeated.
constexpr DWORD kClickMs = 3000;

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string ItemText(HWND panel, int id) {
    char text[64] = {};
    ::GetDlgItemTextA(panel, id, text, sizeof text);
    return text;
}

// Pixels of the 180 x 489 skin picked from the artwork, in places of nearly
// even colour so that where the stretch rounds to does not matter within the
// tolerance; `under` is the transparent control over the point (0: none).
struct SkinPoint {
    int x, y;
    COLORREF colour;
    int under;
};
constexpr SkinPoint kSkinPoints[] = {
    {0, 0, RGB(8, 20, 54), 0},          // the dark rim, top left
    {179, 488, RGB(8, 20, 54), 0},      // and bottom right
    {115, 13, RGB(28, 66, 143), 0},     // title strip, right of the name
    {171, 108, RGB(25, 61, 132), 0},    // between the clock and the ticker
    {164, 480, RGB(61, 131, 207), 0},   // background, low right
    {155, 7, RGB(80, 124, 200), IDC_MINIMIZE_MARK},  // the marks' plates
    {168, 4, RGB(96, 141, 214), IDC_EXIT_MARK},
    {89, 422, RGB(107, 156, 214), IDC_LOGO},           // the logo's glass
    {30, 475, RGB(216, 231, 251), IDC_MENU_BUTTON},    // the menu plate
};
constexpr int kSkinWidth = 180, kSkinHeight = 489;
constexpr int kSkinTolerance = 10;

bool Near(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= kSkinTolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= kSkinTolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= kSkinTolerance;
}

std::string ColourText(COLORREF c) {
    return std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
           std::to_string(GetBValue(c));
}

POINT CentreOf(HWND wnd) {
    RECT r;
    ::GetWindowRect(wnd, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The pointer's own pace: a human's drag, not a synchronisation.
void MouseAt(POINT p) {
    ::SetCursorPos(p.x, p.y);
    ::mouse_event(MOUSEEVENTF_MOVE, 0, 0, 0, 0);
    ::Sleep(30);
}
void Drag(POINT from, int dx, int dy) {
    MouseAt(from);
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    ::Sleep(60);
    for (int i = 1; i <= 5; ++i) MouseAt(POINT{from.x + dx * i / 5, from.y + dy * i / 5});
    // A move loop that meets the release before the last move ends one step
    // short: on a loaded machine the moves queue up behind its paints.
    ::Sleep(150);
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
}

// True while the window's thread runs a move (or size) loop.
bool InMoveLoop(HWND wnd) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(wnd, nullptr), &info) &&
           (info.flags & GUI_INMOVESIZE) != 0;
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

// Waits until a click at `p` would reach `wnd` (shown and on top there).
bool ReachableAt(HWND wnd, POINT p) {
    return WaitFor([&] { return ::WindowFromPoint(p) == wnd; }, kShowMs);
}

std::string MemoPath(ProgramDir& dir, int y, int m, int d) {
    char name[64];
    std::snprintf(name, sizeof name, "Remark\\Remark_%d-%d-%d.txt", y, m, d);
    return dir.File(name);
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
    EXPECT_NE(DismissAnnouncement(kStartMs).find("[x] today\n"), std::string::npos);
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);

    const int first = IDC_DAY_FIRST + PlatformFirstWeekday(today.year, today.month);
    HWND gold = ::GetDlgItem(panel, first + goldDay - 1);
    HWND plain = ::GetDlgItem(panel, first + plainDay - 1);
    HWND todayCell = ::GetDlgItem(panel, first + today.day - 1);
    EXPECT_EQ(ItemText(panel, first + goldDay - 1), std::to_string(goldDay));
    EXPECT_EQ(ItemText(panel, IDC_MONTH_LABEL), kMonths[today.month - 1]);
    EXPECT_EQ(ItemText(panel, IDC_YEAR_LABEL), std::to_string(today.year));

    // Once every control has painted.
    HWND month = ::GetDlgItem(panel, IDC_MONTH_LABEL), year = ::GetDlgItem(panel, IDC_YEAR_LABEL);
    HWND sunday = ::GetDlgItem(panel, IDC_WEEKDAY_FIRST), monday = ::GetDlgItem(panel, IDC_WEEKDAY_FIRST + 1);
    HWND saturday = ::GetDlgItem(panel, IDC_WEEKDAY_LAST);
    auto painted = [&](const ScreenPicture& p) {
        return p.CountIn(gold, kGold) > 3 && p.CountIn(todayCell, kToday) > 3 && p.CountIn(plain, kWhite) > 3 &&
               p.CountIn(month, RGB(0, 0, 255)) > 10 && p.CountIn(year, RGB(0, 0, 255)) > 10 &&
               p.CountIn(sunday, RGB(255, 128, 128)) > 5 && p.CountIn(saturday, RGB(255, 128, 128)) > 5 &&
               p.CountIn(monday, RGB(0, 64, 255)) > 5;
    };
    EXPECT_TRUE(WaitFor([&] { return painted(ScreenPicture::OfWindow(panel)); }, kShowMs));
    const ScreenPicture shot = ScreenPicture::OfWindow(panel);
    EXPECT_GT(shot.CountIn(gold, kGold), 3);
    EXPECT_EQ(shot.CountIn(gold, kWhite), 0);
    EXPECT_GT(shot.CountIn(todayCell, kToday), 3);
    EXPECT_EQ(shot.CountIn(todayCell, kGold), 0);
    EXPECT_GT(shot.CountIn(plain, kWhite), 3);
    EXPECT_EQ(shot.CountIn(plain, kGold), 0);
    EXPECT_GT(shot.CountIn(month, RGB(0, 0, 255)), 10);
    EXPECT_GT(shot.CountIn(year, RGB(0, 0, 255)), 10);
    EXPECT_GT(shot.CountIn(sunday, RGB(255, 128, 128)), 5);
    EXPECT_GT(shot.CountIn(saturday, RGB(255, 128, 128)), 5);
    EXPECT_GT(shot.CountIn(monday, RGB(0, 64, 255)), 5);

    // Outside the controls the panel is the skin, stretched over the client
    // area; the marks, the logo and the menu button are transparent and
    // bare, so the skin shows under them as well.
    RECT client;
    ::GetClientRect(panel, &client);
    POINT origin{0, 0};
    ::ClientToScreen(panel, &origin);
    for (const SkinPoint& s : kSkinPoints) {
        // The screen pixel the stretch fills from the middle of skin pixel (x, y).
        POINT p{origin.x + (2 * s.x + 1) * client.right / (2 * kSkinWidth),
                origin.y + (2 * s.y + 1) * client.bottom / (2 * kSkinHeight)};
        SCOPED_TRACE("skin pixel " + std::to_string(s.x) + "," + std::to_string(s.y));
        HWND over = ::ChildWindowFromPointEx(panel, POINT{p.x - origin.x, p.y - origin.y}, CWP_SKIPINVISIBLE);
        EXPECT_EQ(over, s.under ? ::GetDlgItem(panel, s.under) : panel);
        const COLORREF shown = shot.At(p.x - shot.rect.left, p.y - shot.rect.top);
        EXPECT_TRUE(Near(shown, s.colour)) << ColourText(shown) << " instead of " << ColourText(s.colour);
    }
}

TEST(PanelScreen, DragsByTheSkinButNotByACell) {
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(ReachableAt(panel, FreeSkinPoint(panel)));
    const RECT before = WindowRect(panel);
    Drag(FreeSkinPoint(panel), 40, 30);
    EXPECT_TRUE(WaitFor([&] { return !InMoveLoop(panel) && WindowRect(panel).left == before.left + 40; }, kShowMs));
    const RECT moved = WindowRect(panel);
    EXPECT_EQ(moved.left, before.left + 40);
    EXPECT_EQ(moved.top, before.top + 30);

    const Date today = TodayLocal();
    HWND cell = ::GetDlgItem(panel, IDC_DAY_FIRST + PlatformFirstWeekday(today.year, today.month) + 14);
    ASSERT_TRUE(ReachableAt(cell, CentreOf(cell)));
    Drag(CentreOf(cell), 40, 30);
    EXPECT_FALSE(WaitFor([&] { return WindowRect(panel).left != moved.left; }, 1000));
    const RECT after = WindowRect(panel);
    EXPECT_EQ(after.left, moved.left);
    EXPECT_EQ(after.top, moved.top);
}

TEST(PanelScreen, KeysDoubleClickAndMarks) {
    ProgramDir dir;
    HANDLE process = dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    auto show = [&] {
        ::PostMessageA(panel, WM_COMMAND, ID_TRAY_SHOW, 0);
        return WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, kShowMs);
    };
    auto isHidden = [&] { return !::IsWindowVisible(panel); };
    auto hidden = [&] { return WaitFor(isHidden, kShowMs); };

    ::SetForegroundWindow(panel);
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == panel; }, kShowMs));
    ::keybd_event(VK_RETURN, 0, 0, 0);
    ::keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_FALSE(WaitFor([&] { return !::IsWindowVisible(panel); }, 500));
    ::keybd_event(VK_ESCAPE, 0, 0, 0);
    ::keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_TRUE(hidden());

    ASSERT_TRUE(show());
    const POINT free = FreeSkinPoint(panel);
    ASSERT_TRUE(ReachableAt(panel, free));
    EXPECT_TRUE(ClickUntil(free, isHidden, kClickMs, true));

    ASSERT_TRUE(show());
    HWND minimize = ::GetDlgItem(panel, IDC_MINIMIZE_MARK);
    ASSERT_TRUE(ReachableAt(minimize, CentreOf(minimize)));
    EXPECT_TRUE(ClickUntil(CentreOf(minimize), isHidden, kClickMs));
    EXPECT_FALSE(ProgramDir::WaitExit(process, 100));

    ASSERT_TRUE(show());
    HWND exitMark = ::GetDlgItem(panel, IDC_EXIT_MARK);
    ASSERT_TRUE(ReachableAt(exitMark, CentreOf(exitMark)));
    EXPECT_TRUE(ClickUntil(CentreOf(exitMark), [&] { return ProgramDir::WaitExit(process, 0); }, kClickMs));
}

TEST(PanelRestart, NewDateRestartsTheProgramWithTheNewDay) {
    ProgramDir dir;
    const Date today = TodayLocal();
    const Date tomorrow = AddDays(today, 1);
    LateCopy old;
    for (int attempt = 0; attempt < 3 && !(old.panel && old.BeforeMidnight()); ++attempt) {
        if (attempt > 0) EndAllCopies();  // too slow to see the old day: again
        StartBeforeMidnight(dir.File("Vellumo.exe"), today.year, today.month, today.day, old);
    }
    ASSERT_NE(old.panel, nullptr) << "no panel before midnight";
    ASSERT_TRUE(old.BeforeMidnight()) << "started too slowly to see the old day";
    old.HurryToMidnight();

    // The restart: the old copy ends and a fresh one shows the new day.
    EXPECT_TRUE(ProgramDir::WaitExit(old.process.Get(), kLeadSeconds * 1000 + kStartMs));
    HWND fresh = nullptr;
    EXPECT_TRUE(WaitFor(
        [&] {
            fresh = FindPanel();
            return fresh && fresh != old.panel && ::IsWindowVisible(fresh);
        },
        kStartMs));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(ItemText(fresh, IDC_MONTH_LABEL), kMonths[tomorrow.month - 1]);
    EXPECT_EQ(ItemText(fresh, IDC_YEAR_LABEL), std::to_string(tomorrow.year));
    HWND cell = ::GetDlgItem(fresh, IDC_DAY_FIRST + PlatformFirstWeekday(tomorrow.year, tomorrow.month) + tomorrow.day - 1);
    EXPECT_TRUE(WaitFor([&] { return ScreenPicture::OfWindow(fresh).CountIn(cell, kToday) > 3; }, kShowMs));
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
        const std::string oldTip = std::to_string(c.last.year) + "-" + std::to_string(c.last.month) + "-31";
        LateCopy old;
        ScreenPicture oldDigest(RECT{});
        std::vector<std::string> oldTips;
        // Started again when the machine was too slow to see the old day.
        for (int attempt = 0; attempt < 3; ++attempt) {
            StartBeforeMidnight(dir.File("Vellumo.exe"), c.last.year, c.last.month, c.last.day, old);
            ASSERT_NE(old.panel, nullptr) << "no panel before midnight";
            // Without its program file the copy cannot start itself again.
            ASSERT_TRUE(::MoveFileA(dir.File("Vellumo.exe").c_str(), dir.File("Vellumo.moved").c_str()));
            oldDigest = StillTicker(FindTicker(old.panel));
            oldTips = TrayTips();
            if (old.BeforeMidnight()) break;
            EndAllCopies();
            ASSERT_TRUE(::MoveFileA(dir.File("Vellumo.moved").c_str(), dir.File("Vellumo.exe").c_str()));
        }
        HWND panel = old.panel;
        ASSERT_TRUE(old.BeforeMidnight()) << "started too slowly to see the old day";
        old.HurryToMidnight();
        EXPECT_EQ(std::count(oldTips.begin(), oldTips.end(), oldTip), 1);

        // It carries on in the new day: the new month with today marked,
        // the new tip, the new day's digest, and the mutex is held.
        EXPECT_TRUE(WaitFor([&] { return ItemText(panel, IDC_MONTH_LABEL) == kMonths[c.next.month - 1]; },
                            kLeadSeconds * 1000 + kStartMs));
        EXPECT_FALSE(ProgramDir::WaitExit(old.process.Get(), 1000));
        EXPECT_EQ(FindPanel(), panel);
        EXPECT_TRUE(::IsWindowVisible(panel));
        EXPECT_EQ(ItemText(panel, IDC_YEAR_LABEL), std::to_string(c.next.year));
        HWND cell = ::GetDlgItem(panel, IDC_DAY_FIRST + PlatformFirstWeekday(c.next.year, c.next.month) + c.next.day - 1);
        EXPECT_TRUE(WaitFor([&] { return ScreenPicture::OfWindow(panel).CountIn(cell, kToday) > 3; }, kShowMs));
        const std::string newTip = std::to_string(c.next.year) + "-" + std::to_string(c.next.month) + "-1";
        std::vector<std::string> tips;
        EXPECT_TRUE(WaitFor(
            [&] {
                tips = TrayTips();
                return std::count(tips.begin(), tips.end(), newTip) == 1;
            },
            kShowMs));
        EXPECT_EQ(std::count(tips.begin(), tips.end(), oldTip), 0);
        EXPECT_GT(StillTicker(FindTicker(panel)).Differing(oldDigest), 50);
        EXPECT_TRUE(KernelHandle(::OpenMutexA(SYNCHRONIZE, FALSE, "ZEDE")).Valid());

        // The new day is its start date now: with the file back, no restart.
        ASSERT_TRUE(::MoveFileA(dir.File("Vellumo.moved").c_str(), dir.File("Vellumo.exe").c_str()));
        EXPECT_FALSE(ProgramDir::WaitExit(old.process.Get(), 2500));
        EXPECT_EQ(FindPanel(), panel);
        // And a second start hands over to it.
        ::PostMessageA(panel, WM_COMMAND, ID_TRAY_HIDE, 0);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, kShowMs));
        HANDLE second = dir.Start();
        EXPECT_TRUE(ProgramDir::WaitExit(second, kStartMs));
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, kShowMs));
        ::TerminateProcess(old.process.Get(), 1);
        ::WaitForSingleObject(old.process.Get(), 5000);
    }
}
