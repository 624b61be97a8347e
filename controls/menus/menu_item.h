// The owner-drawn menus' item records, what a look needs to know of the menu
// an item is in, and which menu handles belong to a live CThemedMenu.
#pragma once

#include <windows.h>

#include <string>

class CThemedMenu;

// What one owner-drawn item needs to be measured and drawn.
struct CThemedMenuItemData {
    std::string text;  // "caption\taccelerator"
    UINT flags = 0;    // MF_* as inserted
    UINT commandId = 0;
    int iconIndex = -1;              // no icon
    CThemedMenu* menu = nullptr;     // the menu the item is in
    bool IsSeparator() const { return (flags & MF_SEPARATOR) != 0; }
};

// What a look needs to know of the menu an item is in; the menu works it out.
struct MenuItemPlace {
    int largestIconWidth = 16;  // the menu's largest icon, 16 x 15 while it has none
    int largestIconHeight = 15;
    bool isDefault = false;  // the item is the menu's default item
};

// The live CThemedMenu of a menu handle, or null. The menu notes itself when
// it takes a handle and forgets it when it lets go.
CThemedMenu* ThemedMenuOf(HMENU menu);
void NoteThemedMenu(HMENU menu, CThemedMenu* owner);
void ForgetThemedMenu(HMENU menu, const CThemedMenu* owner);
