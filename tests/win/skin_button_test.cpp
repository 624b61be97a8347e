// The skinned push button, painted for real and read back pixel by pixel.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "app/memo/remark_dlg.h"
#include "controls/skin_button.h"
#include "platform/dialog.h"
#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/in_process.h"
#include "tests/support/pictures.h"
#include "tests/support/windows_and_processes.h"

namespace {
constexpr int kButtonId = 77;
constexpr int kButtonX = 37;
constexpr int kButtonY = 23;
constexpr int kButtonW = 40;
constexpr int kButtonH = 30;

// What the parent paints at one of its client points: a fine pattern, so a
// snapshot taken from the wrong place or a stray fill shows at once.
COLORREF PatternAt(int x, int y) {
    return RGB((x / 3 * 37) % 256, (y / 3 * 53) % 256, ((x / 3 + y / 3) * 29) % 256);
}

class PatternParent : public CWnd {
public:
    std::vector<UINT> clicks;

    bool Create() {
        RegisterWindowClass("VellumoButtonTestParent", CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                            nullptr);
        const RECT place{20, 20, 220, 140};
        return CreateEx(0, "VellumoButtonTestParent", "button test",
                        WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS, place, nullptr, 0);
    }
    DECLARE_MESSAGE_MAP()

private:
    static void Draw(HDC dc) {
        for (int y = 0; y < 120; y += 3)
            for (int x = 0; x < 200; x += 3) {
                BrushHandle brush(::CreateSolidBrush(PatternAt(x, y)));
                RECT cell{x, y, x + 3, y + 3};
                ::FillRect(dc, &cell, brush.Get());
            }
    }
    void OnPaint() {
        PaintDC paint(m_hWnd);
        Draw(paint.Get());
    }
    // What a transparent button shows under itself.
    BOOL OnPrintClient(HDC dc, UINT) {
        Draw(dc);
        return 1;
    }
    BOOL OnEraseBackground(HDC) { return 1; }
    void OnCommandMessage(UINT id, UINT code, HWND) {
        if (code == BN_CLICKED) clicks.push_back(id);
    }
};
BEGIN_MESSAGE_MAP(PatternParent, CWnd)
    OnMessage<WM_PAINT, &ThisClass::OnPaint>(),
    OnMessage<WM_PRINTCLIENT, &ThisClass::OnPrintClient>(),
    OnMessage<WM_ERASEBKGND, &ThisClass::OnEraseBackground>(),
    OnMessage<WM_COMMAND, &ThisClass::OnCommandMessage>(),
END_MESSAGE_MAP()

struct Fixture {
    PatternParent parent;
    HWND button = nullptr;

    template <class Button>
    void Make(Button& skin, const char* caption = "", int w = kButtonW, int h = kButtonH) {
        ASSERT_TRUE(parent.Create());
        PumpMessages();
        button = ::CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                   kButtonX, kButtonY, w, h, parent.m_hWnd,
                                   reinterpret_cast<HMENU>(kButtonId), ::GetModuleHandleA(nullptr),
                                   nullptr);
        ASSERT_TRUE(skin.SubclassWindow(button));
        skin.SetBorderDrawn(false);
        skin.SetTransparentBack(true);
        ::UpdateWindow(parent.m_hWnd);
        PumpMessages();
    }
    ~Fixture() {
        if (parent.m_hWnd) ::DestroyWindow(parent.m_hWnd);
        PumpMessages();
    }
};

// Every pixel of the button as it is on screen now.
std::vector<COLORREF> ButtonPixels(HWND wnd, int w = kButtonW, int h = kButtonH) {
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpMessages();
    WindowDC dc(wnd);
    return ReadPixels(dc.Get(), 0, 0, w, h).pixels;
}

int Count(const std::vector<COLORREF>& pixels, COLORREF colour) {
    int n = 0;
    for (COLORREF c : pixels) n += c == colour;
    return n;
}

