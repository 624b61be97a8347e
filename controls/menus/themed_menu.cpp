#include "controls/menus/themed_menu.h"

#include <unordered_set>

#include "controls/menus/menu_look.h"
#include "controls/menus/menu_style.h"
#include "controls/menus/menu_window.h"
#include "platform/wnd_hook.h"

namespace {

// Records handed to the system as item data; only these are ever cast back.
std::unordered_set<const CThemedMenuItemData*>& LiveItems() {
    static auto* items = new std::unordered_set<const CThemedMenuItemData*>();
    return *items;
}

const CThemedMenuItemData* OurItem(ULONG_PTR itemData) {
    const auto* item = reinterpret_cast<const CThemedMenuItemData*>(itemData);
    return LiveItems().count(item) ? item : nullptr;
}

// Answers the owner's owner-draw messages for menu items while a menu is
// tracked; everything else goes on down the window's chain.
class COwnerDrawHook : public CWndHook {
protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_MEASUREITEM && lp &&
            reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->CtlType == ODT_MENU &&
            CThemedMenu::MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) {
            return TRUE;
        }
        if (msg == WM_DRAWITEM && lp &&
            reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->CtlType == ODT_MENU &&
            CThemedMenu::DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) {
            return TRUE;
        }
        return CWndHook::HandleMessage(msg, wp, lp);
    }
};

}  // namespace

CThemedMenu::CThemedMenu() = default;

CThemedMenu::~CThemedMenu() { Release(); }

void CThemedMenu::Register(HMENU menu) {
    m_menu = menu;
    NoteThemedMenu(menu, this);
}

void CThemedMenu::Release() {
    for (auto& sub : m_ownedSubMenus) sub->Release();
    m_ownedSubMenus.clear();
    for (auto& item : m_items) LiveItems().erase(item.get());
    m_items.clear();
    if (m_menu) {
        ForgetThemedMenu(m_menu, this);
        if (m_ownsMenu) ::DestroyMenu(m_menu);
    }
    m_menu = nullptr;
    m_ownsMenu = false;
}

CThemedMenu* CThemedMenu::FromHandle(HMENU menu) { return ThemedMenuOf(menu); }

bool CThemedMenu::CreatePopupMenu() {
    Release();
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return false;
    Register(menu);
    m_ownsMenu = true;
    return true;
}

bool CThemedMenu::LoadMenu(UINT resourceId) {
    MenuHandle menu(::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId)));
    if (!menu || !Attach(menu.Get())) return false;
    menu.Release();  // the themed menu owns it now
    return true;
}

bool CThemedMenu::Attach(HMENU menu) {
    Release();
    if (!menu || !::IsMenu(menu)) return false;
    Register(menu);
    m_ownsMenu = m_parent == nullptr;
    const int count = ::GetMenuItemCount(menu);
    m_items.resize(count > 0 ? static_cast<size_t>(count) : 0);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = ::GetSubMenu(menu, i)) {
            auto child = std::make_unique<CThemedMenu>();
            child->m_parent = this;
            child->Attach(sub);
            m_ownedSubMenus.push_back(std::move(child));
        }
    }
    for (int i = 0; i < count; ++i) MakeOwnerDrawn(i);
    return true;
}

// Gives the item at `position` a record with what the system knows of it
// and makes it owner-drawn.
bool CThemedMenu::MakeOwnerDrawn(int position) {
    char text[256] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text - 1;
    if (!::GetMenuItemInfoA(m_menu, static_cast<UINT>(position), TRUE, &info)) return false;

    auto item = std::make_unique<CThemedMenuItemData>();
    item->menu = this;
    item->text = (info.fType & MFT_SEPARATOR) ? "" : text;
    item->commandId = info.hSubMenu ? 0 : info.wID;
    item->flags = MF_OWNERDRAW | (info.fType & MFT_SEPARATOR ? MF_SEPARATOR : 0) |
                  (info.hSubMenu ? MF_POPUP : 0) | (info.fState & MFS_DISABLED ? MF_GRAYED : 0) |
                  (info.fState & MFS_CHECKED ? MF_CHECKED : 0);

    MENUITEMINFOA change{};
    change.cbSize = sizeof change;
    change.fMask = MIIM_FTYPE | MIIM_DATA;
    change.fType = (info.fType & ~MFT_STRING) | MFT_OWNERDRAW;
    change.dwItemData = reinterpret_cast<ULONG_PTR>(item.get());
    if (!::SetMenuItemInfoA(m_menu, static_cast<UINT>(position), TRUE, &change)) return false;
    LiveItems().insert(item.get());
    m_items[static_cast<size_t>(position)] = std::move(item);
    return true;
}

int CThemedMenu::GetMenuItemCount() const {
    return m_menu ? ::GetMenuItemCount(m_menu) : 0;
}

CThemedMenu* CThemedMenu::GetSubMenu(int position) const {
    return m_menu ? FromHandle(::GetSubMenu(m_menu, position)) : nullptr;
}

