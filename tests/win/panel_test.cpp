// The calendar panel in-process: the month grid laid out over memo files put
// in place by hand, and the navigation steps with their clamps.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/instance/app_state.h"
#include "app/memo/memo_store.h"
#include "app/panel/vellumo_dlg.h"
#include "core/calendar/month_model.h"
#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/in_process.h"
#include "tests/support/moved_clock.h"
#include "tests/support/pictures.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGold = RGB(255, 216, 0);
constexpr COLORREF kToday = RGB(255, 80, 50);

COLORREF TextOut(CVellumoDlg& panel, int id) {
    return panel.DayCell(id).StateColour(static_cast<int>(ButtonColourSlot::TextOut));
}

std::string Text(HWND wnd) {
    char text[64] = {};
    ::GetWindowTextA(wnd, text, sizeof text);
    return text;
}

void Command(CVellumoDlg& panel, int id, int times = 1) {
    for (int i = 0; i < times; ++i) ::SendMessageA(panel.m_hWnd, WM_COMMAND, id, 0);
}

// A day of this month other than today (whose colour wins over a memo's),
// with the memo folder made beside the tests and the store pointed there.
struct ShownDay {
    int day = 0;
    std::string path;  // its memo file
};
ShownDay ADayOfThisMonth() {
    const Date today = LocalDateNow();
    ShownDay shown;
    shown.day = today.day == 1 ? 2 : 1;
    ::CreateDirectoryA((TestProgramDir() + "\\Remark").c_str(), nullptr);
    Memos().InitMemoPaths(TestProgramDir());
    shown.path = Memos().MemoPath(Date{today.year, today.month, shown.day});
    return shown;
}
}  // namespace

TEST(Panel, LaysOutTheMonthWithMemoColoursAndTips) {
    const Date today = LocalDateNow();
    // Three days of this month other than today.
    int days[3];
    for (int d = 1, n = 0; n < 3; ++d)
        if (d != today.day) days[n++] = d;
    const std::string dir = TestProgramDir();
    ::CreateDirectoryA((dir + "\\Remark").c_str(), nullptr);
    Memos().InitMemoPaths(dir);
    const std::string gold = Memos().MemoPath(Date{today.year, today.month, days[0]});
    const std::string empty = Memos().MemoPath(Date{today.year, today.month, days[1]});
    const std::string longer = Memos().MemoPath(Date{today.year, today.month, days[2]});
    const std::string todays = Memos().MemoPath(Date{today.year, today.month, today.day});
    std::string big(5000, 'x');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
    WriteFileBytes(gold, "[2008-1-5] gold memo");
    WriteFileBytes(empty, "");
    WriteFileBytes(longer, big);
    WriteFileBytes(todays, "today's memo");

    RunPanel([&](CVellumoDlg& panel) {
        const CalendarMonth& shown = panel.ShownMonth();
        EXPECT_EQ(shown.year, today.year);
        EXPECT_EQ(shown.month, today.month);
        EXPECT_EQ(shown.firstCellId, kFirstDayCellId + FirstWeekday(today.year, today.month));
        EXPECT_EQ(Text(panel.YearLabel().m_hWnd), YearText(today.year));
        EXPECT_EQ(Text(panel.MonthLabel().m_hWnd), MonthAbbrev(today.month));

        const int goldCell = CellOfDay(shown, days[0]);
        EXPECT_EQ(TextOut(panel, goldCell), kGold);
        EXPECT_EQ(panel.DayCell(goldCell).TipText(), "[2008-1-5] gold memo");
        EXPECT_EQ(Text(panel.DayCell(goldCell).m_hWnd), std::to_string(days[0]));

        const int emptyCell = CellOfDay(shown, days[1]);
        EXPECT_EQ(TextOut(panel, emptyCell), kGold);
        EXPECT_EQ(panel.DayCell(emptyCell).TipText(), "");

        const int longCell = CellOfDay(shown, days[2]);
        EXPECT_EQ(TextOut(panel, longCell), kGold);
        EXPECT_EQ(panel.DayCell(longCell).TipText(), big.substr(0, 4096));

        const int todayCell = CellOfDay(shown, today.day);
        EXPECT_EQ(TextOut(panel, todayCell), kToday);
        EXPECT_EQ(panel.DayCell(todayCell).TipText(), "today's memo");

        // The tooltip itself holds the memo.
        char tip[128] = {};
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = panel.DayCell(goldCell).m_hWnd;
        tool.uId = 1;
        tool.lpszText = tip;
        ::SendMessageA(TipWindowAfterHover(panel.DayCell(goldCell)), TTM_GETTEXTA, sizeof tip,
                       reinterpret_cast<LPARAM>(&tool));
        EXPECT_STREQ(tip, "[2008-1-5] gold memo");

        // Today's memo was announced at start.
        EXPECT_EQ(LastAnnouncement(), "today's memo\n");

        // Cells outside the month are hidden, those inside shown.
        const int lastCell = CellOfDay(shown, DaysInMonth(today.year, today.month));
        for (int id = kFirstDayCellId; id <= kLastDayCellId; ++id)
            EXPECT_EQ(::IsWindowVisible(panel.DayCell(id).m_hWnd) != 0,
                      id >= shown.firstCellId && id <= lastCell)
                << id;
    });
    for (const std::string& f : {gold, empty, longer, todays}) ::DeleteFileA(f.c_str());
}