// Puts the pointer over the button and lets it see a mouse move.
void Hover(HWND button) {
    RECT r;
    ::GetWindowRect(button, &r);
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ::SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    PumpMessages();
}

void Unhover(HWND button) {
    ::SetCursorPos(0, 0);
    ::SendMessageA(button, WM_MOUSELEAVE, 0, 0);
    PumpMessages();
}

HICON MakeSolidIcon(COLORREF colour) {
    WindowDC screen(nullptr);
    BitmapHandle image(::CreateCompatibleBitmap(screen.Get(), 16, 16));
    BitmapHandle mask(::CreateBitmap(16, 16, 1, 1, nullptr));
    {
        MemoryDC dc(screen.Get());
        dc.SelectBitmap(image.Get());
        BrushHandle brush(::CreateSolidBrush(colour));
        RECT all{0, 0, 16, 16};
        ::FillRect(dc.Get(), &all, brush.Get());
    }
    {
        MemoryDC dc(screen.Get());
        dc.SelectBitmap(mask.Get());
        RECT all{0, 0, 16, 16};
        ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));  // opaque
    }
    ICONINFO info{TRUE, 8, 8, mask.Get(), image.Get()};
    return ::CreateIconIndirect(&info);
}

// Top-left corner of the first pixel of `colour`, or (-1, -1).
POINT FindColour(const std::vector<COLORREF>& pixels, COLORREF colour, int w = kButtonW) {
    for (size_t i = 0; i < pixels.size(); ++i)
        if (pixels[i] == colour) return POINT{static_cast<LONG>(i % w), static_cast<LONG>(i / w)};
    return POINT{-1, -1};
}
}  // namespace

