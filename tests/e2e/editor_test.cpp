// The memo editor and the reminder check in the real program: a day click
// opens the editor, OK saves and recolours the cell, and the reminder box
// comes once in its minute, also at 23:59 with the program's clock moved.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_support.h"

namespace {
constexpr COLORREF kGold = RGB(255, 216, 0);
constexpr int kFirstCell = 1000;
constexpr int kEditorOK = 1000;
constexpr int kHour = 1041;
constexpr int kContent = 1043;
constexpr int kMinute = 1057;

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
    return kFirstCell + first.wDayOfWeek + day - 1;
}


// Pixels of `colour` the screen shows over `wnd`.
int ScreenCount(HWND wnd, COLORREF colour) {
    RECT r;
    ::GetWindowRect(wnd, &r);
    HDC screen = ::GetDC(nullptr);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += ::GetPixel(screen, x, y) == colour;
    ::ReleaseDC(nullptr, screen);
    return n;
}

// Clicks a day cell, fills the editor and presses OK; true when the editor
// opened and closed again.
bool WriteMemoThroughEditor(HWND panel, int cell, const std::string& hour,
                            const std::string& minute, const std::string& content) {
    ::PostMessageA(panel, WM_COMMAND, MAKEWPARAM(cell, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(panel, cell)));
    HWND editor = nullptr;
    if (!WaitFor([&] { return (editor = ::FindWindowA("#32770", "New Memo")) != nullptr; }, 5000))
        return false;
    WaitFor([&] { return ::IsWindowVisible(editor) != FALSE; }, 2000);
    ::SendMessageA(::GetDlgItem(editor, kHour), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(hour.c_str()));
    ::SendMessageA(::GetDlgItem(editor, kMinute), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(minute.c_str()));
    ::SendMessageA(::GetDlgItem(editor, kContent), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(content.c_str()));
    ::PostMessageA(editor, WM_COMMAND, MAKEWPARAM(kEditorOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(editor, kEditorOK)));
    return WaitFor([&] { return !::IsWindow(editor); }, 5000);
}

}  // namespace

TEST(EditorE2E, DayClickSavesTheMemoTheCellTurnsGoldAndTheReminderComesOnce) {
    SYSTEMTIME now = Now();
    if (now.wSecond > 45) {  // leave the remind minute ahead clear of the edit
        ::Sleep((61 - now.wSecond) * 1000);
        now = Now();
    }
    if (now.wHour == 23 && now.wMinute >= 58) GTEST_SKIP() << "too close to midnight";
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);

    // Another day of this month: gold once it has a memo.
    const int otherDay = now.wDay == 10 ? 11 : 10;
    const int otherCell = CellOfDay(now, otherDay);
    ASSERT_TRUE(WriteMemoThroughEditor(panel, otherCell, "9", "05", "Dentist"));
    SYSTEMTIME other = now;
    other.wDay = static_cast<WORD>(otherDay);
    EXPECT_EQ(ReadFileText(dir.File("Remark\\Remark_" + DateText(other) + ".txt")),
              "[" + DateText(other) + "] Dentist");
    EXPECT_EQ(ReadFileText(dir.File("Notice\\Notice_" + DateText(other) + ".txt")), "9:05");
    EXPECT_TRUE(WaitFor([&] { return ScreenCount(::GetDlgItem(panel, otherCell), kGold) > 3; },
                        3000));

    // Today, one minute ahead.
    const int remindMinute = (now.wHour * 60 + now.wMinute + 1) % (24 * 60);
    const std::string memo = "Call the garage\r\nabout the tyres";
    ASSERT_TRUE(WriteMemoThroughEditor(panel, CellOfDay(now, now.wDay),
                                       std::to_string(remindMinute / 60),
                                       std::to_string(remindMinute % 60), memo));
    const std::string record = "[" + DateText(now) + "] " + memo;
    EXPECT_EQ(ReadFileText(dir.File("Remark\\Remark_" + DateText(now) + ".txt")), record);

    // Within the remind minute (passes are 27 s apart), exactly once.
    HWND box = nullptr;
    ASSERT_NE(box = WaitForReminderBox(95000), nullptr);
    const SYSTEMTIME shownAt = Now();
    EXPECT_EQ(shownAt.wHour * 60 + shownAt.wMinute, remindMinute);
    EXPECT_EQ(BoxText(box), record);
    EXPECT_EQ(::GetWindow(box, GW_OWNER), nullptr);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }, 3000));
    // Closed at once: no second box for the rest of the minute and the
    // passes after it.
    const DWORD rest = (62 - Now().wSecond) * 1000 + 28000;
    EXPECT_FALSE(WaitFor([&] { return FindReminderBox() != nullptr; }, rest));
}

TEST(EditorE2E, AReminderAt2359FiresAt2359) {
    ProgramDir dir;
    const SYSTEMTIME today = Now();
    if (today.wHour == 23 && today.wMinute >= 58) GTEST_SKIP() << "the real date is about to change";
    ::CreateDirectoryA(dir.File("Remark").c_str(), nullptr);
    ::CreateDirectoryA(dir.File("Notice").c_str(), nullptr);
    const std::string record = "[" + DateText(today) + "] Last call of the day";
    WriteFileBytes(dir.File("Remark\\Remark_" + DateText(today) + ".txt"), record);
    WriteFileBytes(dir.File("Notice\\Notice_" + DateText(today) + ".txt"), "23:59");
    ASSERT_TRUE(SpawnAtTimeOfDay(dir, 23 * 3600 + 59 * 60 + 15));
    ASSERT_NE(WaitForPanel(false), nullptr);

    // The start-up digest lists today's memo in a box owned by the panel;
    // the reminder check starts once it is closed.
    EXPECT_EQ(DismissAnnouncement(10000), record + "\n");
    HWND box = WaitForReminderBox(30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(BoxText(box), record);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
}
