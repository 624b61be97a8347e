// Start-up, single instance and the command line, with the real program.
#include <gtest/gtest.h>

#include "tests/e2e/e2e_support.h"

namespace {
constexpr UINT kExitMark = 1063;

void ClickExitMark(HWND panel) {
    ::PostMessageA(panel, WM_COMMAND, MAKEWPARAM(kExitMark, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(panel, kExitMark)));
}
}  // namespace

TEST(Startup, FirstStartShowsThePanelAndEndsOnTheExitMark) {
    ProgramDir dir;
    HANDLE first = dir.Start();
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    char title[32] = {};
    ::GetWindowTextA(panel, title, sizeof title);
    EXPECT_STREQ(title, "Vellumo");

    // Enter does nothing, Escape hides, the exit mark ends the program.
    ::PostMessageA(panel, WM_COMMAND, IDOK, 0);
    ::Sleep(300);
    EXPECT_TRUE(::IsWindowVisible(panel));
    ::PostMessageA(panel, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, 3000));
    EXPECT_FALSE(ProgramDir::WaitExit(first, 200));
    ClickExitMark(panel);
    EXPECT_TRUE(ProgramDir::WaitExit(first, 5000));

    // After the first copy ended, a new start is a first copy again.
    HANDLE again = dir.Start();
    ASSERT_NE(WaitForPanel(true), nullptr);
    EXPECT_FALSE(ProgramDir::WaitExit(again, 500));
}

TEST(Startup, SecondStartShowsTheHiddenPanelAndEndsAtOnce) {
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    ::PostMessageA(panel, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, 3000));

    HANDLE second = dir.Start();
    EXPECT_TRUE(ProgramDir::WaitExit(second, 3000));
    DWORD code = 99;
    ::GetExitCodeProcess(second, &code);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, 2000));
    EXPECT_EQ(FindPanel(), panel);  // still the first copy's window
}

TEST(Startup, SecondStartWithNowMakesTheRunningCopyStartTheBackup) {
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    ::PostMessageA(panel, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, 3000));

    HANDLE second = dir.Start("/now");
    EXPECT_TRUE(ProgramDir::WaitExit(second, 3000));
    ASSERT_TRUE(WaitFor([&] { return !dir.BackupRuns().empty(); }, 5000));
    EXPECT_EQ(dir.BackupRuns(), std::vector<std::string>({"[auto]"}));
    ::Sleep(300);
    EXPECT_FALSE(::IsWindowVisible(panel));  // left as it was
}

TEST(Startup, BackgroundStartsHiddenAndNowPrefixStartsTheBackup) {
    {
        ProgramDir dir;
        HANDLE first = dir.Start("/BACKGROUND");
        HWND panel = WaitForPanel(false);
        ASSERT_NE(panel, nullptr);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, 3000));
        ::Sleep(500);
        EXPECT_FALSE(::IsWindowVisible(panel));
        EXPECT_FALSE(ProgramDir::WaitExit(first, 0));
        EXPECT_TRUE(dir.BackupRuns().empty());
    }
    {
        ProgramDir dir;
        dir.Start("/nowhere");
        HWND panel = WaitForPanel(false);
        ASSERT_NE(panel, nullptr);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, 3000));
        ASSERT_TRUE(WaitFor([&] { return !dir.BackupRuns().empty(); }, 5000));
        EXPECT_EQ(dir.BackupRuns(), std::vector<std::string>({"[auto]"}));
    }
}

TEST(Startup, SecondStartFindsThePanelBehindABoxWithItsTitle) {
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    // "Clean History Complete." shows in a box captioned with the program's name.
    ::PostMessageA(panel, WM_USER + 1, 0, 0);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = ::FindWindowA(nullptr, "Vellumo")) != panel; }, 3000));

    HANDLE second = dir.Start("/now");
    EXPECT_TRUE(ProgramDir::WaitExit(second, 3000));
    ASSERT_TRUE(WaitFor([&] { return !dir.BackupRuns().empty(); }, 5000));
    EXPECT_EQ(dir.BackupRuns(), std::vector<std::string>({"[auto]"}));
    EXPECT_TRUE(::IsWindow(box));
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
}
