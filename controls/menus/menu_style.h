// The looks of the owner-drawn menus. A look measures and draws one item and
// is told when a menu window it has taken over opens, paints its frame and
// goes away. The program only ever shows the 2003 look (themes 8 and 9).
#pragma once

#include <windows.h>

#include "controls/menus/menu_item.h"
#include "core/menus/menu_theme_rules.h"
#include "platform/handles.h"

class CMenuStyle {
public:
    CMenuStyle(int number, bool border) : m_number(number), m_border(border) {}
    virtual ~CMenuStyle() = default;
    CMenuStyle(const CMenuStyle&) = delete;
    CMenuStyle& operator=(const CMenuStyle&) = delete;

    int Number() const { return m_number; }
    bool HasBorder() const { return m_border; }

    // The same measuring for every look.
    void MeasureItem(MEASUREITEMSTRUCT* mis, const CThemedMenuItemData& item,
                     const MenuItemPlace& place) const;
    // Classic look: the system's menu colours.
    virtual void DrawItem(const DRAWITEMSTRUCT* dis, const CThemedMenuItemData& item,
                          const MenuItemPlace& place) const;

    // A taken-over menu window of this look (controls/menus/menu_window.h).
    virtual bool DrawsFrame() const { return false; }
    virtual void DrawWindowFrame(HWND, HDC, bool /*shadowSpace*/) const {}
    virtual COLORREF ClientColour() const;

protected:
    // Text (caption left, accelerator right) and the system-menu symbols.
    void DrawItemText(HDC dc, const RECT& textRect, const CThemedMenuItemData& item,
                      UINT state, COLORREF colour, bool bold) const;

private:
    int m_number;
    bool m_border;
};

// Flat frame around the menu window: an outer dark line, an inner light one
// and a one-pixel column line at the left.
class CMenuStyleFlat : public CMenuStyle {
public:
    using CMenuStyle::CMenuStyle;
    bool DrawsFrame() const override { return true; }
    void DrawWindowFrame(HWND wnd, HDC dc, bool shadowSpace) const override;

protected:
    struct FrameColours {
        Rgb light, dark, column;
    };
    virtual FrameColours GetFrameColours() const;
};

// The 2003 look: a shaded icon column, a tinted item area and a filled,
// framed selection.
class CMenuStyle2003 : public CMenuStyleFlat {
public:
    using CMenuStyleFlat::CMenuStyleFlat;
    void DrawItem(const DRAWITEMSTRUCT* dis, const CThemedMenuItemData& item,
                  const MenuItemPlace& place) const override;
    // The colours for the system's current settings.
    static Theme2003Colours Colours();

protected:
    FrameColours GetFrameColours() const override;
};

// The system inputs of the colour rules, read now.
MenuSystemColours CurrentMenuSystemColours();
MenuDisplay CurrentMenuDisplay();
Rgb CurrentMenuBackground();
