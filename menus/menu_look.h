// The owner-drawn menus' process-wide state: what the platform offers (its
// family, high contrast, the optional theme and gradient functions), the
// list of looks and the one in force, chosen once at start-up: the 2003 look
// with a border (8), or without one (9) where the compatibility layer draws
// menu shadows differently.
#pragma once

#include <windows.h>

#include <functional>

class CMenuStyle;

constexpr int kMenuTheme2003 = 8;
constexpr int kMenuTheme2003NoBorder = 9;

// True when kernel32 exports wine_get_unix_file_name.
bool HasCompatibilityLayer();

// Selects the look by number for every menu shown afterwards (a number no
// look has leaves the active one as it was); `borderForAll` also gives the
// system's own popup menus the look's frame, once the menu-window hook is
// in place.
void ChooseMenuTheme(int number, bool borderForAll);
// ChooseMenuTheme, and installs the menu-window hook on the calling (user-
// interface) thread; false when the system refused it, and then no menu
// window can be taken over.
bool SelectMenuTheme(int number, bool borderForAll);
int ActiveMenuTheme();
bool MenuBorderForAll();
// Opacity of the menu windows the look takes over, 0..255 (255: opaque).
void SetMenuTransparency(int alpha);
int MenuTransparency();
const CMenuStyle& ActiveMenuStyle();

using GradientFillFn = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

// What the platform offers, found out once.
struct MenuEnvironment {
    int family = 7;  // PlatformFamily of the version numbers
    bool remoteSession = false;
    bool compatibilityLayer = false;
    bool highContrast = false;
    // "IsThemeActive" when uxtheme has it and reports true; replaceable so
    // tests can pick either answer.
    std::function<bool()> themeActive;
    GradientFillFn gradientFill = nullptr;  // null: 2-pixel bands instead
};
MenuEnvironment& MenuEnv();
