// The notification-area icon of the real program: present while it runs,
// its right-click menu (themed, chosen by keys) and double click.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

constexpr UINT kIconId = 164;
// Waits that only catch a hang.
constexpr DWORD kShowMs = 10000;
constexpr DWORD kStartMs = 30000;

// The shell answers a change of nothing for an icon it holds, and refuses
// one it does not.
bool IconPresent(HWND panel) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V3_SIZE;
    data.hWnd = panel;
    data.uID = kIconId;
    return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// A shown popup menu of the program's process, or null.
DWORD g_programId = 0;
HWND VisibleMenuWindow() {
    for (HWND wnd = ::FindWindowExA(nullptr, nullptr, "#32768", nullptr); wnd;
         wnd = ::FindWindowExA(nullptr, wnd, "#32768", nullptr)) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(wnd, &process);
        if (process == g_programId && ::IsWindowVisible(wnd)) return wnd;
    }
    return nullptr;
}

// The menu opens beside the pointer, which then stays still: once two
// pictures of it a moment apart agree, whatever the pointer hovers has been
// drawn, and the keys come after it. Under Wine the focus leaves a panel
// just hidden a little late, and that late deactivation closes a menu
// opened before it: then the menu is opened again.
HWND OpenTrayMenu(HWND panel) {
    ::SetCursorPos(900, 700);
    for (int attempt = 0; attempt < 5; ++attempt) {
        ::PostMessageA(panel, WM_USER, kIconId, WM_RBUTTONUP);
        HWND menu = nullptr;
        if (!WaitFor([&] { return (menu = VisibleMenuWindow()) != nullptr; }, kShowMs)) return nullptr;
        ScreenPicture last = ScreenPicture::OfWindow(menu);
        const bool settled = WaitFor(
            [&] {
                ::Sleep(150);
                ScreenPicture next = ScreenPicture::OfWindow(menu);
                const bool same = next.Differing(last) == 0;
                last = std::move(next);
                return same && ::IsWindowVisible(menu);
            },
            kShowMs);
        if (settled && VisibleMenuWindow() == menu) return menu;
        WaitFor([] { return VisibleMenuWindow() == nullptr; }, kShowMs);
    }
    return nullptr;
}

// Chooses the item at `position`: Home selects the first, whatever was
// selected before. Posted keys reach the menu in order.
void ChooseByKeys(HWND menu, int position) {
    ::PostMessageA(menu, WM_KEYDOWN, VK_HOME, 0);
    for (int i = 0; i < position; ++i) ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    WaitFor([] { return VisibleMenuWindow() == nullptr; }, kShowMs);
}

// What the screen shows of `wnd`; also saved as a .bmp when
// VELLUMO_E2E_SHOTS names a directory.
ScreenPicture Capture(HWND wnd, const char* name) {
    ScreenPicture shot = ScreenPicture::OfWindow(wnd);
    const char* dir = std::getenv("VELLUMO_E2E_SHOTS");
    if (!dir || shot.pixels.empty()) return shot;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = shot.Width();
    info.biHeight = -shot.Height();
    info.biPlanes = 1;
    info.biBitCount = 32;
    std::vector<DWORD> rows;
    for (COLORREF c : shot.pixels) rows.push_back(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
    const std::string path = std::string(dir) + "\\" + name + ".bmp";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info;
        file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size() * 4);
        std::fwrite(&file, sizeof file, 1, f);
        std::fwrite(&info, sizeof info, 1, f);
        std::fwrite(rows.data(), 4, rows.size(), f);
        std::fclose(f);
    }
    return shot;
}

}  // namespace

TEST(TrayIcon, MenuAndDoubleClickShowHideAndExit) {
    ProgramDir dir;
    HANDLE process = dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    ::GetWindowThreadProcessId(panel, &g_programId);
    ASSERT_TRUE(WaitFor([&] { return IconPresent(panel); }, kStartMs));

    // Right click while shown: Hide, Show, Exit; the first one hides.
    HWND menu = OpenTrayMenu(panel);
    ASSERT_NE(menu, nullptr);
    const ScreenPicture shot = Capture(menu, "tray_menu");
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
    ::PostMessageA(panel, WM_USER, kIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, kShowMs));
    ::PostMessageA(panel, WM_USER, kIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, kShowMs));
    EXPECT_EQ(VisibleMenuWindow(), nullptr);

    // A left click and a move do nothing.
    ::PostMessageA(panel, WM_USER, kIconId, WM_LBUTTONUP);
    ::PostMessageA(panel, WM_USER, kIconId, WM_MOUSEMOVE);
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
    data.uID = kIconId;
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &data));
    ASSERT_FALSE(IconPresent(panel));
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0,
                          SMTO_ABORTIFHUNG, kShowMs, &ignored);
    EXPECT_TRUE(WaitFor([&] { return IconPresent(panel); }, kStartMs));
    // The hidden panel can still be reached through it.
    ::PostMessageA(panel, WM_USER, kIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, kShowMs));
}
