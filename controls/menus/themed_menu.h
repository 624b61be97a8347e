// CThemedMenu: a popup menu whose items are owner-drawn in the look chosen
// at start-up (controls/menus/menu_look.h). Build it on the stack, add items (or
// attach a loaded menu), track it, let it go: it destroys the menu it built
// and frees the item records.
//
// While a menu is tracked, the owner window's WM_MEASUREITEM and WM_DRAWITEM
// for its items are answered here through a hook on that window, so the
// owner needs no code of its own for them.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/menus/menu_item.h"
#include "platform/handles.h"

class CThemedMenu {
public:
    CThemedMenu();
    ~CThemedMenu();
    CThemedMenu(const CThemedMenu&) = delete;
    CThemedMenu& operator=(const CThemedMenu&) = delete;

    // A new empty popup menu, owned by this object.
    bool CreatePopupMenu();
    // Loads a menu resource and attaches it (see Attach). The top-level
    // menu is owned by this object.
    bool LoadMenu(UINT resourceId);
    // Takes `menu` (and its sub-menus, recursively) over: every item becomes
    // owner-drawn with its own record. The menu is destroyed with this object.
    bool Attach(HMENU menu);

    HMENU GetSafeHmenu() const { return m_menu; }
    int GetMenuItemCount() const;
    // The sub-menu object at `position`, or null.
    CThemedMenu* GetSubMenu(int position) const;

    // Inserts an owner-drawn item at `position` (-1 appends). Command id 0
    // makes a separator; MF_POPUP links `subMenu` (its id is ignored).
    bool InsertMenu(int position, UINT flags, UINT commandId, const char* text,
                    CThemedMenu* subMenu = nullptr);
    bool AppendMenu(UINT flags, UINT commandId, const char* text) {
        return InsertMenu(-1, flags, commandId, text);
    }
    // Removes the item at `position` with its record.
    bool DeleteMenu(int position);
    bool SetDefaultItem(int position);

    // The record of the item at `position`, or null.
    const CThemedMenuItemData* ItemData(int position) const;

    // Largest icon of the menu's items; 16 x 15 while it has none.
    int LargestIconWidth() const { return m_iconWidth; }
    int LargestIconHeight() const { return m_iconHeight; }
    // True when the item is the menu's default item.
    bool IsDefaultItem(const CThemedMenuItemData& item) const;

    // TrackPopupMenu owned by `owner`; its WM_MEASUREITEM / WM_DRAWITEM for
    // this menu's items are handled meanwhile.
    BOOL TrackPopupMenu(UINT flags, int x, int y, HWND owner);

    // The live CThemedMenu of a menu handle, or null.
    static CThemedMenu* FromHandle(HMENU menu);
    // Owner-draw entry points; false when the item is not one of ours.
    static bool MeasureItem(MEASUREITEMSTRUCT* item);
    static bool DrawItem(const DRAWITEMSTRUCT* item);

private:
    void Register(HMENU menu);
    void Release();
    bool MakeOwnerDrawn(int position);

    HMENU m_menu = nullptr;
    bool m_ownsMenu = false;  // sub-menus go with their parent's DestroyMenu
    CThemedMenu* m_parent = nullptr;
    // By position, like the items of the menu.
    std::vector<std::unique_ptr<CThemedMenuItemData>> m_items;
    std::vector<std::unique_ptr<CThemedMenu>> m_ownedSubMenus;  // from Attach
    int m_iconWidth = 16;
    int m_iconHeight = 15;
};
