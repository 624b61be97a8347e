#include "controls/menus/menu_style.h"

#include <string>

#include "controls/menus/menu_env.h"
#include "controls/offscreen_dc.h"

namespace {

FontHandle MenuFont(bool bold) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        // Systems before the padded-border field know the shorter form.
        metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
        if (!::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
            return FontHandle(nullptr);
        }
    }
    LOGFONTA font = metrics.lfMenuFont;
    if (bold) font.lfWeight = FW_BOLD;
    return FontHandle(::CreateFontIndirectA(&font));
}

Rgb SysRgb(int index) { return Rgb::FromColorRef(::GetSysColor(index)); }

void FillSolid(HDC dc, const RECT& rect, Rgb colour) {
    BrushHandle brush(::CreateSolidBrush(colour.ToColorRef()));
    ::FillRect(dc, &rect, brush.Get());
}

void FrameSolid(HDC dc, const RECT& rect, Rgb colour) {
    BrushHandle brush(::CreateSolidBrush(colour.ToColorRef()));
    ::FrameRect(dc, &rect, brush.Get());
}

// Horizontal shading over `rect` from `left` to `right`.
void ShadeHorizontally(HDC dc, const RECT& rect, Rgb left, Rgb right) {
    const int width = rect.right - rect.left;
    if (width <= 0) return;
    if (GradientFillFn gradient = MenuEnv().gradientFill) {
        TRIVERTEX v[2] = {};
        v[0].x = rect.left;
        v[0].y = rect.top;
        v[0].Red = static_cast<COLOR16>(left.r << 8);
        v[0].Green = static_cast<COLOR16>(left.g << 8);
        v[0].Blue = static_cast<COLOR16>(left.b << 8);
        v[1].x = rect.right;
        v[1].y = rect.bottom;
        v[1].Red = static_cast<COLOR16>(right.r << 8);
        v[1].Green = static_cast<COLOR16>(right.g << 8);
        v[1].Blue = static_cast<COLOR16>(right.b << 8);
        GRADIENT_RECT index{0, 1};
        if (gradient(dc, v, 2, &index, 1, GRADIENT_FILL_RECT_H)) return;
    }
    for (const ColourBand& band : IconColumnBands(left, right, width)) {
        const RECT piece{rect.left + band.x, rect.top, rect.left + band.x + band.width,
                         rect.bottom};
        FillSolid(dc, piece, band.colour);
    }
}

// Marlett glyphs of the system-menu commands; 0 for other commands.
char SystemMenuGlyph(UINT command) {
    switch (command & 0xFFF0) {
    case SC_CLOSE: return 0x72;
    case SC_MINIMIZE: return 0x30;
    case SC_MAXIMIZE: return 0x31;
    case SC_RESTORE: return 0x32;
    default: return 0;
    }
}

bool KeyboardCuesHidden(UINT state) {
    if (!(state & ODS_NOACCEL) || MenuEnv().family < 6) return false;
    BOOL cues = TRUE;
    ::SystemParametersInfoA(SPI_GETKEYBOARDCUES, 0, &cues, 0);
    return !cues;
}

}  // namespace

MenuSystemColours CurrentMenuSystemColours() {
    MenuSystemColours sys;
    sys.window = SysRgb(COLOR_WINDOW);
    sys.highlight = SysRgb(COLOR_HIGHLIGHT);
    sys.buttonText = SysRgb(COLOR_BTNTEXT);
    sys.buttonFace = SysRgb(COLOR_BTNFACE);
    sys.menu = SysRgb(COLOR_MENU);
    sys.menuBar = SysRgb(COLOR_MENUBAR);
    return sys;
}

MenuDisplay CurrentMenuDisplay() {
    const MenuEnvironment& env = MenuEnv();
    MenuDisplay display;
    display.family = env.family;
    display.highContrast = env.highContrast;
    {
        WindowDC screen(nullptr);
        display.atMost256Colours =
            ::GetDeviceCaps(screen.Get(), BITSPIXEL) * ::GetDeviceCaps(screen.Get(), PLANES) <= 8;
    }
    display.themesActive = env.themeActive && env.themeActive();
    BOOL flat = FALSE;
    display.flatMenus = ::SystemParametersInfoA(SPI_GETFLATMENU, 0, &flat, 0) && flat;
    return display;
}

