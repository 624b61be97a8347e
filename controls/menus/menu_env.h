// What the platform offers the owner-drawn menus (its family, high contrast,
// the optional theme and gradient functions), found out once.
#pragma once

#include <windows.h>

#include <functional>

// True when kernel32 exports wine_get_unix_file_name.
bool HasCompatibilityLayer();

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
