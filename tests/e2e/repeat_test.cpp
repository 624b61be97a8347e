// Repeating memos in the real program: a yearly memo made in the editor
// shows in the grid and reminds, once, years on under a moved clock;
// "Only this date" changes one year and leaves the others.
#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/moved_clock.h"
#include "tests/support/pictures.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {
constexpr COLORREF kGold = RGB(255, 216, 0);
constexpr DWORD kStartMs = 30000;
constexpr DWORD kPassMs = 27000 + 5000;
constexpr int kEveryYear = 4;  // the "Repeat" item

int CellOfDay(int year, int month, int day) { return IDC_DAY_FIRST + PlatformFirstWeekday(year, month) + day - 1; }

void MouseAway() { ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1); }

void Click(HWND wnd, int id) {
    ::PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(wnd, id)));
}

HWND OpenEditor(HWND panel, int cell) {
    Click(panel, cell);
    HWND editor = nullptr;
    if (!WaitFor([&] { return (editor = ::FindWindowA("#32770", "New Memo")) != nullptr; }, 15000)) return nullptr;
    if (!WaitFor([&] { return ::IsWindowVisible(editor) != FALSE; }, 15000)) return nullptr;
    return editor;
}

std::string ItemText(HWND wnd, int id) {
    char text[1024] = {};
    ::GetDlgItemTextA(wnd, id, text, sizeof text);
    return text;
}

bool Gold(HWND panel, int cell) {
    return WaitFor([&] { return ScreenPicture::OfWindow(panel).CountIn(::GetDlgItem(panel, cell), kGold) > 3; },
                   5000);
}

// Makes a yearly memo "Birthday" at 9:05 on 12 March 2026 in the editor.
void MakeBirthday(ProgramDir& dir) {
    ASSERT_TRUE(SpawnAtLocalTime(dir.File("Vellumo.exe"), LocalTimeOf(2026, 3, 2, 8, 0, 0)));
    HWND panel = WaitForPanel(false, kStartMs);
    ASSERT_NE(panel, nullptr);
    DismissAnnouncement(3000);
    HWND editor = OpenEditor(panel, CellOfDay(2026, 3, 12));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(7, ::SendDlgItemMessageA(editor, IDC_REMIND_AHEAD, CB_GETCOUNT, 0, 0));
    ::SetDlgItemTextA(editor, IDC_HOUR, "9");
    ::SetDlgItemTextA(editor, IDC_MINUTE, "05");
    ::SetDlgItemTextA(editor, IDC_CONTENT, "Birthday");
    ::SendDlgItemMessageA(editor, IDC_REPEAT, CB_SETCURSEL, kEveryYear, 0);
    Click(editor, IDC_REMARK_OK);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(editor); }, 15000));
    const std::string file = ReadFileText(dir.File("Repeat\\Repeat_1.txt"));
    EXPECT_NE(std::string::npos, file.find("first=2026-3-12\r\nrepeat=yearly\r\n")) << file;
    EXPECT_NE(std::string::npos, file.find("time=9:05\r\n\r\nBirthday")) << file;
    EXPECT_FALSE(FileExists(dir.File("Remark\\Remark_2026-3-12.txt")));
    // Every 12 March of the month shown is gold at once: this one.
    MouseAway();
    EXPECT_TRUE(Gold(panel, CellOfDay(2026, 3, 12)));
    EndAllCopies();
}
}  // namespace

TEST(RepeatE2E, AYearlyMemoFromTheEditorShowsAndRemindsOnceThreeYearsOn) {
    ProgramDir dir;
    MakeBirthday(dir);
    if (HasFatalFailure()) return;

    // 2029-3-12, just before its time: the start-up box lists it.
    ASSERT_TRUE(SpawnAtLocalTime(dir.File("Vellumo.exe"), LocalTimeOf(2029, 3, 12, 9, 4, 40)));
    HWND panel = WaitForPanel(false, kStartMs);
    ASSERT_NE(panel, nullptr);
    EXPECT_NE(std::string::npos, DismissAnnouncement(kStartMs).find("[2029-3-12] Birthday"));
    HWND box = nullptr;
    WaitFor([&] { return (box = FindReminderBox()) != nullptr && ::IsWindowVisible(box); }, kPassMs + 20000);
    ASSERT_NE(box, nullptr);
    // The window may first say that 2027's and 2028's went by unseen; this
    // year's joins it in its minute.
    EXPECT_TRUE(WaitFor([&] { return MessageBoxText(box).find("[2029-3-12] Birthday") != std::string::npos; },
                        kPassMs + 20000))
        << MessageBoxText(box);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(box); }, 10000));
    HWND again = nullptr;
    EXPECT_FALSE(WaitFor([&] { return (again = FindReminderBox()) != nullptr && ::IsWindowVisible(again); },
                         kPassMs))
        << MessageBoxText(again);  // once

    // The year before (not today) in the grid: gold on the 12th only.
    MouseAway();
    Click(panel, IDC_PREV_YEAR);
    EXPECT_TRUE(Gold(panel, CellOfDay(2028, 3, 12)));
    EXPECT_FALSE(Gold(panel, CellOfDay(2028, 3, 13)));
}

