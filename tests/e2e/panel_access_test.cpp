// The panel for screen readers, tools and the keyboard, driven from another
// process: the grid's window texts and their name-change events, the keys
// among the days, and finding a memo.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <set>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/input.h"
#include "tests/support/moved_clock.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {
constexpr DWORD kStartMs = 30000;
constexpr DWORD kWaitMs = 10000;
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int DaysIn(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// The window system's own copy of the text, as any other process reads it
// (GetWindowText sends nothing to another process's window).
std::string SystemText(HWND wnd) {
    char text[64] = {};
    ::GetWindowTextA(wnd, text, sizeof text);
    return text;
}

// Every cell's and heading's text against the month's layout; "" when right.
std::string GridMismatch(HWND panel, int year, int month) {
    const int first = PlatformFirstWeekday(year, month);
    for (int i = 0; i < IDC_DAY_LAST - IDC_DAY_FIRST + 1; ++i) {
        const int day = i - first + 1;
        const std::string want = day >= 1 && day <= DaysIn(year, month) ? std::to_string(day) : "";
        const std::string got = SystemText(::GetDlgItem(panel, IDC_DAY_FIRST + i));
        if (got != want) return "cell " + std::to_string(i) + ": \"" + got + "\", not \"" + want + "\"";
    }
    if (SystemText(::GetDlgItem(panel, IDC_MONTH_LABEL)) != kMonths[month - 1]) return "month heading";
    if (SystemText(::GetDlgItem(panel, IDC_YEAR_LABEL)) != std::to_string(year)) return "year heading";
    return "";
}

std::set<HWND> g_renamed;
void CALLBACK OnNameChange(HWINEVENTHOOK, DWORD, HWND wnd, LONG object, LONG, DWORD, DWORD) {
    if (object == OBJID_WINDOW) g_renamed.insert(wnd);
}

HWND FocusOf(HWND panel) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(panel, nullptr), &info) ? info.hwndFocus
                                                                                : nullptr;
}

HWND CellOf(HWND panel, int year, int month, int day) {
    return ::GetDlgItem(panel, IDC_DAY_FIRST + PlatformFirstWeekday(year, month) + day - 1);
}

bool Foreground(HWND wnd) {
    ::SetForegroundWindow(wnd);
    return WaitFor([&] { return ::GetForegroundWindow() == wnd; }, kWaitMs);
}

// An open editor's date, then the editor closed; "" when none opened.
std::string EditorDateThenClose(HWND panel) {
    HWND editor = WaitForWindow(panel, "#32770", "New Memo", kWaitMs);
    if (!editor) return "";
    char date[32] = {};
    ::GetDlgItemTextA(editor, IDC_DATE, date, sizeof date);
    ::PostMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_REMARK_CANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(editor, IDC_REMARK_CANCEL)));
    WaitFor([&] { return !::IsWindow(editor); }, kWaitMs);
    return date;
}

// A list-view item's text in another process: the buffer must live there.
std::string ListText(HWND list, int item, int column) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(list, &pid);
    KernelHandle process(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (!process) return "?";
    constexpr SIZE_T kText = 256;
    char* remote = static_cast<char*>(
        ::VirtualAllocEx(process.Get(), nullptr, sizeof(LVITEMA) + kText, MEM_COMMIT, PAGE_READWRITE));
    if (!remote) return "?";
    LVITEMA request{};
    request.iSubItem = column;
    request.pszText = remote + sizeof(LVITEMA);
    request.cchTextMax = kText;
    char text[kText] = {};
    if (::WriteProcessMemory(process.Get(), remote, &request, sizeof request, nullptr)) {
        ::SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(remote));
        ::ReadProcessMemory(process.Get(), remote + sizeof(LVITEMA), text, kText - 1, nullptr);
    }
    ::VirtualFreeEx(process.Get(), remote, 0, MEM_RELEASE);
    return text;
}
}  // namespace