TEST(Panel, NavigationRelaysOutAndClampsOnlyTheYear) {
    const Date today = LocalDateNow();
    RunPanel([&](CVellumoDlg& panel) {
        Command(panel, IDC_PREV_YEAR, today.year - 2008);
        Command(panel, IDC_PREV_MONTH, today.month - 1);
        ASSERT_EQ(panel.ShownMonth().year, 2008);
        ASSERT_EQ(panel.ShownMonth().month, 1);
        Command(panel, IDC_PREV_MONTH);
        EXPECT_EQ(Text(panel.MonthLabel().m_hWnd), "Dec");
        EXPECT_EQ(Text(panel.YearLabel().m_hWnd), "2007");
        // December 2007 begins on a Saturday.
        EXPECT_EQ(panel.ShownMonth().firstCellId, 1006);
        EXPECT_EQ(Text(panel.DayCell(1006).m_hWnd), "1");
        EXPECT_FALSE(::IsWindowVisible(panel.DayCell(1005).m_hWnd));
        EXPECT_EQ(Text(panel.DayCell(1036).m_hWnd), "31");
        // Not the current month: the cell of today's day number is ordinary.
        const int cell = CellOfDay(panel.ShownMonth(), today.day);
        EXPECT_EQ(TextOut(panel, cell), kWhite);

        panel.ShowMonth(3499, 12);
        Command(panel, IDC_NEXT_YEAR);
        ASSERT_EQ(panel.ShownMonth().year, 3500);
        // A clamped step lays nothing out again: a mark on a cell survives.
        panel.DayCell(1010).SetStateColour(static_cast<int>(ButtonColourSlot::TextOut), RGB(1, 2, 3));
        Command(panel, IDC_NEXT_YEAR);
        EXPECT_EQ(panel.ShownMonth().year, 3500);
        EXPECT_EQ(TextOut(panel, 1010), RGB(1, 2, 3));
        EXPECT_EQ(Text(panel.YearLabel().m_hWnd), "3500");
        EXPECT_EQ(Text(panel.MonthLabel().m_hWnd), "Dec");

        Command(panel, IDC_NEXT_MONTH);
        EXPECT_EQ(Text(panel.MonthLabel().m_hWnd), "Jan");
        EXPECT_EQ(Text(panel.YearLabel().m_hWnd), "3501");
        EXPECT_EQ(panel.ShownMonth().firstCellId, kFirstDayCellId + FirstWeekday(3501, 1));
        EXPECT_EQ(TextOut(panel, 1010), kWhite);
    });
}

