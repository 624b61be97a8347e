// The hand-over to a fresh copy at the change of date with something open in
// the old copy, and from a program folder with a long path. The program's
// clock is moved to just before midnight of a fixed date.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {
constexpr int kIconId = 164;
constexpr int kMenuButton = 1043;
constexpr int kFirstCell = 1000;
constexpr int kEditorOK = 1000;
constexpr int kContent = 1043;
constexpr int kHour = 1041;
constexpr int kMinute = 1057;
// 2026-10-5 lies in the first row's Monday cell (the month begins on a Thursday).
constexpr int kOctober5Cell = kFirstCell + 4 + 5 - 1;

// A copy started at 2026-10-31 23:59:`second`, with the driver's tick count
// at which its clock reaches midnight.
struct LateCopy {
    HWND panel = nullptr;
    HANDLE process = nullptr;
    DWORD midnight = 0;
};

LateCopy StartBeforeMidnight(const std::string& exe, int second) {
    LateCopy copy;
    const DWORD spawned = ::GetTickCount();
    if (!SpawnAtLocalTime(exe, LocalTimeOf(2026, 10, 31, 23, 59, second))) return copy;
    copy.midnight = spawned + (60 - second) * 1000;
    copy.panel = WaitForPanel(true, 15000);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(copy.panel, &pid);
    copy.process = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    return copy;
}

bool BeforeMidnight(const LateCopy& copy) {
    return static_cast<LONG>(copy.midnight - ::GetTickCount()) > 300;
}

bool MenuOpen() {
    HWND menu = ::FindWindowA("#32768", nullptr);
    return menu && ::IsWindowVisible(menu);
}

// The old copy ends and exactly one fresh copy runs, and stays the only one.
void ExpectOneFreshCopy(const LateCopy& old) {
    EXPECT_TRUE(ProgramDir::WaitExit(old.process, 15000));
    HWND fresh = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (fresh = FindPanel()) && fresh != old.panel; }, 8000));
    ::Sleep(2500);
    EXPECT_EQ(CountProcesses("Vellumo.exe"), 1);
    EXPECT_EQ(FindPanel(), fresh);
    char month[16] = {};
    ::GetDlgItemTextA(fresh, 1039, month, sizeof month);
    EXPECT_STREQ(month, "Nov");
    ::CloseHandle(old.process);
}
}  // namespace

TEST(DayChange, AnOpenMenuIsClosedAndExactlyOneFreshCopyStarts) {
    const struct {
        const char* name;
        UINT message;
        WPARAM wp;
        LPARAM lp;
    } menus[] = {
        {"tray menu", WM_USER, kIconId, WM_RBUTTONUP},
        {"tools menu", WM_COMMAND, MAKEWPARAM(kMenuButton, BN_CLICKED), 0},
    };
    for (const auto& m : menus) {
        SCOPED_TRACE(m.name);
        ProgramDir dir;
        const LateCopy old = StartBeforeMidnight(dir.File("Vellumo.exe"), 50);
        ASSERT_NE(old.panel, nullptr);
        ::PostMessageA(old.panel, m.message, m.wp, m.lp);
        ASSERT_TRUE(WaitFor(MenuOpen, 3000));
        ASSERT_TRUE(BeforeMidnight(old)) << "started too slowly to open the menu in time";
        ExpectOneFreshCopy(old);
        EXPECT_FALSE(MenuOpen());
    }
}

TEST(DayChange, AnOpenEditorKeepsTheOldCopyUntilItsMemoIsSaved) {
    ProgramDir dir;
    const LateCopy old = StartBeforeMidnight(dir.File("Vellumo.exe"), 50);
    ASSERT_NE(old.panel, nullptr);
    ::PostMessageA(old.panel, WM_COMMAND, MAKEWPARAM(kOctober5Cell, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(old.panel, kOctober5Cell)));
    HWND editor = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (editor = ::FindWindowA("#32770", "New Memo")) != nullptr; }, 5000));
    // Shown only once its initialisation has filled the fields, which would
    // overwrite what is typed before.
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(editor) != FALSE; }, 5000));
    ASSERT_TRUE(BeforeMidnight(old)) << "started too slowly to open the editor in time";

    // Well past midnight the user is still typing: nothing else starts.
    ::SetDlgItemTextA(editor, kHour, "9");
    ::SetDlgItemTextA(editor, kMinute, "30");
    ::SetDlgItemTextA(editor, kContent, "Written across midnight");
    ::Sleep(static_cast<DWORD>(static_cast<LONG>(old.midnight - ::GetTickCount())) + 3000);
    EXPECT_EQ(CountProcesses("Vellumo.exe"), 1);
    EXPECT_FALSE(ProgramDir::WaitExit(old.process, 0));
    EXPECT_TRUE(::IsWindow(editor));

    ::PostMessageA(editor, WM_COMMAND, MAKEWPARAM(kEditorOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(editor, kEditorOK)));
    ExpectOneFreshCopy(old);
    EXPECT_EQ(ReadFileText(dir.File("Remark\\Remark_2026-10-5.txt")),
              "[2026-10-5] Written across midnight");
}

TEST(DayChange, AProgramPathOfMoreThan255BytesStartsItsOwnProgram) {
    ProgramDir dir;
    // Folders down to a program path of 258 bytes, just within what the
    // platform starts.
    std::string folder = dir.Path();
    const size_t name = std::string("\\Vellumo.exe").size();
    while (folder.size() + name < 258) {
        folder += "\\" + std::string(std::min<size_t>(40, 258 - name - folder.size() - 1), 'f');
        ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    }
    const std::string exe = folder + "\\Vellumo.exe";
    ASSERT_EQ(exe.size(), 258u);
    ASSERT_TRUE(::CopyFileA(dir.File("Vellumo.exe").c_str(), exe.c_str(), FALSE));
    const LateCopy old = StartBeforeMidnight(exe, 56);
    ASSERT_NE(old.panel, nullptr);
    EXPECT_EQ(ProcessImageOf(old.panel), exe);
    EXPECT_TRUE(ProgramDir::WaitExit(old.process, 10000));
    HWND fresh = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (fresh = FindPanel()) && fresh != old.panel; }, 8000));
    EXPECT_EQ(ProcessImageOf(fresh), exe);
    EXPECT_EQ(CountProcesses("Vellumo.exe"), 1);
    ::CloseHandle(old.process);
}
