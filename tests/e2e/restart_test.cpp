// The hand-over to a fresh copy at the change of date with something open in
// the old copy, and from a program folder with a long path. The program's
// clock is moved to just before midnight of a fixed date.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/moved_clock.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {
// 2026-10-5 lies in the first row's Monday cell (the month begins on a Thursday).
constexpr int kOctober5Cell = IDC_DAY_FIRST + 4 + 5 - 1;
// Only catches a hang: the hand-over itself takes a second or two.
constexpr DWORD kHandOverMs = 30000;

// Starts a copy and does `open` with it (opens a menu or the editor); on a
// machine too slow to do it before midnight, ends it and starts again.
bool OpenBeforeMidnight(const std::string& exe, LateCopy& copy, const std::function<bool()>& open) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        StartBeforeMidnight(exe, 2026, 10, 31, copy);  // 2026-10-31 23:59:40
        if (copy.panel && open() && copy.BeforeMidnight()) {
            copy.HurryToMidnight();
            return true;
        }
        EndAllCopies();
    }
    return false;
}

bool MenuOpen() {
    HWND menu = ::FindWindowA("#32768", nullptr);
    return menu && ::IsWindowVisible(menu);
}

// The old copy ends and exactly one fresh copy runs, and stays the only one.
void ExpectOneFreshCopy(const LateCopy& old) {
    EXPECT_TRUE(ProgramDir::WaitExit(old.process.Get(), old.PastMidnight(kHandOverMs)));
    HWND fresh = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (fresh = FindPanel()) && fresh != old.panel; }, kHandOverMs));
    EXPECT_FALSE(WaitFor([] { return CountProcesses("Vellumo.exe") != 1; }, 2500));
    EXPECT_EQ(FindPanel(), fresh);
    char month[16] = {};
    ::GetDlgItemTextA(fresh, IDC_MONTH_LABEL, month, sizeof month);
    EXPECT_STREQ(month, "Nov");
}
}  // namespace

TEST(DayChange, AnOpenMenuIsClosedAndExactlyOneFreshCopyStarts) {
    const struct {
        const char* name;
        UINT message;
        WPARAM wp;
        LPARAM lp;
    } menus[] = {
        {"tray menu", WM_USER, kTrayIconId, WM_RBUTTONUP},
        {"tools menu", WM_COMMAND, MAKEWPARAM(IDC_MENU_BUTTON, BN_CLICKED), 0},
    };
    for (const auto& m : menus) {
        SCOPED_TRACE(m.name);
        ProgramDir dir;
        LateCopy old;
        ASSERT_TRUE(OpenBeforeMidnight(dir.File("Vellumo.exe"), old, [&] {
            // The tray icon comes after the panel's first paint: a click on it
            // can only be made once it is there.
            if (m.message == WM_USER && !WaitFor([] { return !TrayTips().empty(); }, old.PastMidnight(0)))
                return false;
            ::PostMessageA(old.panel, m.message, m.wp, m.lp);
            return WaitFor(MenuOpen, old.PastMidnight(0));
        })) << "started too slowly to open the menu in time";
        ExpectOneFreshCopy(old);
        EXPECT_FALSE(MenuOpen());
    }
}

TEST(DayChange, AnOpenEditorKeepsTheOldCopyUntilItsMemoIsSaved) {
    ProgramDir dir;
    LateCopy old;
    HWND editor = nullptr;
    ASSERT_TRUE(OpenBeforeMidnight(dir.File("Vellumo.exe"), old, [&] {
        ::PostMessageA(old.panel, WM_COMMAND, MAKEWPARAM(kOctober5Cell, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(old.panel, kOctober5Cell)));
        // Shown only once its initialisation has filled the fields, which
        // would overwrite what is typed before.
        return WaitFor(
            [&] {
                editor = ::FindWindowA("#32770", "New Memo");
                return editor && ::IsWindowVisible(editor);
            },
            old.PastMidnight(0));
    })) << "started too slowly to open the editor in time";

    // Well past midnight the user is still typing: nothing else starts.
    ::SetDlgItemTextA(editor, IDC_HOUR, "9");
    ::SetDlgItemTextA(editor, IDC_MINUTE, "30");
    ::SetDlgItemTextA(editor, IDC_CONTENT, "Written across midnight");
    EXPECT_FALSE(WaitFor(
        [&] {
            return CountProcesses("Vellumo.exe") != 1 || ProgramDir::WaitExit(old.process.Get(), 0) ||
                   !::IsWindow(editor);
        },
        old.PastMidnight(3000)));
    EXPECT_EQ(CountProcesses("Vellumo.exe"), 1);
    EXPECT_FALSE(ProgramDir::WaitExit(old.process.Get(), 0));
    EXPECT_TRUE(::IsWindow(editor));

    ::PostMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_REMARK_OK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(editor, IDC_REMARK_OK)));
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
    LateCopy old;
    ASSERT_TRUE(OpenBeforeMidnight(exe, old, [] { return true; })) << "started too slowly to see the old copy";
    EXPECT_EQ(ProcessImageOf(old.panel), exe);
    EXPECT_TRUE(ProgramDir::WaitExit(old.process.Get(), old.PastMidnight(kHandOverMs)));
    HWND fresh = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (fresh = FindPanel()) && fresh != old.panel; }, kHandOverMs));
    EXPECT_EQ(ProcessImageOf(fresh), exe);
    EXPECT_EQ(CountProcesses("Vellumo.exe"), 1);
}