Rgb CurrentMenuBackground() {
    return MenuBackground(CurrentMenuSystemColours(), CurrentMenuDisplay());
}

void CMenuStyle::MeasureItem(MEASUREITEMSTRUCT* mis, const CThemedMenuItemData& item,
                             const MenuItemPlace& place) const {
    MenuItemMeasure measure;
    measure.separator = item.IsSeparator();
    measure.opensSubmenu = (item.flags & MF_POPUP) != 0;
    measure.menuBarHeight = ::GetSystemMetrics(SM_CYMENU);
    measure.largestIconWidth = place.largestIconWidth;
    measure.largestIconHeight = place.largestIconHeight;
    if (!measure.separator) {
        const bool bold = place.isDefault;
        FontHandle font = MenuFont(bold);
        WindowDC screen(nullptr);
        SelectGuard select(screen.Get(), font.Get());
        RECT text{0, 0, 0, 0};
        ::DrawTextA(screen.Get(), item.text.c_str(), -1, &text,
                    DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
        measure.textWidth = text.right - text.left;
        measure.textHeight = text.bottom - text.top;
    }
    const MenuItemSize size = MeasureMenuItem(measure);
    mis->itemWidth = static_cast<UINT>(size.width);
    mis->itemHeight = static_cast<UINT>(size.height);
}

void CMenuStyle::DrawItemText(HDC dc, const RECT& textRect, const CThemedMenuItemData& item,
                              UINT state, COLORREF colour, bool bold) const {
    FontHandle font = MenuFont(bold);
    SelectGuard select(dc, font.Get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, colour);
    UINT format = DT_SINGLELINE | DT_VCENTER;
    if (KeyboardCuesHidden(state)) format |= DT_HIDEPREFIX;
    const std::string::size_type tab = item.text.rfind('\t');
    RECT rect = textRect;
    if (tab == std::string::npos) {
        ::DrawTextA(dc, item.text.c_str(), -1, &rect, format | DT_LEFT);
        return;
    }
    const std::string caption = item.text.substr(0, tab);
    const std::string accelerator = item.text.substr(tab + 1);
    ::DrawTextA(dc, caption.c_str(), -1, &rect, format | DT_LEFT);
    rect = textRect;
    ::DrawTextA(dc, accelerator.c_str(), -1, &rect, format | DT_RIGHT);
}

void CMenuStyle::DrawItem(const DRAWITEMSTRUCT* dis, const CThemedMenuItemData& item,
                          const MenuItemPlace& place) const {
    // Built off-screen and copied in one go, so the item does not flicker.
    COffscreenDC mem(dis->hDC, dis->rcItem, COffscreenDC::Start::kUnfilled);
    HDC dc = mem.Get();
    const RECT& r = dis->rcItem;
    const bool selected = (dis->itemState & ODS_SELECTED) && !item.IsSeparator();
    FillSolid(dc, r, SysRgb(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    if (item.IsSeparator()) {
        RECT line{r.left + 2, (r.top + r.bottom) / 2, r.right - 2, (r.top + r.bottom) / 2 + 1};
        FillSolid(dc, line, SysRgb(COLOR_GRAYTEXT));
        return;
    }
    const int column = IconColumnWidth(place.largestIconWidth);
    const RECT text{r.left + column + 4, r.top, r.right - 15, r.bottom};
    const bool grayed = (dis->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const int colour = grayed ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT;
    const bool bold = (dis->itemState & ODS_DEFAULT) || place.isDefault;
    DrawItemText(dc, text, item, dis->itemState, ::GetSysColor(colour), bold);
}

COLORREF CMenuStyle::ClientColour() const { return CurrentMenuBackground().ToColorRef(); }

CMenuStyleFlat::FrameColours CMenuStyleFlat::GetFrameColours() const {
    const Rgb background = CurrentMenuBackground();
    return {background, Rgb(background.r * 127 / 255, background.g * 127 / 255,
                            background.b * 127 / 255),
            background};
}

void CMenuStyleFlat::DrawWindowFrame(HWND wnd, HDC dc, bool shadowSpace) const {
    RECT window{};
    ::GetWindowRect(wnd, &window);
    const int s = shadowSpace ? 4 : 0;
    const int c = window.right - window.left - s;
    const int h = window.bottom - window.top - s;
    if (MenuEnv().highContrast) {
        FrameSolid(dc, RECT{0, 0, c, h}, SysRgb(COLOR_BTNTEXT));
        return;
    }
    const FrameColours colours = GetFrameColours();
    FrameSolid(dc, RECT{1, 1, c - 1, h - 1}, colours.light);
    FillSolid(dc, RECT{1, 2, 2, 2 + (h - 4)}, colours.column);
    FrameSolid(dc, RECT{0, 0, c, h}, colours.dark);
}

Theme2003Colours CMenuStyle2003::Colours() {
    WindowDC screen(nullptr);
    HDC dc = screen.Get();
    return ComputeTheme2003Colours(CurrentMenuSystemColours(), CurrentMenuDisplay(),
                                   CurrentMenuBackground(), [dc](Rgb c) {
                                       return Rgb::FromColorRef(::GetNearestColor(dc, c.ToColorRef()));
                                   });
}

CMenuStyleFlat::FrameColours CMenuStyle2003::GetFrameColours() const {
    const Theme2003Colours c = Colours();
    return {c.frameLight, c.frameDark, c.frameColumn};
}

void CMenuStyle2003::DrawItem(const DRAWITEMSTRUCT* dis, const CThemedMenuItemData& item,
                              const MenuItemPlace& place) const {
    const RECT& r = dis->rcItem;
    COffscreenDC mem(dis->hDC, r, COffscreenDC::Start::kUnfilled);
    HDC dc = mem.Get();
    const Theme2003Colours colours = Colours();
    const bool rightToLeft = (item.flags & MFT_RIGHTORDER) != 0;

    // Icon column shaded from the item area at the menu's edge to the
    // column colour next to the text; the rest is item area.
    const int column = IconColumnWidth(place.largestIconWidth);
    RECT iconColumn = r;
    RECT rest = r;
    RECT text = r;
    if (rightToLeft) {
        iconColumn.left = r.right - column;
        rest.right = iconColumn.left;
        ShadeHorizontally(dc, iconColumn, colours.iconColumn, colours.itemArea);
        text.left = r.left + 15;
        text.right = iconColumn.left - 4;
    } else {
        iconColumn.right = r.left + column;
        rest.left = iconColumn.right;
        ShadeHorizontally(dc, iconColumn, colours.itemArea, colours.iconColumn);
        text.left = iconColumn.right + 4;
        text.right = r.right - 15;
    }
    FillSolid(dc, rest, colours.itemArea);

    if (item.IsSeparator()) {
        const int y = (r.top + r.bottom) / 2;
        const RECT line = rightToLeft ? RECT{r.left, y, text.right, y + 1}
                                      : RECT{text.left, y, r.right, y + 1};
        FillSolid(dc, line, SysRgb(COLOR_GRAYTEXT));
        return;
    }

    const UINT state = dis->itemState;
    const bool selected = (state & ODS_SELECTED) != 0;
    if (selected && !(state & ODS_INACTIVE)) {
        FillSolid(dc, r, colours.selectionFill);
        FrameSolid(dc, r, colours.selectionFrame);
    }

    const bool grayed = (state & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const bool bold = (state & ODS_DEFAULT) || place.isDefault;
    if (const char glyph = SystemMenuGlyph(item.commandId)) {
        RECT box = iconColumn;
        ::InflateRect(&box, -2, -2);
        FontHandle marlett(::CreateFontA(box.bottom - box.top, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL,
                                         FALSE, FALSE, FALSE, SYMBOL_CHARSET, OUT_DEFAULT_PRECIS,
                                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                         "Marlett"));
        SelectGuard select(dc, marlett.Get());
        ::SetBkMode(dc, TRANSPARENT);
        const int colour = (grayed || (state & ODS_INACTIVE)) ? COLOR_GRAYTEXT
                           : selected                          ? COLOR_HIGHLIGHTTEXT
                                                               : COLOR_MENUTEXT;
        ::SetTextColor(dc, ::GetSysColor(colour));
        const char symbol[2] = {glyph, 0};
        ::DrawTextA(dc, symbol, 1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }

    int textColour = COLOR_MENUTEXT;
    if (grayed) {
        textColour = COLOR_GRAYTEXT;
    } else if (MenuEnv().highContrast && !selected) {
        textColour = COLOR_WINDOWTEXT;
    }
    DrawItemText(dc, text, item, state, ::GetSysColor(textColour), bold);
}
