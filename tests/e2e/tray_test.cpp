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

// The menu opens beside the pointer, which then stays still: whatever the
// pointer hovers has happened before the keys come.
HWND OpenTrayMenu(HWND panel) {
    ::SetCursorPos(900, 700);
    ::PostMessageA(panel, WM_USER, kIconId, WM_RBUTTONUP);
    HWND menu = nullptr;
    WaitFor([&] { return (menu = VisibleMenuWindow()) != nullptr; }, 3000);
    ::Sleep(300);
    return menu;
}

// Chooses the item at `position`: Home selects the first, whatever was
// selected before.
void ChooseByKeys(HWND menu, int position) {
    ::PostMessageA(menu, WM_KEYDOWN, VK_HOME, 0);
    ::Sleep(50);
    for (int i = 0; i < position; ++i) {
        ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        ::Sleep(50);
    }
    ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    WaitFor([] { return VisibleMenuWindow() == nullptr; }, 3000);
}

// What the screen shows of `wnd` (plus the shadow beside it), as 0x00RRGGBB
// rows; also saved as a .bmp when VELLUMO_E2E_SHOTS names a directory.
std::vector<unsigned> Capture(HWND wnd, int* width, int* height, const char* name) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = *width;
    info.bmiHeader.biHeight = -*height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, *width, *height, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    std::vector<unsigned> pixels(static_cast<const unsigned*>(bits),
                                 static_cast<const unsigned*>(bits) + *width * *height);
    if (const char* dir = std::getenv("VELLUMO_E2E_SHOTS")) {
        const std::string path = std::string(dir) + "\\" + name + ".bmp";
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            BITMAPFILEHEADER file{};
            file.bfType = 0x4D42;
            file.bfOffBits = sizeof file + sizeof info.bmiHeader;
            file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size() * 4);
            std::fwrite(&file, sizeof file, 1, f);
            std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f);
            std::fwrite(pixels.data(), 4, pixels.size(), f);
            std::fclose(f);
        }
    }
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

}  // namespace

TEST(TrayIcon, MenuAndDoubleClickShowHideAndExit) {
    ProgramDir dir;
    HANDLE process = dir.Start();
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    ::GetWindowThreadProcessId(panel, &g_programId);
    ASSERT_TRUE(WaitFor([&] { return IconPresent(panel); }, 5000));

    // Right click while shown: Hide, Show, Exit; the first one hides.
    HWND menu = OpenTrayMenu(panel);
    ASSERT_NE(menu, nullptr);
    int width = 0, height = 0;
    const std::vector<unsigned> shot = Capture(menu, &width, &height, "tray_menu");
    ASSERT_GT(width, 20);
    ASSERT_GT(height, 3 * 22);
    // The icon column is shaded: its outer and inner edges differ, and the
    // item area right of it has the colour the column shades from.
    const int y = 4 + 11;
    const unsigned outer = shot[static_cast<size_t>(y * width + 3)];
    const unsigned inner = shot[static_cast<size_t>(y * width + 3 + 22)];
    const unsigned area = shot[static_cast<size_t>(y * width + width - 12)];
    EXPECT_NE(outer, inner);
    EXPECT_NE(inner, area);
    ChooseByKeys(menu, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, 3000));

    // Hidden: Show comes first and brings the panel back. Under Wine the
    // focus leaves the hidden panel a little later; a menu opened before
    // that would be closed by the late deactivation.
    WaitFor([&] { return ::GetForegroundWindow() != panel; }, 2000);
    ::Sleep(1000);
    menu = OpenTrayMenu(panel);
    ASSERT_NE(menu, nullptr);
    ChooseByKeys(menu, 0);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, 3000));

    // Double click: the first command without a menu.
    ::PostMessageA(panel, WM_USER, kIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, 3000));
    ::PostMessageA(panel, WM_USER, kIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, 3000));
    EXPECT_EQ(VisibleMenuWindow(), nullptr);

    // A left click and a move do nothing.
    ::PostMessageA(panel, WM_USER, kIconId, WM_LBUTTONUP);
    ::PostMessageA(panel, WM_USER, kIconId, WM_MOUSEMOVE);
    ::Sleep(300);
    EXPECT_EQ(VisibleMenuWindow(), nullptr);
    EXPECT_TRUE(::IsWindowVisible(panel));

    // Exit is the third item: the program ends and takes its icon along.
    menu = OpenTrayMenu(panel);
    ASSERT_NE(menu, nullptr);
    ChooseByKeys(menu, 2);
    EXPECT_TRUE(ProgramDir::WaitExit(process, 5000));
    EXPECT_FALSE(IconPresent(panel));
}

TEST(TrayIcon, ComesBackWhenTheTaskbarIsCreatedAgain) {
    ProgramDir dir;
    dir.Start("/background");
    HWND panel = WaitForPanel(false);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitFor([&] { return IconPresent(panel); }, 5000));

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
                          SMTO_ABORTIFHUNG, 3000, &ignored);
    EXPECT_TRUE(WaitFor([&] { return IconPresent(panel); }, 5000));
    // The hidden panel can still be reached through it.
    ::PostMessageA(panel, WM_USER, kIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(panel) != FALSE; }, 3000));
}
