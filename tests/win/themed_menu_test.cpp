// The themed popup menu: item records, measuring, an item drawn into a
// memory DC, and the takeover of the menu window while it is tracked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "controls/menus/menu_env.h"
#include "controls/menus/menu_look.h"
#include "controls/menus/menu_style.h"
#include "controls/menus/menu_window.h"
#include "controls/menus/themed_menu.h"
#include "core/tools/install_dir.h"
#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/pictures.h"
#include "tests/support/windows_and_processes.h"

namespace {

// Puts the look and the theme answer back after each test.
struct ThemedMenuTest : ::testing::Test {
    MenuEnvironment saved = MenuEnv();
    int savedTheme = ActiveMenuTheme();
    ThemedMenuTest() { SelectMenuTheme(kMenuTheme2003, false); }
    ~ThemedMenuTest() override {
        MenuEnv() = saved;
        SelectMenuTheme(savedTheme, false);
    }
};

// A 24-bit surface the item is drawn into.
struct Surface {
    static constexpr int kWidth = 140;
    static constexpr int kHeight = 22;
    WindowDC screen{nullptr};
    BitmapDC dc;
    Surface() {
        dc.Create(screen.Get(), kWidth, kHeight);
        RECT all{0, 0, kWidth, kHeight};
        ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
    Rgb At(int x, int y) const { return Rgb::FromColorRef(::GetPixel(dc.Get(), x, y)); }
    int CountOf(Rgb colour, int fromX) const {
        int n = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = fromX; x < kWidth; ++x) n += At(x, y) == colour;
        return n;
    }
};

void Draw(Surface& s, const CThemedMenu& menu, int position, UINT state) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.itemID = menu.ItemData(position)->commandId;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = reinterpret_cast<HWND>(menu.GetSafeHmenu());
    dis.hDC = s.dc.Get();
    dis.rcItem = RECT{0, 0, Surface::kWidth, Surface::kHeight};
    dis.itemData = reinterpret_cast<ULONG_PTR>(menu.ItemData(position));
    ASSERT_TRUE(CThemedMenu::DrawItem(&dis));
}

bool Near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

::testing::AssertionResult SameColour(Rgb got, Rgb want, int tolerance = 0) {
    if (Near(got, want, tolerance)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << int(got.r) << "," << int(got.g) << ","
                                         << int(got.b) << " want " << int(want.r) << ","
                                         << int(want.g) << "," << int(want.b);
}

}  // namespace

TEST_F(ThemedMenuTest, ItemsAreOwnerDrawnRecordsByPosition) {
    CThemedMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.InsertMenu(0, MF_STRING, 32772, "Exit");
    menu.InsertMenu(0, MF_STRING, 32773, "Show");
    menu.InsertMenu(1, MF_STRING, 0, nullptr);
    menu.InsertMenu(-1, MF_STRING | MF_GRAYED, 32774, "Hide\tCtrl+H");
    ASSERT_EQ(menu.GetMenuItemCount(), 4);
    EXPECT_EQ(menu.ItemData(0)->text, "Show");
    EXPECT_TRUE(menu.ItemData(1)->IsSeparator());
    EXPECT_EQ(menu.ItemData(2)->commandId, 32772u);
    EXPECT_EQ(menu.ItemData(3)->iconIndex, -1);
    for (int i = 0; i < 4; ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        ::GetMenuItemInfoA(menu.GetSafeHmenu(), static_cast<UINT>(i), TRUE, &info);
        EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << i;
        EXPECT_EQ(info.dwItemData, reinterpret_cast<ULONG_PTR>(menu.ItemData(i)));
    }
    EXPECT_EQ(::GetMenuState(menu.GetSafeHmenu(), 32774, MF_BYCOMMAND) & MF_GRAYED,
              static_cast<UINT>(MF_GRAYED));
    EXPECT_TRUE(menu.DeleteMenu(1));
    EXPECT_EQ(menu.ItemData(1)->text, "Exit");
    EXPECT_EQ(CThemedMenu::FromHandle(menu.GetSafeHmenu()), &menu);
}

