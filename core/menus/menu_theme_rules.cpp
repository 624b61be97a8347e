#include "core/menus/menu_theme_rules.h"

#include <algorithm>

namespace {

int Channel(long long value) {
    return static_cast<int>(std::clamp<long long>(value, 0, 255));
}

Rgb Displayed(const std::function<Rgb(Rgb)>& displayed, Rgb c) {
    return displayed ? displayed(c) : c;
}

}  // namespace

int PlatformFamily(int platformId, int major, int minor) {
    if (platformId == static_cast<int>(PlatformId::Consumer)) {
        if (major == 4 && minor == 10) return 3;
        if (major == 4 && minor == 90) return 4;
        return 2;
    }
    if (platformId == static_cast<int>(PlatformId::NT)) {
        if (major < 4) return 1;
        if (major == 4) return 5;
        if (major == 5 && minor == 0) return 6;
        return 7;
    }
    return 0;
}

Rgb MixColours(Rgb a, int percentA, Rgb b, int percentB) {
    const long long pa = percentA;
    const long long pb = percentB;
    return Rgb(Channel((a.r * pa + b.r * pb) / 100), Channel((a.g * pa + b.g * pb) / 100),
               Channel((a.b * pa + b.b * pb) / 100));
}

Rgb Darken(Rgb c, int n) {
    const int k = 255 - std::clamp(n, 0, 255);
    return Rgb(c.r * k / 255, c.g * k / 255, c.b * k / 255);
}

Rgb Lighten(Rgb c, int n) {
    const int k = std::clamp(n, 0, 255);
    return Rgb(c.r + (255 - c.r) * k / 255, c.g + (255 - c.g) * k / 255,
               c.b + (255 - c.b) * k / 255);
}

Rgb SelectionFill(const MenuSystemColours& sys, const MenuDisplay& display) {
    if (display.highContrast) return sys.highlight;
    if (display.atMost256Colours) return sys.window;
    const int sum = sys.highlight.r + sys.highlight.g + sys.highlight.b;
    // A light highlight needs less of itself to show against the window.
    if (!display.themesActive && sum > 384) return MixColours(sys.window, 86, sys.highlight, 14);
    return MixColours(sys.window, 70, sys.highlight, 30);
}

Rgb SelectionFramePen(const MenuSystemColours& sys, const MenuDisplay& display) {
    return display.highContrast ? sys.buttonText : sys.highlight;
}

Rgb MenuBackground(const MenuSystemColours& sys, const MenuDisplay& display,
                   const Rgb* ownBrushColour) {
    if (ownBrushColour != nullptr) return *ownBrushColour;
    if (display.family == 7 && (display.flatMenus || display.themesActive)) return sys.menuBar;
    if (display.family == 2 || display.family == 5) return sys.menu;
    return sys.buttonFace;
}

Theme2003Colours ComputeTheme2003Colours(const MenuSystemColours& sys,
                                         const MenuDisplay& display, Rgb menuBackground,
                                         const std::function<Rgb(Rgb)>& displayed) {
    const Rgb w = Darken(sys.window, 10);
    const Rgb areaTint = (display.family == 7 && display.flatMenus) ? sys.menuBar : sys.menu;

    Theme2003Colours c;
    c.itemArea = MixColours(w, 86, areaTint, 14);
    c.iconColumn = MixColours(menuBackground, 86, w, 14);
    // Without a visible difference the column would vanish into the items.
    if (Displayed(displayed, c.itemArea) == Displayed(displayed, c.iconColumn)) c.itemArea = w;
    c.selectionFill =
        display.themesActive ? kTheme2003ThemedSelection : SelectionFill(sys, display);
    c.selectionFrame = SelectionFramePen(sys, display);
    c.frameLight = c.itemArea;
    c.frameDark = Rgb(menuBackground.r * 127 / 255, menuBackground.g * 127 / 255,
                      menuBackground.b * 127 / 255);
    c.frameColumn = c.iconColumn;
    return c;
}

std::vector<ColourBand> IconColumnBands(Rgb outer, Rgb inner, int width) {
    std::vector<ColourBand> bands;
    if (width <= 0) return bands;
    const int count = (width + 1) / 2;
    bands.reserve(static_cast<std::size_t>(count));
    const int steps = count > 1 ? count - 1 : 1;
    auto step = [&](int from, int to, int i) { return from + (to - from) * i / steps; };
    for (int i = 0; i < count; ++i) {
        ColourBand band;
        band.x = 2 * i;
        band.width = std::min(2, width - band.x);
        band.colour = Rgb(step(outer.r, inner.r, i), step(outer.g, inner.g, i),
                          step(outer.b, inner.b, i));
        bands.push_back(band);
    }
    return bands;
}

int IconColumnWidth(int largestIconWidth) { return largestIconWidth + 8; }

MenuItemSize MeasureMenuItem(const MenuItemMeasure& item) {
    if (item.separator) return MenuItemSize{3, 3};
    MenuItemSize size;
    const int lead = item.opensSubmenu ? item.menuBarHeight : item.menuBarHeight / 2;
    size.width = lead + item.largestIconWidth + item.textWidth + 6;
    size.height = item.largestIconHeight + 8 < item.menuBarHeight ? item.menuBarHeight
                                                                   : item.largestIconHeight + 7;
    size.height = std::max(size.height, item.textHeight);
    return size;
}
