// Start-up, single instance and the command line, with the real program.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/support/windows_and_processes.h"

namespace {
// Waits that only catch a hang.
constexpr DWORD kShowMs = 10000;
constexpr DWORD kStartMs = 30000;

void ClickExitMark(HWND panel) {
    ::PostMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_EXIT_MARK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(panel, IDC_EXIT_MARK)));
}
}  // namespace

TEST(Startup, FirstStartShowsThePanelAndEndsOnTheExitMark) {
    ProgramDir dir;
    HANDLE first = dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    char title[32] = {};
    ::GetWindowTextA(panel, title, sizeof title);
    EXPECT_STREQ(title, "Vellumo");

    // Enter does nothing, Escape hides, the exit mark ends the program.
    // (Sent, so that it has been handled when the call returns.)
    DWORD_PTR ignored = 0;
    EXPECT_NE(::SendMessageTimeoutA(panel, WM_COMMAND, IDOK, 0, SMTO_NORMAL, kShowMs, &ignored), 0);
    EXPECT_TRUE(::IsWindowVisible(panel));
    ::PostMessageA(panel, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, kShowMs));
    EXPECT_FALSE(ProgramDir::WaitExit(first, 200));
    ClickExitMark(panel);
    EXPECT_TRUE(ProgramDir::WaitExit(first, kShowMs));

    // After the first copy ended, a new start is a first copy again.
    HANDLE again = dir.Start();
    ASSERT_NE(WaitForPanel(true, kStartMs), nullptr);
    EXPECT_FALSE(ProgramDir::WaitExit(again, 500));
}

TEST(Startup, SecondStartShowsTheHiddenPanelAndEndsAtOnce) {
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    ::PostMessageA(panel, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, kShowMs));

    HANDLE second = dir.Start();
    EXPECT_TRUE(ProgramDir::WaitExit(second, kStartMs));
    DWORD code = 99;
    ::GetExitCodeProcess(second, &code);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, kShowMs));
    EXPECT_EQ(FindPanel(), panel);  // still the first copy's window
}

TEST(Startup, SecondStartWithNowMakesTheRunningCopyStartTheBackup) {
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    ::PostMessageA(panel, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, kShowMs));

    HANDLE second = dir.Start("/now");
    EXPECT_TRUE(ProgramDir::WaitExit(second, kStartMs));
    ASSERT_TRUE(WaitFor([&] { return !dir.BackupRuns().empty(); }, kShowMs));
    EXPECT_EQ(dir.BackupRuns(), std::vector<std::string>({"[auto]"}));
    EXPECT_FALSE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, 500));  // left as it was
}

TEST(Startup, BackgroundStartsHiddenAndNowPrefixStartsTheBackup) {
    {
        ProgramDir dir;
        HANDLE first = dir.Start("/BACKGROUND");
        HWND panel = WaitForPanel(false, kStartMs);
        ASSERT_NE(panel, nullptr);
        // Hidden once the start-up is over, and it stays so.
        EXPECT_TRUE(WaitFor(
            [&] {
                return !::IsWindowVisible(panel) &&
                       !WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, 500);
            },
            kShowMs));
        EXPECT_FALSE(::IsWindowVisible(panel));
        EXPECT_FALSE(ProgramDir::WaitExit(first, 0));
        EXPECT_TRUE(dir.BackupRuns().empty());
    }
    {
        ProgramDir dir;
        dir.Start("/nowhere");
        HWND panel = WaitForPanel(false, kStartMs);
        ASSERT_NE(panel, nullptr);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, kShowMs));
        ASSERT_TRUE(WaitFor([&] { return !dir.BackupRuns().empty(); }, kShowMs));
        EXPECT_EQ(dir.BackupRuns(), std::vector<std::string>({"[auto]"}));
    }
}

TEST(Startup, SecondStartFindsThePanelBehindABoxWithItsTitle) {
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    // "Clean History Complete." shows in a box captioned with the program's name.
    ::PostMessageA(panel, WM_USER + 1, 0, 0);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = ::FindWindowA(nullptr, "Vellumo")) != panel; }, kShowMs));

    HANDLE second = dir.Start("/now");
    EXPECT_TRUE(ProgramDir::WaitExit(second, kStartMs));
    ASSERT_TRUE(WaitFor([&] { return !dir.BackupRuns().empty(); }, kShowMs));
    EXPECT_EQ(dir.BackupRuns(), std::vector<std::string>({"[auto]"}));
    EXPECT_TRUE(::IsWindow(box));
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
}
