// Colour and measuring rules of the owner-drawn menus (CThemedMenu and its
// looks). Window code reads the system colours, metrics and settings, passes
// them in, and draws with what comes back.
#pragma once

#include <functional>
#include <vector>

#include "core/base/basic_types.h"

// Platform ids as the version query reports them.
enum class PlatformId {
    Win32s = 0,
    Consumer = 1,  // the 95/98/Me line
    NT = 2,
};

// Platform family 0..7: 0 oldest 32-bit subsystem, 1 early NT, 2 first
// consumer generation, 3 and 4 its successors (4.10, 4.90), 5 NT 4, 6 the
// 2000 generation (5.0), 7 everything later (5.1 on). Unknown ids give 0.
int PlatformFamily(int platformId, int major, int minor);

// Per channel (a * percentA + b * percentB) / 100, limited to 0..255.
Rgb MixColours(Rgb a, int percentA, Rgb b, int percentB);

// Each channel * (255 - n) / 255; n is limited to 0..255.
Rgb Darken(Rgb c, int n);

// Each channel + (255 - channel) * n / 255; n is limited to 0..255.
Rgb Lighten(Rgb c, int n);

// The system colours and settings the menu colours depend on.
struct MenuSystemColours {
    Rgb window;     // COLOR_WINDOW
    Rgb highlight;  // COLOR_HIGHLIGHT
    Rgb buttonText; // COLOR_BTNTEXT
    Rgb buttonFace; // COLOR_BTNFACE
    Rgb menu;       // COLOR_MENU
    Rgb menuBar;    // COLOR_MENUBAR
};

struct MenuDisplay {
    int family = 7;             // PlatformFamily
    bool highContrast = false;  // SPI_GETHIGHCONTRAST
    bool atMost256Colours = false;
    bool themesActive = false;  // "IsThemeActive" exists and reports true
    bool flatMenus = false;     // SPI_GETFLATMENU
};

// The selection fill shared by the looks: highlight in high contrast; window
// with 256 colours or fewer; 86 % window + 14 % highlight when themes are
// inactive and the highlight's r + g + b exceeds 384; else 70 % / 30 %.
Rgb SelectionFill(const MenuSystemColours& sys, const MenuDisplay& display);

// Frame pen of a selected item: highlight, button text in high contrast.
Rgb SelectionFramePen(const MenuSystemColours& sys, const MenuDisplay& display);

// Background of a menu: its own brush colour if it has one; on family 7 the
// menu-bar colour with flat menus or active themes; the menu colour on
// families 2 and 5; else the button face.
Rgb MenuBackground(const MenuSystemColours& sys, const MenuDisplay& display,
                   const Rgb* ownBrushColour = nullptr);

// The colours of the 2003 look (themes 8 and 9).
struct Theme2003Colours {
    Rgb itemArea;
    Rgb iconColumn;
    Rgb selectionFill;
    Rgb selectionFrame;
    Rgb frameLight;   // = item area
    Rgb frameDark;    // menu background, each channel * 127 / 255
    Rgb frameColumn;  // = icon column
};

// `displayed` maps a colour to the one the display really shows (the
// nearest-colour query); item area and icon column that would look the
// same make the item area fall back to w. Empty: colours compare as given.
Theme2003Colours ComputeTheme2003Colours(const MenuSystemColours& sys,
                                         const MenuDisplay& display, Rgb menuBackground,
                                         const std::function<Rgb(Rgb)>& displayed = {});

// Fixed selection fill of the 2003 look while visual themes are active.
constexpr Rgb kTheme2003ThemedSelection{255, 238, 194};

// One band of the icon-column shading drawn without GradientFill.
struct ColourBand {
    int x = 0;      // from the menu's outer edge
    int width = 0;  // 2, the last one may be 1
    Rgb colour;
};

// 2-pixel bands over `width` pixels whose colour steps evenly from `outer`
// (first band) to `inner` (last band). Mirror x for right-to-left menus.
std::vector<ColourBand> IconColumnBands(Rgb outer, Rgb inner, int width);

// Icon-column width: the menu's largest icon width + 8.
int IconColumnWidth(int largestIconWidth);

struct MenuItemSize {
    int width = 0;
    int height = 0;
};

struct MenuItemMeasure {
    bool separator = false;
    bool opensSubmenu = false;
    int menuBarHeight = 19;    // SM_CYMENU
    int largestIconWidth = 16;  // the menu's largest icon, starting at 16 x 15
    int largestIconHeight = 15;
    int textWidth = 0;   // the caption measured in the menu font
    int textHeight = 0;  // (bold for the default item)
};

// Separator 3 x 3. Text item: width = (SM_CYMENU for a sub-menu item, half of
// it otherwise) + largest icon width + text width + 6; height = SM_CYMENU
// when largest icon height + 8 is less than it, else largest icon height + 7,
// and never less than the text height.
MenuItemSize MeasureMenuItem(const MenuItemMeasure& item);