TEST(SkinButton, BareTransparentButtonShowsExactlyTheParentInEveryState) {
    Fixture f;
    CSkinButton skin;
    f.Make(skin);
    std::vector<COLORREF> expected;
    for (int y = 0; y < kButtonH; ++y)
        for (int x = 0; x < kButtonW; ++x) expected.push_back(PatternAt(kButtonX + x, kButtonY + y));

    EXPECT_EQ(ButtonPixels(f.button), expected) << "resting";
    Hover(f.button);
    EXPECT_TRUE(skin.IsHovered());
    EXPECT_EQ(ButtonPixels(f.button), expected) << "hovered";
    Unhover(f.button);
    EXPECT_FALSE(skin.IsHovered());
    ::SendMessageA(f.button, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(ButtonPixels(f.button), expected) << "pressed";
    ::SendMessageA(f.button, BM_SETSTATE, FALSE, 0);
    ::SetFocus(f.button);
    EXPECT_EQ(ButtonPixels(f.button), expected) << "focused";
}

TEST(SkinButton, DayCellCaptionFollowsHoverPressAndFocus) {
    Fixture f;
    CSkinButton skin;
    f.Make(skin, "28");
    const COLORREF in = RGB(255, 255, 0), out = RGB(255, 255, 255), focus = RGB(0, 255, 0);
    skin.SetStateColour(static_cast<int>(ButtonColourSlot::TextIn), in);
    skin.SetStateColour(static_cast<int>(ButtonColourSlot::TextOut), out);
    skin.SetStateColour(static_cast<int>(ButtonColourSlot::TextFocus), focus);
    ::SetFocus(f.parent.m_hWnd);

    auto pixels = ButtonPixels(f.button);
    EXPECT_GT(Count(pixels, out), 5);
    EXPECT_EQ(Count(pixels, in), 0);

    Hover(f.button);
    pixels = ButtonPixels(f.button);
    EXPECT_GT(Count(pixels, in), 5);
    EXPECT_EQ(Count(pixels, out), 0);
    Unhover(f.button);

    ::SendMessageA(f.button, BM_SETSTATE, TRUE, 0);
    pixels = ButtonPixels(f.button);
    EXPECT_GT(Count(pixels, in), 5);
    ::SendMessageA(f.button, BM_SETSTATE, FALSE, 0);

    ::SetFocus(f.button);
    pixels = ButtonPixels(f.button);
    EXPECT_GT(Count(pixels, focus), 5);
    EXPECT_EQ(Count(pixels, in), 0);
    EXPECT_EQ(Count(pixels, out), 0);
}

// A caption kept in the object answers every read as the window's own would,
// never past the reader's buffer, and is what the button draws.
TEST(SkinButton, ACaptionKeptHereIsReadWithinTheBufferAndDrawn) {
    Fixture f;
    CSkinButton skin;
    f.Make(skin, "28");
    skin.SetStateColour(static_cast<int>(ButtonColourSlot::TextOut), RGB(255, 255, 255));
    ::SetFocus(f.parent.m_hWnd);
    const auto drawn28 = ButtonPixels(f.button);
    skin.KeepCaptionHere();
    EXPECT_EQ(skin.GetWindowText(), "28");

    ::SetWindowTextA(f.button, "12345");
    char cut[4] = "xyz";
    EXPECT_EQ(::GetWindowTextA(f.button, cut, 3), 2);
    EXPECT_STREQ(cut, "12");
    EXPECT_EQ(::SendMessageA(f.button, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(cut)), 0);
    EXPECT_STREQ(cut, "12");
    EXPECT_EQ(::GetWindowTextLengthA(f.button), 5);
    wchar_t wide[8] = {};
    EXPECT_EQ(::GetWindowTextW(f.button, wide, 8), 5);
    EXPECT_STREQ(wide, L"12345");
    EXPECT_NE(ButtonPixels(f.button), drawn28);
    ::SetWindowTextA(f.button, "28");
    EXPECT_EQ(ButtonPixels(f.button), drawn28);

    // Set by its owner without a message: read back either way, drawn, and
    // other processes keep the published caption until the next Publish.
    skin.SetCaption("7");
    EXPECT_EQ(skin.CaptionText(), "7");
    EXPECT_EQ(skin.GetWindowText(), "7");
    EXPECT_NE(ButtonPixels(f.button), drawn28);
    EXPECT_EQ(::DefWindowProcA(f.button, WM_GETTEXTLENGTH, 0, 0), 2);
    skin.PublishCaption();
    EXPECT_EQ(::DefWindowProcA(f.button, WM_GETTEXTLENGTH, 0, 0), 1);
}

TEST(SkinButton, PressedIconMovesOnePixelRightAndDown) {
    Fixture f;
    CSkinButton skin;
    f.Make(skin);
    const COLORREF red = RGB(250, 10, 20);
    skin.AssignIcon(MakeSolidIcon(red));
    ASSERT_TRUE(skin.HasIcon());

    auto resting = ButtonPixels(f.button);
    const POINT at = FindColour(resting, red);
    EXPECT_EQ(at.x, (kButtonW - 16) / 2);  // centred
    EXPECT_EQ(at.y, (kButtonH - 16) / 2);
    EXPECT_EQ(Count(resting, red), 16 * 16);

    ::SendMessageA(f.button, BM_SETSTATE, TRUE, 0);
    auto pressed = ButtonPixels(f.button);
    const POINT moved = FindColour(pressed, red);
    EXPECT_EQ(moved.x, at.x + 1);
    EXPECT_EQ(moved.y, at.y + 1);
    EXPECT_EQ(Count(pressed, red), 16 * 16);
}

namespace {
// The about box's OK button as a skinned button, driven through the modal
// loop of the class layer (which relays messages to the tooltip and turns a
// double click into a second press).
class ClickCountingDlg : public CDialog {
public:
    CSkinButton ok;
    int clicks = 0;
    LRESULT dlgCode = 0;
    bool tipAlive = false;
    ClickCountingDlg() : CDialog(IDD_ABOUTBOX) {}

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ok.SetTipText("OK tip");
        HWND b = ok.m_hWnd;
        dlgCode = ::SendMessageA(b, WM_GETDLGCODE, 0, 0);
        const LPARAM at = MAKELPARAM(4, 4);
        ::PostMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageA(b, WM_LBUTTONUP, 0, at);
        ::PostMessageA(b, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        ::PostMessageA(b, WM_LBUTTONUP, 0, at);
        PostMessage(WM_APP);
        return TRUE;
    }
    void OnOK() override { ++clicks; }
    DECLARE_MESSAGE_MAP()

protected:
    void DoDataExchange() override { ok.SubclassDlgItem(IDOK, this); }

private:
    LRESULT OnDone() {
        tipAlive = ::IsWindow(ok.TooltipWindow()) != 0;
        EndDialog(IDCANCEL);
        return 0;
    }
};
BEGIN_MESSAGE_MAP(ClickCountingDlg, CDialog)
    OnPrivateMessage<WM_APP, &ThisClass::OnDone>(),
END_MESSAGE_MAP()
}  // namespace

TEST(SkinButton, DoubleClickGivesTwoClicksAndTheTooltipIsRelayed) {
    ClickCountingDlg dlg;
    dlg.DoModal();
    EXPECT_EQ(dlg.clicks, 2);
    EXPECT_TRUE(dlg.tipAlive);  // while the dialog runs; it goes with the dialog
    EXPECT_TRUE(dlg.dlgCode & DLGC_DEFPUSHBUTTON);  // the template's default button
}

TEST(SkinButton, XpVariantShowsTheHandAndNeverHovers) {
    Fixture f;
    CSkinButtonXP skin;
    f.Make(skin);
    Hover(f.button);
    EXPECT_FALSE(skin.IsHovered());
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));
}

