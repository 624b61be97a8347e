#include "menus/menu_look.h"

#include <memory>
#include <vector>

#include "framework/handles.h"
#include "menus/menu_style.h"
#include "menus/menu_theme_rules.h"
#include "menus/menu_window.h"

namespace {

int QueryPlatformFamily() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExA(&version)) return 0;
#pragma GCC diagnostic pop
    return PlatformFamily(static_cast<int>(version.dwPlatformId),
                          static_cast<int>(version.dwMajorVersion),
                          static_cast<int>(version.dwMinorVersion));
}

bool QueryHighContrast() {
    HIGHCONTRASTA hc{};
    hc.cbSize = sizeof hc;
    return ::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) &&
           (hc.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// The process-wide state; built on first use, on the user-interface thread.
struct MenuLibrary {
    MenuEnvironment env;
    ModuleHandle uxtheme;
    ModuleHandle msimg;
    std::vector<std::unique_ptr<CMenuStyle>> styles;
    const CMenuStyle* active = nullptr;
    bool borderForAll = false;

    MenuLibrary() {
        env.family = QueryPlatformFamily();
        env.remoteSession = env.family >= 6 && ::GetSystemMetrics(SM_REMOTESESSION) != 0;
        env.compatibilityLayer = HasCompatibilityLayer();
        env.highContrast = QueryHighContrast();

        using IsThemeActiveFn = BOOL(WINAPI*)();
        uxtheme.Reset(::LoadLibraryA("uxtheme.dll"));
        IsThemeActiveFn isThemeActive = nullptr;
        if (uxtheme) {
            isThemeActive = reinterpret_cast<IsThemeActiveFn>(
                reinterpret_cast<void (*)()>(::GetProcAddress(uxtheme.Get(), "IsThemeActive")));
        }
        env.themeActive = [isThemeActive] { return isThemeActive && isThemeActive(); };
        if (env.family != 3) {
            msimg.Reset(::LoadLibraryA("msimg32.dll"));
            if (msimg) {
                env.gradientFill = reinterpret_cast<GradientFillFn>(
                    reinterpret_cast<void (*)()>(::GetProcAddress(msimg.Get(), "GradientFill")));
            }
        }

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

bool HasCompatibilityLayer() {
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return kernel && ::GetProcAddress(kernel, "wine_get_unix_file_name") != nullptr;
}

void ChooseMenuTheme(int number, bool borderForAll) {
    MenuLibrary& library = Library();
    if (const CMenuStyle* style = library.Find(number)) library.active = style;
    library.borderForAll = borderForAll;
}

bool SelectMenuTheme(int number, bool borderForAll) {
    ChooseMenuTheme(number, borderForAll);
    return InstallMenuWindowHook();
}

int ActiveMenuTheme() { return Library().active->Number(); }
bool MenuBorderForAll() { return Library().borderForAll; }

namespace {
int g_menuAlpha = 255;
}  // namespace

void SetMenuTransparency(int alpha) { g_menuAlpha = alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha); }
int MenuTransparency() { return g_menuAlpha; }
const CMenuStyle& ActiveMenuStyle() { return *Library().active; }
MenuEnvironment& MenuEnv() { return Library().env; }
