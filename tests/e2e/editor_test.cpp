// The memo editor and the reminder check in the real program: a day click
// opens the editor, OK saves and recolours the cell, and the reminder box
// comes once in its minute, also at 23:59. The program's clock is moved, so
// the tests wait for its passes, not for the real minute to come round.
#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/moved_clock.h"
#include "tests/support/pictures.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {
constexpr COLORREF kGold = RGB(255, 216, 0);
// The reminder thread checks every 27 s; a pass is due within this after the
// previous one, with room for a loaded machine.
constexpr DWORD kPassMs = 27000;
constexpr DWORD kPassSlackMs = 5000;
// Waits that only catch a hang.
constexpr DWORD kStartMs = 30000;

SYSTEMTIME Now() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return st;
}

std::string DateText(const SYSTEMTIME& t) {
    return std::to_string(t.wYear) + "-" + std::to_string(t.wMonth) + "-" + std::to_string(t.wDay);
}

int CellOfDay(const SYSTEMTIME& t, int day) {
    SYSTEMTIME first{};
    first.wYear = t.wYear;
    first.wMonth = t.wMonth;
    first.wDay = 1;
    FILETIME ft;
    ::SystemTimeToFileTime(&first, &ft);
    ::FileTimeToSystemTime(&ft, &first);  // fills the weekday
    return IDC_DAY_FIRST + first.wDayOfWeek + day - 1;
}

// A hovered cell is drawn in another colour: keep the pointer off the panel.
void MouseAway() { ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1); }

// Clicks a day cell, fills the editor and presses OK; true when the editor
// opened and closed again.
bool WriteMemoThroughEditor(HWND panel, int cell, const std::string& hour,
                            const std::string& minute, const std::string& content) {
    ::PostMessageA(panel, WM_COMMAND, MAKEWPARAM(cell, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(panel, cell)));
    HWND editor = nullptr;
    if (!WaitFor([&] { return (editor = ::FindWindowA("#32770", "New Memo")) != nullptr; }, 15000))
        return false;
    // Shown only once its initialisation has filled the fields, which would
    // overwrite what is typed before.
    if (!WaitFor([&] { return ::IsWindowVisible(editor) != FALSE; }, 15000)) return false;
    ::SetDlgItemTextA(editor, IDC_HOUR, hour.c_str());
    ::SetDlgItemTextA(editor, IDC_MINUTE, minute.c_str());
    ::SetDlgItemTextA(editor, IDC_CONTENT, content.c_str());
    ::PostMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_REMARK_OK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(editor, IDC_REMARK_OK)));
    return WaitFor([&] { return !::IsWindow(editor); }, 15000);
}

// Today's memo and remind time as the editor writes them; returns the
// memo's record.
std::string WriteTodaysMemo(ProgramDir& dir, const SYSTEMTIME& today, const std::string& memo,
                            const std::string& remindAt) {
    ::CreateDirectoryA(dir.File("Remark").c_str(), nullptr);
    ::CreateDirectoryA(dir.File("Notice").c_str(), nullptr);
    const std::string record = "[" + DateText(today) + "] " + memo;
    WriteFileBytes(dir.File("Remark\\Remark_" + DateText(today) + ".txt"), record);
    WriteFileBytes(dir.File("Notice\\Notice_" + DateText(today) + ".txt"), remindAt);
    return record;
}

// The moved clock of a copy started through SpawnAtTimeOfDay: it read
// `start` seconds after midnight at the driver's tick `spawned` and runs on
// from there.
struct MovedClock {
    int start = 0;
    DWORD spawned = 0;
    int SecondsAfterMidnight() const {
        return start + static_cast<int>((::GetTickCount() - spawned) / 1000);
    }
};

}  // namespace

