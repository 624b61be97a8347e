#include "controls/menus/menu_look.h"

#include <memory>
#include <vector>

#include "controls/menus/menu_style.h"

namespace {

// The process-wide state; built on first use, on the user-interface thread.
struct MenuLibrary {
    std::vector<std::unique_ptr<CMenuStyle>> styles;
    const CMenuStyle* active = nullptr;
    bool borderForAll = false;

    MenuLibrary() {
        // The looks this program can show; the others are never chosen.
        styles.push_back(std::make_unique<CMenuStyle>(0, true));
        styles.push_back(std::make_unique<CMenuStyle>(1, false));
        styles.push_back(std::make_unique<CMenuStyleFlat>(2, true));
        styles.push_back(std::make_unique<CMenuStyleFlat>(3, false));
        styles.push_back(std::make_unique<CMenuStyle2003>(kMenuTheme2003, true));
        styles.push_back(std::make_unique<CMenuStyle2003>(kMenuTheme2003NoBorder, false));
        active = Find(2);
    }

    const CMenuStyle* Find(int number) const {
        for (const auto& style : styles) {
            if (style->Number() == number) return style.get();
        }
        return nullptr;
    }
};

MenuLibrary& Library() {
    // Left alive at exit: menus may still be drawn while statics go away.
    static MenuLibrary* library = new MenuLibrary();
    return *library;
}

}  // namespace

void ChooseMenuTheme(int number, bool borderForAll) {
    MenuLibrary& library = Library();
    if (const CMenuStyle* style = library.Find(number)) library.active = style;
    library.borderForAll = borderForAll;
}

int ActiveMenuTheme() { return Library().active->Number(); }
bool MenuBorderForAll() { return Library().borderForAll; }

namespace {
int g_menuAlpha = 255;
}  // namespace

void SetMenuTransparency(int alpha) { g_menuAlpha = alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha); }
int MenuTransparency() { return g_menuAlpha; }
const CMenuStyle& ActiveMenuStyle() { return *Library().active; }