TEST(Panel, EnterDoesNothingEscapeAndTheMinimiseMarkHide) {
    RunPanel([&](CVellumoDlg& panel) {
        HWND wnd = panel.m_hWnd;
        ::SendMessageA(wnd, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(panel.IsRunning());
        EXPECT_TRUE(::IsWindowVisible(wnd));
        ::SendMessageA(wnd, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(panel.IsRunning());
        EXPECT_FALSE(::IsWindowVisible(wnd));
        ::SendMessageA(wnd, WM_COMMAND, ID_TRAY_SHOW, 0);
        EXPECT_TRUE(::IsWindowVisible(wnd));
        ::SendMessageA(wnd, WM_COMMAND, IDC_MINIMIZE_MARK, 0);
        EXPECT_FALSE(::IsWindowVisible(wnd));
        ::SendMessageA(wnd, WM_COMMAND, ID_TRAY_SHOW, 0);
        ::SendMessageA(wnd, WM_COMMAND, ID_TRAY_HIDE, 0);
        EXPECT_FALSE(::IsWindowVisible(wnd));
        EXPECT_EQ(::SendMessageA(wnd, WM_USER, 0, 0), 0);
        EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageA(wnd, WM_QUERYDRAGICON, 0, 0)),
                  ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)));
    });
}

TEST(Panel, DayTooltipShowsAmpersandsAsTyped) {
    const Date today = LocalDateNow();
    const int day = today.day == 1 ? 2 : 1;
    const std::string dir = TestProgramDir();
    ::CreateDirectoryA((dir + "\\Remark").c_str(), nullptr);
    Memos().InitMemoPaths(dir);
    const std::string memo = Memos().MemoPath(Date{today.year, today.month, day});
    WriteFileBytes(memo, "Tom & Jerry && co");
    RunPanel([&](CVellumoDlg& panel) {
        CSkinButton& cell = panel.DayCell(CellOfDay(panel.ShownMonth(), day));
        const HWND tip = TipWindowAfterHover(cell);
        ASSERT_TRUE(::IsWindow(tip));
        // Without it "&" would mark a mnemonic: "Tom  Jerry & co".
        EXPECT_TRUE(::GetWindowLongA(tip, GWL_STYLE) & TTS_NOPREFIX);
        char text[64] = {};
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = cell.m_hWnd;
        tool.uId = 1;
        tool.lpszText = text;
        ::SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
        EXPECT_STREQ(text, "Tom & Jerry && co");
    });
    ::DeleteFileA(memo.c_str());
}

TEST(Panel, MonthStepsLeaveTheGdiObjectCountFlat) {
    RunPanel([&](CVellumoDlg& panel) {
        Command(panel, IDC_NEXT_MONTH, 2);  // every cell and label has painted
        PumpMessages();
        const int before = CountGdiObjects();
        ASSERT_GT(before, 0);
        // A leak of one object in twenty steps already shows.
        for (int i = 0; i < 100; ++i) {
            Command(panel, IDC_NEXT_MONTH);
            PumpMessages();  // the cells and labels paint the new month
        }
        PumpMessages();
        EXPECT_LE(CountGdiObjects() - before, 5);
    });
}