TEST(EditorE2E, DayClickSavesTheMemoAndTheCellTurnsGold) {
    MouseAway();
    ProgramDir dir;
    const SYSTEMTIME today = Now();
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);

    // Another day of this month: gold once it has a memo.
    const int otherDay = today.wDay == 10 ? 11 : 10;
    const int otherCell = CellOfDay(today, otherDay);
    ASSERT_TRUE(WriteMemoThroughEditor(panel, otherCell, "9", "05", "Dentist"));
    SYSTEMTIME other = today;
    other.wDay = static_cast<WORD>(otherDay);
    EXPECT_EQ(ReadFileText(dir.File("Remark\\Remark_" + DateText(other) + ".txt")),
              "[" + DateText(other) + "] Dentist");
    EXPECT_EQ(ReadFileText(dir.File("Notice\\Notice_" + DateText(other) + ".txt")), "9:05");
    HWND otherWnd = ::GetDlgItem(panel, otherCell);
    EXPECT_TRUE(WaitFor([&] { return ScreenPicture::OfWindow(panel).CountIn(otherWnd, kGold) > 3; }, 15000));

    // Today, with a memo of two lines.
    const std::string memo = "Call the garage\r\nabout the tyres";
    ASSERT_TRUE(WriteMemoThroughEditor(panel, CellOfDay(today, today.wDay), "10", "15", memo));
    EXPECT_EQ(ReadFileText(dir.File("Remark\\Remark_" + DateText(today) + ".txt")),
              "[" + DateText(today) + "] " + memo);
    EXPECT_EQ(ReadFileText(dir.File("Notice\\Notice_" + DateText(today) + ".txt")), "10:15");
}

TEST(EditorE2E, TheReminderComesOnceInItsMinute) {
    ProgramDir dir;
    const SYSTEMTIME today = Now();
    if (today.wHour == 23 && today.wMinute >= 59) GTEST_SKIP() << "the real date is about to change";
    // The memo as the editor writes it (see the test above), due at 10:15;
    // the copy starts early in that minute, so its first pass and the pass
    // after the reminder closed both fall in it.
    const std::string record = WriteTodaysMemo(dir, today, "Call the garage\r\nabout the tyres", "10:15");
    const int remindMinute = 10 * 60 + 15;
    const MovedClock clock{remindMinute * 60 + 2, ::GetTickCount()};
    ASSERT_TRUE(SpawnAtTimeOfDay(dir, clock.start));
    ASSERT_NE(WaitForPanel(false, kStartMs), nullptr);
    DismissAnnouncement(kStartMs);

    // Within the remind minute, exactly once.
    HWND box = WaitForReminderBox(kPassMs + kPassSlackMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(clock.SecondsAfterMidnight() / 60, remindMinute);
    EXPECT_EQ(MessageBoxText(box), record);
    EXPECT_EQ(::GetWindow(box, GW_OWNER), nullptr);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }, 10000));
    // The next pass comes one interval after the box closed.
    if ((clock.SecondsAfterMidnight() + kPassMs / 1000) / 60 != remindMinute)
        std::cout << "[ note     ] the box came late in its minute: the next pass falls after it\n";
    EXPECT_FALSE(WaitFor([&] { return FindReminderBox() != nullptr; }, kPassMs + kPassSlackMs));
}

TEST(EditorE2E, AReminderAt2359FiresAt2359) {
    ProgramDir dir;
    const SYSTEMTIME today = Now();
    if (today.wHour == 23 && today.wMinute >= 58) GTEST_SKIP() << "the real date is about to change";
    const std::string record = WriteTodaysMemo(dir, today, "Last call of the day", "23:59");
    const MovedClock clock{23 * 3600 + 59 * 60 + 15, ::GetTickCount()};
    ASSERT_TRUE(SpawnAtTimeOfDay(dir, clock.start));
    ASSERT_NE(WaitForPanel(false, kStartMs), nullptr);

    // The start-up digest lists today's memo in a box owned by the panel;
    // the reminder comes whether or not it is closed yet.
    EXPECT_EQ(DismissAnnouncement(kStartMs), record + "\n");
    HWND box = WaitForReminderBox(kPassMs + kPassSlackMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(clock.SecondsAfterMidnight() / 60, 23 * 60 + 59) << "the box came after 23:59";
    EXPECT_EQ(MessageBoxText(box), record);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
}
