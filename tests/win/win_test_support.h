// Helpers shared by the window-level tests.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches pending messages of this thread.
void PumpMessages();
// Pumps messages until `done` is true or `timeoutMs` passes; returns `done`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
// A plain top-level window to parent controls under test.
HWND CreateTestParent(int width = 300, int height = 200);
// Reads one pixel of what `wnd` paints into a memory DC (WM_PRINTCLIENT is
// not used: the window's own WM_PAINT path draws into a captured copy).
COLORREF PixelOfWindow(HWND wnd, int x, int y);
// Live GDI objects of this process. GetGuiResources is a stub under Wine, so
// this walks the process's GDI handle table (the PEB names it; each entry is
// 24 bytes with the object type in byte 14, 0 for a free entry).
int CountGdiObjects();
