#include "menus/menu_look.h"

#include <windows.h>

namespace {
int g_theme = 2;  // the menu library's own default until start-up picks one
bool g_borderForAll = false;
}  // namespace

bool HasCompatibilityLayer() {
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return kernel && ::GetProcAddress(kernel, "wine_get_unix_file_name") != nullptr;
}

void SelectMenuTheme(int number, bool borderForAll) {
    g_theme = number;
    g_borderForAll = borderForAll;
}

int ActiveMenuTheme() { return g_theme; }
bool MenuBorderForAll() { return g_borderForAll; }
