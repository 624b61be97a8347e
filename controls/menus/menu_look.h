// The owner-drawn menus' looks and the one in force, chosen once at start-up:
// the 2003 look with a border (8), or without one (9) where the compatibility
// layer draws menu shadows differently (menu_env.h tells).
#pragma once

#include <windows.h>

class CMenuStyle;

constexpr int kMenuTheme2003 = 8;
constexpr int kMenuTheme2003NoBorder = 9;

// Selects the look by number for every menu shown afterwards (a number no
// look has leaves the active one as it was); `borderForAll` also gives the
// system's own popup menus the look's frame, once the menu-window hook is
// in place.
void ChooseMenuTheme(int number, bool borderForAll);
int ActiveMenuTheme();
bool MenuBorderForAll();
// Opacity of the menu windows the look takes over, 0..255 (255: opaque).
void SetMenuTransparency(int alpha);
int MenuTransparency();
const CMenuStyle& ActiveMenuStyle();