TEST_F(ThemedMenuTest, TheToolsMenuAttachesWithItsSubMenu) {
    CThemedMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_TOOLS_MENU));
    CThemedMenu* popup = menu.GetSubMenu(0);
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(menu.ItemData(0)->flags & MF_POPUP);
    ASSERT_EQ(popup->GetMenuItemCount(), 18);  // with "Calendars..." and "Calendar server..."
    EXPECT_EQ(popup->ItemData(0)->text, "Sychnorize Time");
    popup->DeleteMenu(0);
    popup->DeleteMenu(0);
    EXPECT_EQ(popup->ItemData(0)->text, "Clear History");
    EXPECT_EQ(popup->ItemData(0)->commandId, static_cast<UINT>(ID_CLEAR_HISTORY));
    EXPECT_TRUE(popup->ItemData(1)->IsSeparator());
}

TEST_F(ThemedMenuTest, MeasuresSeparatorsAndTextItems) {
    CThemedMenu menu;
    menu.CreatePopupMenu();
    menu.InsertMenu(0, MF_STRING, 32773, "Show");
    menu.InsertMenu(1, MF_STRING, 0, nullptr);
    MEASUREITEMSTRUCT mis{};
    mis.CtlType = ODT_MENU;
    mis.itemData = reinterpret_cast<ULONG_PTR>(menu.ItemData(1));
    ASSERT_TRUE(CThemedMenu::MeasureItem(&mis));
    EXPECT_EQ(mis.itemWidth, 3u);
    EXPECT_EQ(mis.itemHeight, 3u);

    mis.itemData = reinterpret_cast<ULONG_PTR>(menu.ItemData(0));
    ASSERT_TRUE(CThemedMenu::MeasureItem(&mis));
    if (::GetSystemMetrics(SM_CYMENU) <= 23) {
        EXPECT_EQ(mis.itemHeight, 22u);
    }
    const UINT plainWidth = mis.itemWidth;
    EXPECT_GT(plainWidth, static_cast<UINT>(::GetSystemMetrics(SM_CYMENU) / 2 + 16 + 6));
    menu.SetDefaultItem(0);  // bold is wider
    ASSERT_TRUE(CThemedMenu::MeasureItem(&mis));
    EXPECT_GE(mis.itemWidth, plainWidth);

    // Item data the menus did not hand out is left to others.
    int foreign = 0;
    mis.itemData = reinterpret_cast<ULONG_PTR>(&foreign);
    EXPECT_FALSE(CThemedMenu::MeasureItem(&mis));
}