TEST(RepeatE2E, OnlyThisDateChangesOneYearAndLeavesTheOthers) {
    ProgramDir dir;
    MakeBirthday(dir);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(SpawnAtLocalTime(dir.File("Vellumo.exe"), LocalTimeOf(2027, 1, 5, 8, 0, 0)));
    HWND panel = WaitForPanel(false, kStartMs);
    ASSERT_NE(panel, nullptr);
    DismissAnnouncement(3000);
    Click(panel, IDC_NEXT_MONTH);
    Click(panel, IDC_NEXT_MONTH);
    // Opening an occurrence asks nothing; a change asks, and "Only this date"
    // gives the date a memo of its own.
    HWND editor = OpenEditor(panel, CellOfDay(2027, 3, 12));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ("Birthday", ItemText(editor, IDC_CONTENT));
    EXPECT_EQ(kEveryYear, ::SendDlgItemMessageA(editor, IDC_REPEAT, CB_GETCURSEL, 0, 0));
    ::SetDlgItemTextA(editor, IDC_CONTENT, "Birthday party at 6");
    Click(editor, IDC_REMARK_OK);
    HWND ask = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (ask = ::FindWindowA("#32770", "Repeating Memo")) != nullptr; }, 10000));
    WaitFor([&] { return ::IsWindowVisible(ask) != FALSE; }, 5000);
    KeepPicture(SettledPicture(ask, false), "repeat_scope_question");
    Click(ask, IDC_SCOPE_THIS_DATE);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(editor); }, 15000));
    EXPECT_EQ("[2027-3-12] Birthday party at 6", ReadFileText(dir.File("Remark\\Remark_2027-3-12.txt")));
    EXPECT_NE(std::string::npos, ReadFileText(dir.File("Repeat\\Repeat_1.txt")).find("skip=2027-3-12\r\n"));

    // Another year still shows the series' own text.
    Click(panel, IDC_NEXT_YEAR);
    editor = OpenEditor(panel, CellOfDay(2028, 3, 12));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ("Birthday", ItemText(editor, IDC_CONTENT));
    KeepPicture(SettledPicture(editor, false), "repeat_editor");
    // "Custom..." opens its dialog on the series' rule; Cancel keeps the item.
    ::SendDlgItemMessageA(editor, IDC_REPEAT, CB_SETCURSEL, 5, 0);
    ::PostMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_REPEAT, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(::GetDlgItem(editor, IDC_REPEAT)));
    HWND custom = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (custom = ::FindWindowA("#32770", "Custom Repeat")) != nullptr; }, 10000));
    WaitFor([&] { return ::IsWindowVisible(custom) != FALSE; }, 5000);
    EXPECT_EQ("On day 12", ItemText(custom, IDC_CUSTOM_SAME_DAY));
    KeepPicture(SettledPicture(custom, false), "repeat_custom");
    Click(custom, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(custom); }, 10000));
    EXPECT_EQ(kEveryYear, ::SendDlgItemMessageA(editor, IDC_REPEAT, CB_GETCURSEL, 0, 0));
    Click(editor, IDC_REMARK_CANCEL);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(editor); }, 15000));
    MouseAway();
    KeepPicture(SettledPicture(panel, false), "repeat_month");
    EXPECT_FALSE(FileExists(dir.File("Remark\\Remark_2028-3-12.txt")));
}

TEST(RepeatE2E, ARepeatingMemoRemindsADayAheadAsItsOwnReminder) {
    ProgramDir dir;
    ::CreateDirectoryA(dir.File("Repeat").c_str(), nullptr);
    WriteFileBytes(dir.File("Repeat\\Repeat_1.txt"),
                   "first=2026-3-12\r\nrepeat=yearly\r\nevery=1\r\ntime=9:05\r\nahead=1440\r\n\r\nBirthday");
    ASSERT_TRUE(SpawnAtLocalTime(dir.File("Vellumo.exe"), LocalTimeOf(2029, 3, 11, 9, 4, 40)));
    ASSERT_NE(WaitForPanel(false, kStartMs), nullptr);
    DismissAnnouncement(5000);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            return (box = FindReminderBox()) != nullptr && ::IsWindowVisible(box) &&
                   MessageBoxText(box).find("Due tomorrow at 9:05: Birthday") != std::string::npos;
        },
        kPassMs + 20000))
        << (box ? MessageBoxText(box) : std::string());
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(box); }, 10000));
    HWND again = nullptr;
    EXPECT_FALSE(WaitFor([&] { return (again = FindReminderBox()) != nullptr && ::IsWindowVisible(again); },
                         kPassMs));  // once
}

// Repeating memos that another program puts beside the running panel (a
// restore by hand, a sync client) show at the next month step, though the
// panel had looked and found no folder.
TEST(RepeatE2E, AFolderPutBesideTheRunningPanelShowsAtTheNextStep) {
    ProgramDir dir;
    ASSERT_TRUE(SpawnAtLocalTime(dir.File("Vellumo.exe"), LocalTimeOf(2026, 3, 2, 8, 0, 0)));
    HWND panel = WaitForPanel(false, kStartMs);
    ASSERT_NE(panel, nullptr);
    DismissAnnouncement(3000);
    MouseAway();
    const auto step = [&](int id) {
        ::SendMessageA(panel, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(panel, id)));
    };
    step(IDC_NEXT_MONTH);
    ::CreateDirectoryA(dir.File("Repeat").c_str(), nullptr);
    WriteFileBytes(dir.File("Repeat\\Repeat_1.txt"), "first=2026-3-12\r\nrepeat=yearly\r\nevery=1\r\n\r\nBirthday");
    step(IDC_PREV_MONTH);
    EXPECT_TRUE(Gold(panel, CellOfDay(2026, 3, 12)));
}