bool CThemedMenu::InsertMenu(int position, UINT flags, UINT commandId, const char* text,
                             CThemedMenu* subMenu) {
    if (!m_menu) return false;
    const int count = GetMenuItemCount();
    if (position < 0 || position > count) position = count;

    auto item = std::make_unique<CThemedMenuItemData>();
    item->menu = this;
    item->text = text ? text : "";
    item->commandId = commandId;
    UINT_PTR idOrMenu = commandId;
    if (flags & MF_POPUP) {
        if (!subMenu || !subMenu->m_menu) return false;
        idOrMenu = reinterpret_cast<UINT_PTR>(subMenu->m_menu);
        item->commandId = 0;
    } else if (commandId == 0) {
        flags |= MF_SEPARATOR;
        item->text.clear();
    }
    item->flags = flags | MF_OWNERDRAW;

    // In as plain text first, then turned owner-drawn with its record.
    const UINT plainFlags = (flags & ~(MF_OWNERDRAW | MF_SEPARATOR | MF_BITMAP)) | MF_BYPOSITION;
    if (!::InsertMenuA(m_menu, static_cast<UINT>(position), plainFlags | MF_STRING, idOrMenu,
                       item->text.c_str())) {
        return false;
    }
    MENUITEMINFOA change{};
    change.cbSize = sizeof change;
    change.fMask = MIIM_FTYPE | MIIM_DATA;
    change.fType = MFT_OWNERDRAW | ((flags & MF_SEPARATOR) ? MFT_SEPARATOR : 0);
    change.dwItemData = reinterpret_cast<ULONG_PTR>(item.get());
    ::SetMenuItemInfoA(m_menu, static_cast<UINT>(position), TRUE, &change);

    if (subMenu) {
        // The parent's DestroyMenu now takes the sub-menu with it.
        subMenu->m_parent = this;
        subMenu->m_ownsMenu = false;
    }
    LiveItems().insert(item.get());
    m_items.insert(m_items.begin() + position, std::move(item));
    return true;
}

bool CThemedMenu::DeleteMenu(int position) {
    if (!m_menu || position < 0 || position >= static_cast<int>(m_items.size())) return false;
    HMENU sub = ::GetSubMenu(m_menu, position);
    if (!::DeleteMenu(m_menu, static_cast<UINT>(position), MF_BYPOSITION)) return false;
    if (sub) {
        for (auto it = m_ownedSubMenus.begin(); it != m_ownedSubMenus.end(); ++it) {
            if ((*it)->m_menu == sub) {
                (*it)->Release();  // DeleteMenu destroyed it already
                m_ownedSubMenus.erase(it);
                break;
            }
        }
    }
    LiveItems().erase(m_items[static_cast<size_t>(position)].get());
    m_items.erase(m_items.begin() + position);
    return true;
}

bool CThemedMenu::SetDefaultItem(int position) {
    return m_menu && ::SetMenuDefaultItem(m_menu, static_cast<UINT>(position), TRUE);
}

const CThemedMenuItemData* CThemedMenu::ItemData(int position) const {
    if (position < 0 || position >= static_cast<int>(m_items.size())) return nullptr;
    return m_items[static_cast<size_t>(position)].get();
}

bool CThemedMenu::IsDefaultItem(const CThemedMenuItemData& item) const {
    if (!m_menu) return false;
    const UINT position = ::GetMenuDefaultItem(m_menu, TRUE, GMDI_USEDISABLED);
    return position != static_cast<UINT>(-1) && ItemData(static_cast<int>(position)) == &item;
}

BOOL CThemedMenu::TrackPopupMenu(UINT flags, int x, int y, HWND owner) {
    if (!m_menu) return FALSE;
    InstallMenuWindowHook();
    COwnerDrawHook drawHook;
    if (owner) drawHook.Subclass(owner);
    const BOOL result = ::TrackPopupMenu(m_menu, flags, x, y, 0, owner, nullptr);
    drawHook.Subclass(nullptr);
    return result;
}

namespace {
MenuItemPlace PlaceOf(const CThemedMenuItemData& item) {
    MenuItemPlace place;
    if (item.menu) {
        place.largestIconWidth = item.menu->LargestIconWidth();
        place.largestIconHeight = item.menu->LargestIconHeight();
        place.isDefault = item.menu->IsDefaultItem(item);
    }
    return place;
}
}  // namespace

bool CThemedMenu::MeasureItem(MEASUREITEMSTRUCT* mis) {
    const CThemedMenuItemData* item = OurItem(mis->itemData);
    if (!item) return false;
    ActiveMenuStyle().MeasureItem(mis, *item, PlaceOf(*item));
    return true;
}

bool CThemedMenu::DrawItem(const DRAWITEMSTRUCT* dis) {
    const CThemedMenuItemData* item = OurItem(dis->itemData);
    if (!item) return false;
    ActiveMenuStyle().DrawItem(dis, *item, PlaceOf(*item));
    return true;
}