TEST(Panel, AWindowOverTheGridDuringARelayoutLeavesNoTrace) {
    constexpr COLORREF kCover = RGB(255, 0, 255);  // no pixel of the skin or a caption
    static BrushHandle coverBrush(::CreateSolidBrush(kCover));
    WNDCLASSA wc{};
    wc.lpfnWndProc = &::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hbrBackground = coverBrush.Get();
    wc.lpszClassName = "VellumoCoverWindow";
    ::RegisterClassA(&wc);
    RunPanel([&](CVellumoDlg& panel) {
        PumpMessages();
        // Over the left half of the grid's top rows, while two steps lay it out.
        RECT first{}, last{};
        ::GetWindowRect(panel.DayCell(kFirstDayCellId).m_hWnd, &first);
        ::GetWindowRect(panel.DayCell(kFirstDayCellId + 17).m_hWnd, &last);
        HWND cover = ::CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "VellumoCoverWindow", "",
                                       WS_POPUP | WS_VISIBLE, first.left, first.top,
                                       (last.right - first.left) / 2, last.bottom - first.top,
                                       nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(cover, nullptr);
        PumpMessages();
        Command(panel, IDC_NEXT_MONTH);
        PumpMessages();
        Command(panel, IDC_PREV_MONTH);
        PumpMessages();
        ::DestroyWindow(cover);
        PumpUntil([] { return false; }, 300);  // the uncovered part repaints

        RECT grid{};
        ::GetWindowRect(panel.DayCell(kLastDayCellId).m_hWnd, &last);
        ::UnionRect(&grid, &first, &last);
        ::MapWindowPoints(nullptr, panel.m_hWnd, reinterpret_cast<POINT*>(&grid), 2);
        WindowDC dc(panel.m_hWnd);
        int covered = 0;
        for (int y = grid.top; y < grid.bottom; ++y)
            for (int x = grid.left; x < grid.right; ++x) covered += ::GetPixel(dc.Get(), x, y) == kCover;
        EXPECT_EQ(covered, 0);
    });
}