TEST(PanelAccess, OtherProcessesReadEveryCellAndHeadingAndSeeThemRenamed) {
    ProgramDir dir;
    HANDLE process = dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    const Date today = TodayLocal();
    // The texts follow the month once it has stood still a moment.
    auto reads = [&](int y, int m) {
        WaitFor([&] { return GridMismatch(panel, y, m).empty(); }, kWaitMs);
        return GridMismatch(panel, y, m);
    };
    EXPECT_EQ(reads(today.year, today.month), "");

    g_renamed.clear();
    HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                           &OnNameChange, ::GetProcessId(process), 0,
                                           WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    int year = today.year, month = today.month;
    auto step = [&](int id, int months) {
        ::SendMessageA(panel, WM_COMMAND, id, 0);
        month += months;
        while (month > 12) month -= 12, ++year;
        while (month < 1) month += 12, --year;
    };
    // Months on, over a year's end and back, and years both ways.
    const struct {
        int id, months;
    } steps[] = {{IDC_NEXT_MONTH, 1}, {IDC_NEXT_MONTH, 1}, {IDC_NEXT_YEAR, 12},
                 {IDC_PREV_MONTH, -1}, {IDC_PREV_YEAR, -12}, {IDC_PREV_YEAR, -12}};
    for (const auto& s : steps) {
        step(s.id, s.months);
        EXPECT_EQ(reads(year, month), "") << year << "-" << month;
    }
    HWND monthLabel = ::GetDlgItem(panel, IDC_MONTH_LABEL);
    HWND yearLabel = ::GetDlgItem(panel, IDC_YEAR_LABEL);
    HWND firstCell = ::GetDlgItem(panel, IDC_DAY_FIRST + 7);  // always shown, renumbered each month
    EXPECT_TRUE(PumpUntil([&] {
        return g_renamed.count(monthLabel) && g_renamed.count(yearLabel) && g_renamed.count(firstCell);
    }, kWaitMs)) << g_renamed.size() << " windows renamed";
    ::UnhookWinEvent(hook);
}

TEST(PanelKeys, TabArrowsAcrossTheMonthPagesHomeAndEnterOpenTheDay) {
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(Foreground(panel));
    const Date today = TodayLocal();
    const int prevYear = today.month == 1 ? today.year - 1 : today.year;
    const int prevMonth = today.month == 1 ? 12 : today.month - 1;
    const int nextYear = today.month == 12 ? today.year + 1 : today.year;
    const int nextMonth = today.month == 12 ? 1 : today.month + 1;
    auto focusOn = [&](int y, int m, int d) {
        return WaitFor([&] { return FocusOf(panel) == CellOf(panel, y, m, d); }, kWaitMs);
    };
    auto shows = [&](int y, int m) {
        return WaitFor([&] { return GridMismatch(panel, y, m).empty(); }, kWaitMs);
    };

    PressKey(VK_HOME);
    ASSERT_TRUE(focusOn(today.year, today.month, today.day));
    // Tab leaves the grid, one stop, for the logo below it; Shift+Tab comes
    // back to the same day, and again to the arrow above the grid.
    PressKey(VK_TAB);
    EXPECT_TRUE(WaitFor([&] { return FocusOf(panel) == ::GetDlgItem(panel, IDC_LOGO); }, kWaitMs));
    PressKey(VK_TAB, VK_SHIFT);
    EXPECT_TRUE(focusOn(today.year, today.month, today.day));
    PressKey(VK_TAB, VK_SHIFT);
    EXPECT_TRUE(WaitFor([&] { return FocusOf(panel) == ::GetDlgItem(panel, IDC_NEXT_YEAR); }, kWaitMs));
    PressKey(VK_HOME);
    ASSERT_TRUE(focusOn(today.year, today.month, today.day));
    // Left past the first day: the previous month's last.
    for (int i = 0; i < today.day; ++i) PressKey(VK_LEFT);
    EXPECT_TRUE(shows(prevYear, prevMonth));
    EXPECT_TRUE(focusOn(prevYear, prevMonth, DaysIn(prevYear, prevMonth)));
    // Right over the edge again, then a week down.
    PressKey(VK_RIGHT);
    EXPECT_TRUE(shows(today.year, today.month));
    EXPECT_TRUE(focusOn(today.year, today.month, 1));
    PressKey(VK_DOWN);
    EXPECT_TRUE(focusOn(today.year, today.month, 8));
    PressKey(VK_NEXT);
    EXPECT_TRUE(shows(nextYear, nextMonth));
    EXPECT_TRUE(focusOn(nextYear, nextMonth, 8));
    PressKey(VK_NEXT, VK_CONTROL);
    EXPECT_TRUE(shows(nextYear + 1, nextMonth));
    PressKey(VK_HOME);
    EXPECT_TRUE(shows(today.year, today.month));
    ASSERT_TRUE(focusOn(today.year, today.month, today.day));
    const std::string todayText = std::to_string(today.year) + "-" + std::to_string(today.month) +
                                  "-" + std::to_string(today.day);
    PressKey(VK_RETURN);
    EXPECT_EQ(EditorDateThenClose(panel), todayText);
    // Space too, as on any button.
    ASSERT_TRUE(Foreground(panel));
    ASSERT_TRUE(focusOn(today.year, today.month, today.day));
    PressKey(VK_SPACE);
    EXPECT_EQ(EditorDateThenClose(panel), todayText);
    // Escape still hides.
    ASSERT_TRUE(Foreground(panel));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, kWaitMs));
}