TEST_F(ThemedMenuTest, DrawsTheShadedColumnItemAreaAndThemedSelection) {
    MenuEnv().themeActive = [] { return true; };
    CThemedMenu menu;
    menu.CreatePopupMenu();
    menu.InsertMenu(0, MF_STRING, 32773, "Show");
    const Theme2003Colours c = CMenuStyle2003::Colours();
    const int column = IconColumnWidth(16);

    for (bool gradient : {true, false}) {
        SCOPED_TRACE(gradient ? "GradientFill" : "bands");
        if (!gradient) MenuEnv().gradientFill = nullptr;
        Surface s;
        Draw(s, menu, 0, 0);
        // From the item area at the outer edge to the column colour next to
        // the text; the text side of the item is item area.
        EXPECT_TRUE(SameColour(s.At(0, 1), c.itemArea, 2));
        EXPECT_TRUE(SameColour(s.At(column - 1, 1), c.iconColumn, gradient ? 2 : 0));
        EXPECT_TRUE(SameColour(s.At(column, 1), c.itemArea));
        EXPECT_TRUE(SameColour(s.At(Surface::kWidth - 2, 1), c.itemArea));
        if (!gradient) {
            EXPECT_EQ(s.At(0, 1), s.At(1, 1));  // 2-pixel bands
        }
    }

    Surface selected;
    Draw(selected, menu, 0, ODS_SELECTED);
    EXPECT_TRUE(SameColour(selected.At(Surface::kWidth - 3, 2), Rgb(255, 238, 194)));
    EXPECT_TRUE(SameColour(selected.At(3, 2), Rgb(255, 238, 194)));
    const Rgb highlight = Rgb::FromColorRef(::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_TRUE(SameColour(selected.At(0, 0), highlight));
    EXPECT_TRUE(SameColour(selected.At(Surface::kWidth - 1, Surface::kHeight - 1), highlight));

    // Without visual themes the selection is the shared mix.
    MenuEnv().themeActive = [] { return false; };
    Surface plain;
    Draw(plain, menu, 0, ODS_SELECTED);
    const Rgb mix = SelectionFill(CurrentMenuSystemColours(), CurrentMenuDisplay());
    EXPECT_TRUE(SameColour(plain.At(Surface::kWidth - 3, 2), mix));
}

TEST_F(ThemedMenuTest, DefaultItemIsBoldAndGrayedTextIsGray) {
    CThemedMenu menu;
    menu.CreatePopupMenu();
    menu.InsertMenu(0, MF_STRING, 32773, "Show");
    menu.InsertMenu(1, MF_STRING, 32774, "Show");
    const Rgb gray = Rgb::FromColorRef(::GetSysColor(COLOR_GRAYTEXT));
    const int textStart = IconColumnWidth(16) + 4;
    menu.SetDefaultItem(0);
    Surface bold, normal, grayed;
    Draw(bold, menu, 0, 0);
    Draw(normal, menu, 1, 0);
    Draw(grayed, menu, 1, ODS_GRAYED);
    // Text may be smoothed (and the bold face may even come from another
    // font), so: the default item draws differently from the same caption
    // plain, and grayed text is nowhere darker than gray.
    auto differing = [&](const Surface& a, const Surface& b) {
        int n = 0;
        for (int y = 0; y < Surface::kHeight; ++y)
            for (int x = textStart; x < Surface::kWidth; ++x) n += a.At(x, y) != b.At(x, y);
        return n;
    };
    auto darkest = [&](const Surface& s) {
        int least = 3 * 255;
        for (int y = 0; y < Surface::kHeight; ++y)
            for (int x = textStart; x < Surface::kWidth; ++x) {
                const Rgb p = s.At(x, y);
                least = std::min(least, p.r + p.g + p.b);
            }
        return least;
    };
    EXPECT_GT(differing(bold, normal), 20);
    EXPECT_LT(darkest(normal), gray.r + gray.g + gray.b - 30);
    EXPECT_GE(darkest(grayed), gray.r + gray.g + gray.b - 3);
    EXPECT_GT(differing(grayed, normal), 20);
}

namespace {
// The shown menu window of this thread, or null.
HWND ShownMenuWindow() {
    HWND menu = ::FindWindowA("#32768", nullptr);
    return menu && ::IsWindowVisible(menu) ? menu : nullptr;
}
}  // namespace

TEST_F(ThemedMenuTest, TrackingTakesTheMenuWindowOverAndLetsItGo) {
    HWND owner = CreateTestParent();
    CThemedMenu menu;
    menu.CreatePopupMenu();
    menu.InsertMenu(0, MF_STRING, 32773, "Show");
    menu.InsertMenu(1, MF_STRING, 32772, "Exit");
    ::SetForegroundWindow(owner);
    HWND menuWindow = nullptr;
    int takenOver = -1;
    COLORREF corner = CLR_INVALID;
    ModalScript script;
    script.WaitShown(&ShownMenuWindow).Do([&] {
        menuWindow = ShownMenuWindow();
        takenOver = TakenOverMenuWindowCount();
        ::UpdateWindow(menuWindow);
        corner = ::GetPixel(WindowDC(menuWindow, WindowDC::kWholeWindow).Get(), 0, 0);
        ::EndMenu();
    });
    script.Run([&] { return menu.TrackPopupMenu(TPM_RIGHTBUTTON | TPM_VCENTERALIGN, 200, 200, owner); });
    EXPECT_NE(menuWindow, nullptr);
    EXPECT_EQ(takenOver, 1);
    const Rgb dark = CMenuStyle2003::Colours().frameDark;
    EXPECT_TRUE(SameColour(Rgb::FromColorRef(corner), dark));
    PumpUntil([] { return TakenOverMenuWindowCount() == 0; }, 1000);
    EXPECT_EQ(TakenOverMenuWindowCount(), 0);
    ::DestroyWindow(owner);
}

namespace {
// The notification-area menu (as a shown window is visible) in look `theme`.
ScreenPicture ShootTrayMenu(int theme, RECT* window) {
    SelectMenuTheme(theme, false);
    HWND owner = CreateTestParent(500, 500);  // a steady background under the menu
    ::UpdateWindow(owner);
    CThemedMenu menu;
    menu.CreatePopupMenu();
    int position = 0;
    for (const TrayMenuItem& item : TrayMenuItems(true))
        menu.InsertMenu(position++, MF_STRING, item.command, item.text);
    menu.SetDefaultItem(0);
    // What the screen shows of the shown menu window and the 4 pixels right
    // of and below it.
    ScreenPicture shot(RECT{});
    ::SetForegroundWindow(owner);
    ModalScript script;
    script.WaitShown(&ShownMenuWindow)
        .Do([] {
            ::RedrawWindow(ShownMenuWindow(), nullptr, nullptr,
                           RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        })
        .Then([] {  // the window's picture has reached the screen
            HWND shown = ShownMenuWindow();
            RECT r{};
            ::GetWindowRect(shown, &r);
            return ::GetPixel(WindowDC(shown, WindowDC::kWholeWindow).Get(), 0, 0) ==
                   ScreenPicture(RECT{r.left, r.top, r.left + 1, r.top + 1}).At(0, 0);
        })
        .Do([&] {
            ::GetWindowRect(ShownMenuWindow(), window);
            shot = ScreenPicture(RECT{window->left, window->top, window->right + 4, window->bottom + 4});
            ::EndMenu();
        });
    script.Run([&] { return menu.TrackPopupMenu(TPM_RIGHTBUTTON | TPM_VCENTERALIGN, 200, 250, owner); });
    ::DestroyWindow(owner);
    return shot;
}
}  // namespace

TEST_F(ThemedMenuTest, TheLookWithoutBorderDiffersOnlyByTheFrameAndTheShadow) {
    BOOL systemShadow = FALSE;
    ::SystemParametersInfoA(SPI_GETDROPSHADOW, 0, &systemShadow, 0);
    const int s = systemShadow ? 0 : 4;  // the shadow this library paints
    RECT at8{}, at9{};
    const ScreenPicture with = ShootTrayMenu(kMenuTheme2003, &at8);
    const ScreenPicture without = ShootTrayMenu(kMenuTheme2003NoBorder, &at9);
    const int w = at9.right - at9.left, h = at9.bottom - at9.top;
    ASSERT_GT(w, 20);
    ASSERT_GT(h, 3 * 20);
    EXPECT_EQ(at8.left, at9.left);
    EXPECT_EQ(at8.top, at9.top);
    EXPECT_EQ(at8.right - at8.left, w + s);
    EXPECT_EQ(at8.bottom - at8.top, h + s);

    const Theme2003Colours colours = CMenuStyle2003::Colours();
    int ringChanged = 0, innerChanged = 0, shadowDarker = 0, shadowLighter = 0;
    for (int y = 0; y < h + 4; ++y) {
        for (int x = 0; x < w + 4; ++x) {
            const Rgb a = Rgb::FromColorRef(with.At(x, y));
            const Rgb b = Rgb::FromColorRef(without.At(x, y));
            if (x >= w || y >= h) {  // beside the menu: theme 8's shadow, or what lies there
                if (x < 4 || y < 4 || x >= w + s || y >= h + s) continue;
                shadowDarker += a.r + a.g + a.b < b.r + b.g + b.b;
                shadowLighter += a.r > b.r || a.g > b.g || a.b > b.b;
            } else if (x < 2 || y < 2 || x >= w - 2 || y >= h - 2) {
                // Theme 8's frame: outer dark line, inner light line with the
                // column stroke at x = 1; theme 9 leaves the system's edge.
                const bool outer = x == 0 || y == 0 || x == w - 1 || y == h - 1;
                const Rgb want = outer                           ? colours.frameDark
                                 : (x == 1 && y >= 2 && y < h - 2) ? colours.frameColumn
                                                                   : colours.frameLight;
                EXPECT_TRUE(SameColour(a, want, 8)) << x << "," << y;
                ringChanged += !(a == b);
            } else {
                innerChanged += !(a == b);
            }
        }
    }
    EXPECT_EQ(innerChanged, 0);  // the items look the same in both
    EXPECT_GT(ringChanged, 2 * (w + h));
    EXPECT_EQ(shadowLighter, 0);
    if (s) {
        EXPECT_GT(shadowDarker, (w + h) * 2);
    }
}

TEST_F(ThemedMenuTest, AnItemsSurfaceLetsItsBitmapGoBeforeDeletingIt) {
    CThemedMenu menu;
    menu.CreatePopupMenu();
    menu.InsertMenu(0, MF_STRING, 32773, "Show");
    SelectedBitmapDeleteWatch watch;
    ASSERT_TRUE(watch.Hooked());
    {
        Surface s;
        Draw(s, menu, 0, ODS_SELECTED);
        Draw(s, menu, 0, 0);
    }
    EXPECT_EQ(watch.Count(), 0) << "a bitmap deleted while selected leaks on Windows";
}