TEST(Panel, TheFirstShowAndAStepPaintTheFacesAsTheyPaintThemselves) {
    RunPanel([&](CVellumoDlg& panel) {
        // What the panel's own paint draws: every face at the first show, the
        // cells and headings at a step. The clock and ticker move on their
        // own; a face over them is left out.
        std::vector<RECT> faces;
        auto place = [&](int id) {
            RECT r{};
            ::GetWindowRect(::GetDlgItem(panel.m_hWnd, id), &r);
            ::MapWindowPoints(nullptr, panel.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
            return r;
        };
        const RECT clock = place(IDC_CLOCK);
        RECT ticker{};
        ::GetWindowRect(panel.Ticker().m_hWnd, &ticker);
        ::MapWindowPoints(nullptr, panel.m_hWnd, reinterpret_cast<POINT*>(&ticker), 2);
        const int ids[] = {IDC_YEAR_LABEL, IDC_MONTH_LABEL, IDC_PREV_YEAR,   IDC_PREV_MONTH,
                           IDC_NEXT_MONTH, IDC_NEXT_YEAR,   IDC_EXIT_MARK,   IDC_MENU_BUTTON,
                           IDC_LOGO,       IDC_MINIMIZE_MARK};
        std::vector<int> all(std::begin(ids), std::end(ids));
        for (int i = 0; i < 7; ++i) all.push_back(IDC_WEEKDAY_FIRST + i);
        for (int id = kFirstDayCellId; id <= kLastDayCellId; ++id) all.push_back(id);
        for (int id : all) {
            const RECT r = place(id);
            RECT over{};
            if (!::IntersectRect(&over, &r, &clock) && !::IntersectRect(&over, &r, &ticker))
                faces.push_back(r);
        }
        auto facePixels = [&] {
            WindowDC dc(panel.m_hWnd);
            std::vector<Pixels> read;
            for (const RECT& r : faces)
                read.push_back(ReadPixels(dc.Get(), r.left, r.top, r.right - r.left, r.bottom - r.top));
            return read;
        };
        auto differing = [](const std::vector<Pixels>& a, const std::vector<Pixels>& b) {
            int n = 0;
            for (size_t i = 0; i < a.size(); ++i) n += a[i].Differing(b[i]);
            return n;
        };
        auto selfPainted = [&] {
            ::RedrawWindow(panel.m_hWnd, nullptr, nullptr,
                           RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            return facePixels();
        };
        PumpMessages();
        const std::vector<Pixels> shown = facePixels();
        EXPECT_EQ(differing(shown, selfPainted()), 0);
        Command(panel, IDC_NEXT_MONTH);
        PumpMessages();
        const std::vector<Pixels> stepped = facePixels();
        EXPECT_EQ(differing(stepped, selfPainted()), 0);
        int white = 0;
        for (const Pixels& each : stepped) white += each.CountOf(kWhite);
        EXPECT_GT(white, 100);  // the day numbers are there
    });
}

// A cell a step hides lets the pointer through to the panel; one it shows
// again takes it.
TEST(Panel, ThePointerFindsExactlyTheCellsAStepShows) {
    RunPanel([&](CVellumoDlg& panel) {
        ::SetWindowPos(panel.m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        int hidden = 0, shown = 0;
        for (int step = 0; step < 14; ++step) {
            Command(panel, IDC_NEXT_MONTH);
            PumpMessages();
            for (int id : {kFirstDayCellId, kFirstDayCellId + 6, kLastDayCellId}) {
                HWND cell = panel.DayCell(id).m_hWnd;
                RECT r{};
                ::GetWindowRect(cell, &r);
                const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
                const bool visible = ::IsWindowVisible(cell) != FALSE;
                (visible ? shown : hidden) += 1;
                EXPECT_EQ(::WindowFromPoint(centre), visible ? cell : panel.m_hWnd)
                    << "step " << step << ", cell " << id;
            }
        }
        EXPECT_GT(hidden, 0);
        EXPECT_GT(shown, 0);
    });
}

TEST(Panel, AMemoWrittenChangedOrRemovedElsewhereShowsAtTheNextStep) {
    const ShownDay shown = ADayOfThisMonth();
    const int day = shown.day;
    const std::string& path = shown.path;
    ::DeleteFileA(path.c_str());
    RunPanel([&](CVellumoDlg& panel) {
        const int cell = CellOfDay(panel.ShownMonth(), day);
        auto stepAwayAndBack = [&] {
            Command(panel, IDC_NEXT_MONTH);
            Command(panel, IDC_PREV_MONTH);
        };
        EXPECT_EQ(TextOut(panel, cell), kWhite);
        for (const char* text : {"first text", "other text"}) {  // the same size: its time tells
            ASSERT_TRUE(WriteFileBytes(path, text));
            stepAwayAndBack();
            EXPECT_EQ(TextOut(panel, cell), kGold);
            EXPECT_EQ(panel.DayCell(cell).TipText(), text);
        }
        ::DeleteFileA(path.c_str());
        stepAwayAndBack();
        EXPECT_EQ(TextOut(panel, cell), kWhite);
        EXPECT_EQ(panel.DayCell(cell).TipText(), "");
    });
    ::DeleteFileA(path.c_str());
}

// As sync programs, archive extractors and restores do, and as any edit
// within the two-second step of a FAT drive looks: the size and every time
// stay those of the text the grid read.
TEST(Panel, ASameSizeEditWithItsTimesPutBackShowsWithoutAStep) {
    const ShownDay shown = ADayOfThisMonth();
    const int day = shown.day;
    const std::string& path = shown.path;
    ASSERT_TRUE(WriteFileBytes(path, "first text"));
    FILETIME created{}, accessed{}, written{};
    {
        FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(::GetFileTime(file.Get(), &created, &accessed, &written));
    }
    RunPanel([&](CVellumoDlg& panel) {
        const int cell = CellOfDay(panel.ShownMonth(), day);
        ASSERT_EQ(panel.DayCell(cell).TipText(), "first text");
        ASSERT_TRUE(WriteFileBytes(path, "other text"));
        {
            FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(::SetFileTime(file.Get(), &created, &accessed, &written));
        }
        EXPECT_TRUE(PumpUntil([&] { return panel.DayCell(cell).TipText() == "other text"; }));
        Command(panel, IDC_NEXT_MONTH);
        Command(panel, IDC_PREV_MONTH);
        EXPECT_EQ(panel.DayCell(cell).TipText(), "other text");
    });
    ::DeleteFileA(path.c_str());
}

// A restore that swaps folders, a sync client that makes the folder anew:
// the watch follows the folder renamed away, and the one now in its place is
// listed, read and watched all the same, without a step.
TEST(Panel, AMemoFolderPutInPlaceOfTheShownOneShowsWithinSeconds) {
    const ShownDay shown = ADayOfThisMonth();
    const int day = shown.day;
    const std::string& path = shown.path;
    const std::string remark = TestProgramDir() + "\\Remark", away = remark + ".away";
    ASSERT_TRUE(WriteFileBytes(path, "old folder's text"));
    RunPanel([&](CVellumoDlg& panel) {
        const int cell = CellOfDay(panel.ShownMonth(), day);
        ASSERT_EQ(panel.DayCell(cell).TipText(), "old folder's text");
        ASSERT_TRUE(::MoveFileA(remark.c_str(), away.c_str()));
        ASSERT_TRUE(::CreateDirectoryA(remark.c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(path, "new folder's text"));
        EXPECT_TRUE(PumpUntil([&] { return panel.DayCell(cell).TipText() == "new folder's text"; }, 10000));
        // And the new folder is the one watched.
        ASSERT_TRUE(WriteFileBytes(path, "new folder's edit"));
        EXPECT_TRUE(PumpUntil([&] { return panel.DayCell(cell).TipText() == "new folder's edit"; }, 10000));
    });
    ::DeleteFileA(path.c_str());
    ::DeleteFileA((away + path.substr(remark.size())).c_str());
    ::RemoveDirectoryA(away.c_str());
}

// A notification comes while another program holds the file: the day reads
// blank until it lets go, then shows the text without a step.
TEST(Panel, AMemoAnotherProgramHeldWhileItChangedShowsOnceLetGo) {
    const ShownDay shown = ADayOfThisMonth();
    const int day = shown.day;
    const std::string& path = shown.path;
    ASSERT_TRUE(WriteFileBytes(path, "first text"));
    RunPanel([&](CVellumoDlg& panel) {
        const int cell = CellOfDay(panel.ShownMonth(), day);
        ASSERT_EQ(panel.DayCell(cell).TipText(), "first text");
        {
            FileHandle held(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0,
                                          nullptr));
            ASSERT_TRUE(held);
            const std::string text = "the writer's text";
            DWORD written = 0;
            ASSERT_TRUE(::WriteFile(held.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                                    nullptr));
            ASSERT_TRUE(PumpUntil([&] { return panel.DayCell(cell).TipText().empty(); }, 10000));
        }
        EXPECT_TRUE(PumpUntil([&] { return panel.DayCell(cell).TipText() == "the writer's text"; }, 10000));
    });
    ::DeleteFileA(path.c_str());
}

TEST(Panel, AFocusedDayThatAStepHidesHandsTheFocusToAShownDay) {
    RunPanel([&](CVellumoDlg& panel) {
        // August 2026 ends on the grid's last cell; September's 30 days end
        // before it, so the cell of the 31st is hidden by the step.
        panel.ShowMonth(2026, 8);
        HWND last = panel.DayCell(IDC_DAY_LAST).m_hWnd;
        ::SendMessageA(panel.m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(last), TRUE);
        ASSERT_EQ(::GetFocus(), last);
        Command(panel, IDC_NEXT_MONTH);
        EXPECT_FALSE(::IsWindowVisible(last));
        // Enter opens the editor of the day that has the focus now.
        std::string date;
        ModalScript editor;
        editor.Then([&] {
            HWND dlg = FindThreadDialog("New Memo");
            if (!dlg) return false;
            date = Text(::GetDlgItem(dlg, IDC_DATE));
            ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        editor.Run([&] {
            MSG enter{::GetFocus(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
            return ::IsDialogMessageA(panel.m_hWnd, &enter);
        });
        EXPECT_EQ(date, "2026-9-30");
    });
}

TEST(Panel, ItsSurfacesLetTheirBitmapsGoBeforeDeletingThem) {
    SelectedBitmapDeleteWatch watch;
    ASSERT_TRUE(watch.Hooked());
    RunPanel([&](CVellumoDlg& panel) {
        Command(panel, IDC_NEXT_MONTH, 2);
        ::RedrawWindow(panel.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    });
    EXPECT_EQ(watch.Count(), 0) << "a bitmap deleted while selected leaks on Windows";
}
