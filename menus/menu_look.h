// Which look the program's popup menus are drawn with, chosen once at
// start-up: the 2003 look with a border (8), or without one (9) where the
// compatibility layer draws menu shadows differently.
#pragma once

constexpr int kMenuTheme2003 = 8;
constexpr int kMenuTheme2003NoBorder = 9;

// True when kernel32 exports wine_get_unix_file_name.
bool HasCompatibilityLayer();

// Selects the theme by number for every menu shown afterwards; `borderForAll`
// also gives system popup menus the theme's border.
void SelectMenuTheme(int number, bool borderForAll);
int ActiveMenuTheme();
bool MenuBorderForAll();
