#include "controls/menus/menu_item.h"

#include <unordered_map>

namespace {
std::unordered_map<HMENU, CThemedMenu*>& LiveMenus() {
    // Left alive at exit: menus may still be drawn while statics go away.
    static auto* menus = new std::unordered_map<HMENU, CThemedMenu*>();
    return *menus;
}
}  // namespace

CThemedMenu* ThemedMenuOf(HMENU menu) {
    auto found = LiveMenus().find(menu);
    return found == LiveMenus().end() ? nullptr : found->second;
}

void NoteThemedMenu(HMENU menu, CThemedMenu* owner) { LiveMenus()[menu] = owner; }

void ForgetThemedMenu(HMENU menu, const CThemedMenu* owner) {
    auto found = LiveMenus().find(menu);
    if (found != LiveMenus().end() && found->second == owner) LiveMenus().erase(found);
}
