// The bitmap slider as the memo editor uses it: a transparent, focusable
// picture. Pixels are read back from what the control put on the screen.
#include <gtest/gtest.h>

#include <vector>

#include "controls/image_slider.h"
#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/pictures.h"
#include "tests/support/windows_and_processes.h"

namespace {

constexpr COLORREF kTransparent = RGB(214, 211, 206);
constexpr COLORREF kParentColour = RGB(255, 0, 255);  // nowhere in the picture
constexpr int kSliderId = 77;

// What the window shows now, after it painted everything pending.

Pixels PictureResource() {
    BitmapHandle bmp(static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr),
                                                       MAKEINTRESOURCEA(IDB_EDITOR_PICTURE),
                                                       IMAGE_BITMAP, 0, 0, 0)));
    return BitmapPixels(bmp.Get());
}

LRESULT CALLBACK MagentaProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    return ::DefWindowProcA(wnd, msg, wp, lp);
}

// A parent with a background found nowhere in the picture, the slider on a
// static as in the editor's template, and a button to move the focus to.
class SliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        static BrushHandle brush(::CreateSolidBrush(kParentColour));
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &MagentaProc;
            wc.hInstance = ::GetModuleHandleA(nullptr);
            wc.hbrBackground = brush.Get();
            wc.lpszClassName = "VellumoSliderTestParent";
            ::RegisterClassA(&wc);
            registered = true;
        }
        parent = ::CreateWindowExA(0, "VellumoSliderTestParent", "slider",
                                   WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 240, 160, nullptr,
                                   nullptr, ::GetModuleHandleA(nullptr), nullptr);
        staticWnd = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BITMAP, 30, 20,
                                      10, 10, parent, reinterpret_cast<HMENU>(kSliderId), nullptr,
                                      nullptr);
        button = ::CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 150, 20,
                                   40, 20, parent, reinterpret_cast<HMENU>(78), nullptr, nullptr);
        ASSERT_TRUE(slider.SubclassWindow(staticWnd));
        ASSERT_TRUE(slider.SetChannelPicture(IDB_EDITOR_PICTURE, kTransparent));
        ::SetForegroundWindow(parent);
        ::SetFocus(button);
        PumpMessages();
    }
    void TearDown() override { ::DestroyWindow(parent); }

    // Takes the 0x28D2 notifications waiting in the queue, values only.
    std::vector<LPARAM> TakeNotifications() {
        std::vector<LPARAM> values;
        MSG msg;
        while (::PeekMessageA(&msg, parent, WM_IMAGE_SLIDER_MOVED, WM_IMAGE_SLIDER_MOVED,
                              PM_REMOVE)) {
            EXPECT_EQ(msg.wParam, static_cast<WPARAM>(kSliderId));
            values.push_back(msg.lParam);
        }
        return values;
    }

    HWND parent = nullptr;
    HWND staticWnd = nullptr;
    HWND button = nullptr;
    CImageSlider slider;
};

}  // namespace

TEST_F(SliderTest, TakesThePictureSizeAndShowsTheParentThroughTheTransparentColour) {
    const Pixels picture = PictureResource();
    ASSERT_GT(picture.width, 0);
    RECT rc{};
    ::GetWindowRect(staticWnd, &rc);
    EXPECT_EQ(rc.right - rc.left, picture.width);
    EXPECT_EQ(rc.bottom - rc.top, picture.height);
    POINT topLeft{rc.left, rc.top};
    ::ScreenToClient(parent, &topLeft);
    EXPECT_EQ(topLeft.x, 30);  // resized, not moved
    EXPECT_EQ(topLeft.y, 20);

    const Pixels shown = WindowPixels(staticWnd);
    int transparent = 0;
    int mismatches = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const COLORREF expected =
                picture.At(x, y) == kTransparent ? kParentColour : picture.At(x, y);
            if (picture.At(x, y) == kTransparent) ++transparent;
            if (shown.At(x, y) != expected && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " shows " << std::hex
                              << shown.At(x, y) << " instead of " << expected;
        }
    }
    EXPECT_GT(transparent, 0);
    EXPECT_LT(transparent, picture.width * picture.height);
    EXPECT_EQ(mismatches, 0);
}

TEST_F(SliderTest, FocusRectangleComesAndGoesWithoutTraces) {
    const Pixels unfocused = WindowPixels(staticWnd);

    // A click gives the focus, and the rectangle shows.
    ::SendMessageA(staticWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageA(staticWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(::GetFocus(), staticWnd);
    const Pixels focused = WindowPixels(staticWnd);
    EXPECT_TRUE(slider.IsFocusRectDrawn());
    EXPECT_FALSE(focused == unfocused);
    int changedOnBorder = 0;
    for (int x = 0; x < focused.width; ++x)
        if (focused.At(x, 0) != unfocused.At(x, 0)) ++changedOnBorder;
    EXPECT_GT(changedOnBorder, focused.width / 4);
    for (int y = 2; y < focused.height - 2; ++y)
        for (int x = 2; x < focused.width - 2; ++x)
            ASSERT_EQ(focused.At(x, y), unfocused.At(x, y)) << x << "," << y;

    // The parent repaints everything (its background over the control too):
    // the rectangle is there once, not cancelled by a second one.
    ::RedrawWindow(parent, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(WindowPixels(staticWnd) == focused);
    ::InvalidateRect(staticWnd, nullptr, FALSE);
    EXPECT_TRUE(WindowPixels(staticWnd) == focused);

    // Focus away: exactly the picture again.
    ::SetFocus(button);
    EXPECT_TRUE(WindowPixels(staticWnd) == unfocused);
    EXPECT_FALSE(slider.IsFocusRectDrawn());
    ::RedrawWindow(parent, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(WindowPixels(staticWnd) == unfocused);
}

TEST_F(SliderTest, KeysMoveTheValueAndPostTheChangeWithNothingVisibleChanging) {
    ::SetFocus(staticWnd);
    const Pixels before = WindowPixels(staticWnd);
    TakeNotifications();
    EXPECT_EQ(::SendMessageA(staticWnd, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);

    ::SendMessageA(staticWnd, WM_KEYDOWN, VK_END, 0);
    ::SendMessageA(staticWnd, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(TakeNotifications(), std::vector<LPARAM>({100, 0}));

    // Page steps of 20 and single steps, clamped to 0..100.
    for (WPARAM key : {VK_NEXT, VK_NEXT, VK_RIGHT, VK_UP, VK_UP, VK_PRIOR, VK_PRIOR, VK_PRIOR})
        ::SendMessageA(staticWnd, WM_KEYDOWN, key, 0);
    EXPECT_EQ(TakeNotifications(), std::vector<LPARAM>({20, 40, 41, 40, 39, 19, 0, 0}));
    ::SendMessageA(staticWnd, WM_KEYDOWN, 'A', 0);
    EXPECT_TRUE(TakeNotifications().empty());

    EXPECT_TRUE(WindowPixels(staticWnd) == before);
}
