#include "core/menus/menu_theme_rules.h"

#include <gtest/gtest.h>

namespace {

// window, highlight, button text, button face, menu, menu bar
const MenuSystemColours kXp{Rgb(255, 255, 255), Rgb(49, 106, 197), Rgb(0, 0, 0),
                            Rgb(236, 233, 216), Rgb(255, 255, 255), Rgb(236, 233, 216)};

}  // namespace

TEST(MenuThemeRules, PlatformFamilyFromVersionNumbers) {
    // {platform id, major, minor, family}
    const int cases[][4] = {{0, 3, 10, 0}, {1, 4, 0, 2}, {1, 4, 10, 3}, {1, 4, 90, 4},
                            {2, 3, 51, 1}, {2, 4, 0, 5}, {2, 5, 0, 6},  {2, 5, 1, 7},
                            {2, 6, 0, 7},  {2, 10, 0, 7}};
    for (const auto& c : cases) EXPECT_EQ(PlatformFamily(c[0], c[1], c[2]), c[3]) << c[1] << c[2];
}

TEST(MenuThemeRules, MixDarkenLightenStayInRange) {
    EXPECT_EQ(MixColours(Rgb(255, 255, 255), 100, Rgb(255, 128, 0), 100), Rgb(255, 255, 255));
    EXPECT_EQ(MixColours(Rgb(255, 255, 255), 70, Rgb(49, 106, 197), 30), Rgb(193, 210, 237));
    EXPECT_EQ(Darken(Rgb(255, 100, 0), 10), Rgb(245, 96, 0));
    EXPECT_EQ(Lighten(Rgb(100, 0, 255), 51), Rgb(131, 51, 255));
    EXPECT_EQ(Lighten(Rgb(100, 0, 255), -5), Rgb(100, 0, 255));
}

TEST(MenuThemeRules, SelectionFillVariants) {
    MenuSystemColours sys = kXp;
    MenuDisplay display;
    EXPECT_EQ(SelectionFill(sys, display), Rgb(193, 210, 237));  // dark highlight: 70/30

    sys.highlight = Rgb(255, 200, 100);  // sum 555: 86/14 without themes
    EXPECT_EQ(SelectionFill(sys, display), Rgb(255, 247, 233));
    display.themesActive = true;
    EXPECT_EQ(SelectionFill(sys, display), Rgb(255, 238, 208));

    display.atMost256Colours = true;
    EXPECT_EQ(SelectionFill(sys, display), sys.window);
    display.highContrast = true;
    EXPECT_EQ(SelectionFill(sys, display), sys.highlight);
    EXPECT_EQ(SelectionFramePen(sys, display), sys.buttonText);
}

TEST(MenuThemeRules, Theme2003Colours) {
    const MenuSystemColours sys = kXp;
    MenuDisplay display;
    display.themesActive = true;
    const Rgb background = MenuBackground(sys, display);
    EXPECT_EQ(background, sys.menuBar);

    Theme2003Colours c = ComputeTheme2003Colours(sys, display, background);
    EXPECT_EQ(c.itemArea, Rgb(246, 246, 246));
    EXPECT_EQ(c.iconColumn, Rgb(237, 234, 220));
    EXPECT_EQ(c.selectionFill, Rgb(255, 238, 194));
    EXPECT_EQ(c.frameDark, Rgb(117, 116, 107));

    // Item area and column that the display cannot tell apart: item area = w.
    const Rgb nearGrey(244, 244, 244);
    auto coarse = [](Rgb x) { return Rgb(x.r / 8 * 8, x.g / 8 * 8, x.b / 8 * 8); };
    EXPECT_EQ(ComputeTheme2003Colours(sys, display, nearGrey).itemArea, Rgb(246, 246, 246));
    c = ComputeTheme2003Colours(sys, display, nearGrey, coarse);
    EXPECT_EQ(c.itemArea, Rgb(245, 245, 245));
    EXPECT_EQ(c.frameLight, c.itemArea);
}

TEST(MenuThemeRules, IconColumnBandsStepEvenlyBetweenEndpoints) {
    const auto bands = IconColumnBands(Rgb(0, 0, 0), Rgb(220, 110, 33), IconColumnWidth(16));
    ASSERT_EQ(bands.size(), 12u);
    EXPECT_EQ(bands.front().colour, Rgb(0, 0, 0));
    EXPECT_EQ(bands.back().colour, Rgb(220, 110, 33));
    EXPECT_EQ(bands[1].colour, Rgb(20, 10, 3));
    EXPECT_EQ(IconColumnBands(Rgb(), Rgb(), 5).back().width, 1);
    EXPECT_TRUE(IconColumnBands(Rgb(), Rgb(), 0).empty());
}

TEST(MenuThemeRules, MeasuringItems) {
    MenuItemMeasure item;
    item.separator = true;
    const MenuItemSize separator = MeasureMenuItem(item);
    EXPECT_TRUE(separator.width == 3 && separator.height == 3);

    item.separator = false;
    item.textWidth = 40;
    item.textHeight = 13;
    for (int cy : {19, 20}) {
        item.menuBarHeight = cy;
        EXPECT_EQ(MeasureMenuItem(item).height, 22) << cy;
    }
    item.menuBarHeight = 19;
    EXPECT_EQ(MeasureMenuItem(item).width, 9 + 16 + 40 + 6);
    item.menuBarHeight = 24;  // 15 + 8 < 24
    EXPECT_EQ(MeasureMenuItem(item).height, 24);
    item.textHeight = 30;
    EXPECT_EQ(MeasureMenuItem(item).height, 30);
}
