// Taking over the system's popup-menu windows (class "#32768") so the look
// in force draws their frame, and a 4-pixel shadow when the system draws
// none. A thread hook (WH_CALLWNDPROC, in place only while a menu window
// exists) sees each menu window being created and sized; windows showing a CThemedMenu, or every menu window when the
// border is on for all, get a window hook (CWndHook) of this library.
#pragma once

#include <windows.h>

// Installs the hook on the calling thread (once). Returns false when the
// system refused it.
bool InstallMenuWindowHook();
// ChooseMenuTheme (menu_look.h), and installs the hook on the calling (user-
// interface) thread; false when the system refused it, and then no menu
// window can be taken over.
bool SelectMenuTheme(int number, bool borderForAll);
// The number of menu windows taken over right now (for tests).
int TakenOverMenuWindowCount();
