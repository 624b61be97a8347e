// The label: transparent redraws leave no trace, and font changes keep what
// was set before.
#include <gtest/gtest.h>

#include <cstring>

#include "controls/skin_label.h"
#include "tests/win/win_test_support.h"

namespace {
constexpr COLORREF kBackground = RGB(30, 90, 160);
constexpr COLORREF kInk = RGB(255, 255, 0);

class SolidParent : public CWnd {
public:
    bool Create() {
        RegisterWindowClass("VellumoLabelTestParent", 0, ::LoadCursorA(nullptr, IDC_ARROW), nullptr);
        const RECT place{30, 30, 330, 130};
        return CreateEx(0, "VellumoLabelTestParent", "label test", WS_POPUP | WS_VISIBLE, place,
                        nullptr, 0);
    }
    DECLARE_MESSAGE_MAP()

private:
    LRESULT OnPaint(WPARAM, LPARAM) {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(m_hWnd, &ps);
        BrushHandle brush(::CreateSolidBrush(kBackground));
        ::FillRect(dc, &ps.rcPaint, brush.Get());
        ::EndPaint(m_hWnd, &ps);
        return 0;
    }
    LRESULT OnEraseBackground(WPARAM, LPARAM) { return 1; }
};
BEGIN_MESSAGE_MAP(SolidParent, CWnd)
    OnMessage(WM_PAINT, &ThisClass::OnPaint),
    OnMessage(WM_ERASEBKGND, &ThisClass::OnEraseBackground),
END_MESSAGE_MAP()

// Counts the pixels of `colour` in the parent's client rectangle `area`.
int CountIn(HWND parent, const RECT& area, COLORREF colour) {
    PumpMessages();
    HDC dc = ::GetDC(parent);
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) n += ::GetPixel(dc, x, y) == colour;
    ::ReleaseDC(parent, dc);
    return n;
}
}  // namespace

TEST(SkinLabel, TransparentCaptionChangeLeavesNoTraceOfTheOldCaption) {
    SolidParent parent;
    ASSERT_TRUE(parent.Create());
    HWND wnd = ::CreateWindowExA(0, "STATIC", "WWWWWWWW", WS_CHILD | WS_VISIBLE, 10, 10, 280, 40,
                                 parent.m_hWnd, reinterpret_cast<HMENU>(5),
                                 ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), 0);
    CSkinLabel label;
    ASSERT_TRUE(label.SubclassWindow(wnd));
    label.ApplyTextColour(kInk).ApplyPointSize(16).ApplyBold(true).ApplyTransparency(true);
    ::UpdateWindow(parent.m_hWnd);

    const RECT whole{10, 10, 290, 50};
    const RECT tail{60, 10, 290, 50};  // where only the long caption reaches
    EXPECT_GT(CountIn(parent.m_hWnd, tail, kInk), 50);
    // Around the letters the parent shows through: no label background.
    EXPECT_GT(CountIn(parent.m_hWnd, whole, kBackground), 2000);

    label.SetWindowText("i");
    EXPECT_EQ(CountIn(parent.m_hWnd, tail, kInk), 0);
    EXPECT_GT(CountIn(parent.m_hWnd, RECT{10, 10, 60, 50}, kInk), 3);

    label.ApplyText("WW");
    EXPECT_GT(CountIn(parent.m_hWnd, RECT{10, 10, 60, 50}, kInk), 20);
    label.ApplyText("");
    EXPECT_EQ(CountIn(parent.m_hWnd, whole, kInk), 0);
    ::DestroyWindow(parent.m_hWnd);
}

TEST(SkinLabel, BoldAfterFaceAndSizeKeepsFaceAndSize) {
    SolidParent parent;
    ASSERT_TRUE(parent.Create());
    HWND wnd = ::CreateWindowExA(0, "STATIC", "2008", WS_CHILD | WS_VISIBLE, 0, 0, 80, 30,
                                 parent.m_hWnd, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    CSkinLabel label;
    ASSERT_TRUE(label.SubclassWindow(wnd));
    label.ApplyFaceName("Times New Roman", 0).ApplyPointSize(16).ApplyBold(true);

    HDC screen = ::GetDC(nullptr);
    const int height16 = -::MulDiv(16, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    LOGFONTA built{};
    ASSERT_TRUE(::GetObjectA(label.Font(), sizeof built, &built));
    EXPECT_STREQ(built.lfFaceName, "Times New Roman");
    EXPECT_EQ(built.lfHeight, height16);
    EXPECT_EQ(built.lfWeight, FW_BOLD);
    EXPECT_EQ(built.lfCharSet, 0);

    label.ApplyBold(false).ApplyItalic(true);
    ASSERT_TRUE(::GetObjectA(label.Font(), sizeof built, &built));
    EXPECT_STREQ(built.lfFaceName, "Times New Roman");
    EXPECT_EQ(built.lfHeight, height16);
    EXPECT_EQ(built.lfWeight, FW_NORMAL);
    EXPECT_TRUE(built.lfItalic);
    ::DestroyWindow(parent.m_hWnd);
}

TEST(SkinLabel, OpaquePaintsLeaveTheGdiObjectCountFlat) {
    SolidParent parent;
    ASSERT_TRUE(parent.Create());
    HWND wnd = ::CreateWindowExA(0, "STATIC", "Mon", WS_CHILD | WS_VISIBLE, 10, 10, 80, 30,
                                 parent.m_hWnd, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    CSkinLabel label;
    ASSERT_TRUE(label.SubclassWindow(wnd));
    label.ApplyTextColour(kInk).ApplyBackColour(RGB(0, 0, 90));
    ASSERT_FALSE(label.IsTransparent());
    auto repaint = [wnd](int times) {
        for (int i = 0; i < times; ++i) ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    };
    repaint(10);
    const int before = CountGdiObjects();
    ASSERT_GT(before, 0);
    {
        SelectedBitmapDeleteWatch watch;
        ASSERT_TRUE(watch.Hooked());
        repaint(1000);
        EXPECT_EQ(watch.Count(), 0) << "a bitmap deleted while selected leaks on Windows";
    }
    EXPECT_LE(CountGdiObjects() - before, 3);
    EXPECT_GT(CountIn(parent.m_hWnd, RECT{10, 10, 90, 40}, RGB(0, 0, 90)), 500);  // it did paint
    ::DestroyWindow(parent.m_hWnd);
}