TEST(FindMemo, ListsTheMatchingDatesNewestFirstAndEnterOpensTheChosenOne) {
    ProgramDir dir;
    ::CreateDirectoryA(dir.File("Remark").c_str(), nullptr);
    ::CreateDirectoryA(dir.File("Notice").c_str(), nullptr);
    WriteFileBytes(dir.File("Remark\\Remark_2024-11-2.txt"), "[2024-11-2] Dentist again");
    WriteFileBytes(dir.File("Remark\\Remark_2025-3-4.txt"), "[2025-3-4] Call first\r\nthe DENTIST at nine");
    WriteFileBytes(dir.File("Notice\\Notice_2025-3-4.txt"), "9:30");
    WriteFileBytes(dir.File("Remark\\Remark_2026-1-10.txt"), "[2026-1-10] Buy milk");
    WriteFileBytes(dir.File("Remark\\Remark_2023-5-5.txt"), "[2023-5-5] dentist; bring the card");
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(Foreground(panel));
    PressKey('F', VK_CONTROL);
    HWND find = WaitForWindow(panel, "#32770", "Find Memo", kWaitMs);
    ASSERT_NE(find, nullptr);
    HWND list = ::GetDlgItem(find, IDC_FIND_LIST);
    ::SetDlgItemTextA(find, IDC_FIND_WORDS, "dentist");
    ASSERT_TRUE(WaitFor([&] { return ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 3; }, kWaitMs));
    const std::vector<std::vector<std::string>> want = {
        {"2025-3-4", "9:30", "the DENTIST at nine"},
        {"2024-11-2", "", "Dentist again"},
        {"2023-5-5", "", "dentist; bring the card"}};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(ListText(list, row, column), want[row][column]) << row << "," << column;
    // Every word must be there, anywhere in the memo.
    ::SetDlgItemTextA(find, IDC_FIND_WORDS, "card DENTIST");
    EXPECT_TRUE(WaitFor([&] { return ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 1; }, kWaitMs));
    // Down in the words moves to the second date; Enter opens it.
    ::SetDlgItemTextA(find, IDC_FIND_WORDS, "dentist");
    ASSERT_TRUE(WaitFor([&] { return ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 3; }, kWaitMs));
    ASSERT_TRUE(Foreground(find));
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    EXPECT_EQ(EditorDateThenClose(panel), "2024-11-2");
    EXPECT_FALSE(::IsWindow(find));
    EXPECT_TRUE(WaitFor([&] { return GridMismatch(panel, 2024, 11).empty(); }, kWaitMs));
}
