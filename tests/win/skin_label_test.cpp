// The label: transparent redraws leave no trace, and font changes keep what
// was set before.
#include <gtest/gtest.h>

#include <cstring>

#include "controls/skin_label.h"
#include "platform/handles.h"
#include "tests/support/pictures.h"
#include "tests/support/windows_and_processes.h"

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
    void OnPaint() {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(m_hWnd, &ps);
        BrushHandle brush(::CreateSolidBrush(kBackground));
        ::FillRect(dc, &ps.rcPaint, brush.Get());
        ::EndPaint(m_hWnd, &ps);
    }
    BOOL OnEraseBackground(HDC) { return 1; }
};
BEGIN_MESSAGE_MAP(SolidParent, CWnd)
    OnMessage<WM_PAINT, &ThisClass::OnPaint>(),
    OnMessage<WM_ERASEBKGND, &ThisClass::OnEraseBackground>(),
END_MESSAGE_MAP()

// Counts the pixels of `colour` in the parent's client rectangle `area`.
int CountIn(HWND parent, const RECT& area, COLORREF colour) {
    PumpMessages();
    WindowDC dc(parent);
    return ReadPixels(dc.Get(), 0, 0, area.right, area.bottom).CountOf(colour, area);
}

// A parent and a STATIC child at `place` showing `text` (in `font`, if
// given), taken over by `label`; null when any of it failed.
HWND MakeLabel(SolidParent& parent, CSkinLabel& label, const char* text, const RECT& place,
               int id = 0, HGDIOBJ font = nullptr) {
    if (!parent.Create()) return nullptr;
    HWND wnd = ::CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE, place.left, place.top,
                                 place.right - place.left, place.bottom - place.top, parent.m_hWnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 ::GetModuleHandleA(nullptr), nullptr);
    if (wnd && font) ::SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    return wnd && label.SubclassWindow(wnd) ? wnd : nullptr;
}
}  // namespace

TEST(SkinLabel, TransparentCaptionChangeLeavesNoTraceOfTheOldCaption) {
    SolidParent parent;
    CSkinLabel label;
    ASSERT_NE(MakeLabel(parent, label, "WWWWWWWW", RECT{10, 10, 290, 50}, 5,
                        ::GetStockObject(DEFAULT_GUI_FONT)),
              nullptr);
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
    CSkinLabel label;
    ASSERT_NE(MakeLabel(parent, label, "2008", RECT{0, 0, 80, 30}), nullptr);
    label.ApplyFaceName("Times New Roman", 0).ApplyPointSize(16).ApplyBold(true);

    const int height16 = -::MulDiv(16, ::GetDeviceCaps(WindowDC(nullptr).Get(), LOGPIXELSY), 72);
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
    CSkinLabel label;
    HWND wnd = MakeLabel(parent, label, "Mon", RECT{10, 10, 90, 40});
    ASSERT_NE(wnd, nullptr);
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
