// The notification-area icon of the real program: present while it runs,
// its right-click menu (themed, chosen by keys) and double click.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/pictures.h"
#include "tests/support/windows_and_processes.h"

namespace {

// Waits that only catch a hang.
constexpr DWORD kShowMs = 10000;
constexpr DWORD kStartMs = 30000;

// The shell answers a change of nothing for an icon it holds, and refuses
// one it does not.
bool IconPresent(HWND panel) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V3_SIZE;
    data.hWnd = panel;
    data.uID = kTrayIconId;
    return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// A shown popup menu of the program's process, or null.
HWND g_panel = nullptr;
HWND VisibleMenuWindow() { return FindOf(g_panel, "#32768"); }

// Chooses the item at `position`: Home selects the first, whatever was
// selected before. Posted keys reach the menu in order.
void ChooseByKeys(HWND menu, int position) {
    ::PostMessageA(menu, WM_KEYDOWN, VK_HOME, 0);
    for (int i = 0; i < position; ++i) ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    WaitFor([] { return VisibleMenuWindow() == nullptr; }, kShowMs);
}

}  // namespace

TEST(TrayIcon, MenuAndDoubleClickShowHideAndExit) {
    ProgramDir dir;
    HANDLE process = dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    g_panel = panel;
    ASSERT_TRUE(WaitFor([&] { return IconPresent(panel); }, kStartMs));

    // Right click while shown: Hide, Show, Exit; the first one hides.
    HWND menu = OpenTrayMenu(panel);
    ASSERT_NE(menu, nullptr);
    const ScreenPicture shot = ScreenPicture::OfWindow(menu);
    KeepPicture(shot, "tray_menu");
    const int width = shot.Width();
    ASSERT_GT(width, 20);
    ASSERT_GT(shot.Height(), 3 * 22);
    // The icon column is shaded: its outer and inner edges differ, and the
    // item area right of it has the colour the column shades from.
    const int y = 4 + 11;
    const COLORREF outer = shot.At(3, y);
    const COLORREF inner = shot.At(3 + 22, y);
    const COLORREF area = shot.At(width - 12, y);
    EXPECT_NE(outer, inner);
    EXPECT_NE(inner, area);
    ChooseByKeys(menu, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, kShowMs));

    // Hidden: Show comes first and brings the panel back.
    WaitFor([&] { return ::GetForegroundWindow() != panel; }, kShowMs);
    menu = OpenTrayMenu(panel);
    ASSERT_NE(menu, nullptr);
    ChooseByKeys(menu, 0);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, kShowMs));

    // Double click: the first command without a menu.
    ::PostMessageA(panel, WM_USER, kTrayIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, kShowMs));
    ::PostMessageA(panel, WM_USER, kTrayIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, kShowMs));
    EXPECT_EQ(VisibleMenuWindow(), nullptr);

    // A left click and a move do nothing.
    ::PostMessageA(panel, WM_USER, kTrayIconId, WM_LBUTTONUP);
    ::PostMessageA(panel, WM_USER, kTrayIconId, WM_MOUSEMOVE);
    EXPECT_FALSE(WaitFor([&] { return VisibleMenuWindow() != nullptr || !::IsWindowVisible(panel); }, 500));
    EXPECT_EQ(VisibleMenuWindow(), nullptr);
    EXPECT_TRUE(::IsWindowVisible(panel));

    // Exit is the third item: the program ends and takes its icon along.
    menu = OpenTrayMenu(panel);
    ASSERT_NE(menu, nullptr);
    ChooseByKeys(menu, 2);
    EXPECT_TRUE(ProgramDir::WaitExit(process, kShowMs));
    EXPECT_FALSE(IconPresent(panel));
}

TEST(TrayIcon, ComesBackWhenTheTaskbarIsCreatedAgain) {
    ProgramDir dir;
    dir.Start("/background");
    HWND panel = WaitForPanel(false, kStartMs);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitFor([&] { return IconPresent(panel); }, kStartMs));

    // What a restarting Explorer looks like to the program: its icons are
    // gone, then the new taskbar announces itself to every top-level window.
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V3_SIZE;
    data.hWnd = panel;
    data.uID = kTrayIconId;
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &data));
    ASSERT_FALSE(IconPresent(panel));
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0,
                          SMTO_ABORTIFHUNG, kShowMs, &ignored);
    EXPECT_TRUE(WaitFor([&] { return IconPresent(panel); }, kStartMs));
    // The hidden panel can still be reached through it.
    ::PostMessageA(panel, WM_USER, kTrayIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, kShowMs));
}