namespace {
// Runs `dialog` modally; once it shows, `check` runs inside its loop and the
// run ends with IDCANCEL.
void RunModal(CDialog& dialog, std::function<void()> check) {
    ModalScript script;
    script.WaitShown([&] { return dialog.m_hWnd; }).Do(check).Do([&] { dialog.EndDialog(IDCANCEL); });
    script.Run([&] { return dialog.DoModal(); });
}

CSkinButton* SkinButtonOf(HWND dialog, int id) {
    return static_cast<CSkinButton*>(CWnd::FromHandle(::GetDlgItem(dialog, id)));
}

class SysColourDlg : public CDialog {
public:
    CSkinButton ok;
    SysColourDlg() : CDialog(IDD_ABOUTBOX) {}

protected:
    void DoDataExchange() override { ok.SubclassDlgItem(IDOK, this); }
};
}  // namespace

// The memo editor is one object whose buttons are attached again at every
// run; each run's tooltips die with that run's window.
TEST(SkinButton, ButtonsOfADialogRunAgainGetALiveTooltipOfTheirOwn) {
    CRemarkDlg editor;
    editor.m_nYear = 2008;
    editor.m_nMonth = 1;
    editor.m_nDay = 5;
    const int ids[2] = {IDC_REMARK_OK, IDC_REMARK_CANCEL};
    CSkinButton* buttons[2] = {};
    HWND firstTips[2] = {};
    for (int run = 0; run < 2; ++run) {
        RunModal(editor, [&] {
            for (int i = 0; i < 2; ++i) {
                buttons[i] = SkinButtonOf(editor.m_hWnd, ids[i]);
                ASSERT_NE(buttons[i], nullptr);
                const HWND tip = TipWindowAfterHover(*buttons[i]);
                EXPECT_TRUE(::IsWindow(tip)) << "run " << run;
                EXPECT_EQ(::GetWindow(tip, GW_OWNER), editor.m_hWnd) << "run " << run;
                if (run == 0) firstTips[i] = tip;
                else EXPECT_NE(tip, firstTips[i]);
                // A fresh attach follows the template, not what the last run made of it.
                EXPECT_TRUE(::SendMessageA(buttons[i]->m_hWnd, WM_GETDLGCODE, 0, 0) &
                            DLGC_UNDEFPUSHBUTTON);
            }
            // This run makes OK the default button; the next run must not inherit it.
            ::SendMessageA(buttons[0]->m_hWnd, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        });
        for (int i = 0; i < 2; ++i) {
            EXPECT_FALSE(::IsWindow(firstTips[i]));
            EXPECT_EQ(buttons[i]->TooltipWindow(), nullptr) << "a closed run's tooltip is kept";
        }
    }
}

TEST(SkinButton, SystemColourChangeReachesTheButtonThroughItsDialog) {
    SysColourDlg dlg;
    RunModal(dlg, [&] {
        HWND b = dlg.ok.m_hWnd;
        ::SetWindowTextA(b, "");  // a plain face, all one colour
        RECT r{};
        ::GetClientRect(b, &r);
        const int x = r.right / 2, y = r.bottom / 2;
        const int element = COLOR_BTNFACE;
        const COLORREF old = ::GetSysColor(element);
        EXPECT_EQ(ButtonPixels(b, r.right, r.bottom)[y * r.right + x], old);

        const COLORREF changed = old == RGB(10, 200, 30) ? RGB(200, 10, 30) : RGB(10, 200, 30);
        ASSERT_TRUE(::SetSysColors(1, &element, &changed));
        // The platform tells only top-level windows.
        ::SendMessageA(dlg.m_hWnd, WM_SYSCOLORCHANGE, 0, 0);
        const COLORREF seen = ButtonPixels(b, r.right, r.bottom)[y * r.right + x];
        const COLORREF slot = dlg.ok.StateColour(static_cast<int>(ButtonColourSlot::BackgroundOut));
        ::SetSysColors(1, &element, &old);
        ::SendMessageA(dlg.m_hWnd, WM_SYSCOLORCHANGE, 0, 0);
        EXPECT_EQ(slot, changed);
        EXPECT_EQ(seen, changed);
    });
}

// The focus mark frames a focused bare button in the caption's colour, and
// only while the window shows keyboard cues.
TEST(SkinButton, TheFocusMarkFramesTheFocusedButtonWhileCuesShow) {
    Fixture f;
    CSkinButton skin;
    f.Make(skin, "7");
    const COLORREF focus = RGB(250, 20, 200);
    skin.SetStateColour(static_cast<int>(ButtonColourSlot::TextOut), RGB(255, 255, 255));
    skin.SetStateColour(static_cast<int>(ButtonColourSlot::TextFocus), focus);
    skin.SetFocusMark(true);
    ::SendMessageA(f.parent.m_hWnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    PumpMessages();
    // The frame's top edge, away from its rounded corners.
    auto edge = [&](const std::vector<COLORREF>& pixels) {
        int n = 0;
        for (int x = kButtonW / 4; x < kButtonW * 3 / 4; ++x) n += pixels[x] == focus;
        return n;
    };
    ::SetFocus(f.parent.m_hWnd);
    EXPECT_EQ(edge(ButtonPixels(f.button)), 0);
    ::SetFocus(f.button);
    EXPECT_EQ(edge(ButtonPixels(f.button)), kButtonW / 2);
    // Hidden while the window's state says so; Wine (8.0) keeps no such
    // state, and there the focus always shows.
    ::SendMessageA(f.parent.m_hWnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    PumpMessages();
    const bool hidden = (::SendMessageA(f.button, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
    EXPECT_EQ(edge(ButtonPixels(f.button)), hidden ? 0 : kButtonW / 2);
    ::SendMessageA(f.parent.m_hWnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    PumpMessages();
    skin.SetFocusMark(false);
    EXPECT_EQ(edge(ButtonPixels(f.button)), 0);
}
