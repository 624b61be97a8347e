// The display's scale: the dpi of the monitor a window is on, sizes of the
// 100 % design converted to it, and the artwork drawn for it. The panel sets
// the program's dpi from its monitor; every control and dialog reads it, so at
// 96 dpi everything loads and measures exactly as the 100 % design says.
#pragma once

#include <windows.h>

#ifndef WM_DPICHANGED  // older headers name it only for newer systems
#define WM_DPICHANGED 0x02E0
#endif

// Dpi of the monitor `wnd` is on: GetDpiForWindow where the system has it,
// else the screen's LOGPIXELSY. 96 when neither answers.
int WindowDpi(HWND wnd);

// The screen's vertical dots per inch, as a screen DC gives it (0 when none
// can be had). Read once: it holds for the session, and each screen DC is
// a trip through the window system.
int SystemDpi();
// The dpi the program draws at (96 until the panel sets it).
int CurrentDpi();
void SetCurrentDpi(int dpi);

// A length of the 100 % design at the current dpi: MulDiv(pixels, dpi, 96).
int ScalePixels(int pixels);

// Bitmap `id100` from the artwork drawn for the current dpi. With
// `fitFactor`, a display between two scales gets it shrunk by the factor;
// without, it keeps its scale's size (for bitmaps cut into cells at the
// positions clock_layout / progress_layout give for that scale). Caller owns it.
HBITMAP LoadScaledBitmap(UINT id100, UINT flags = 0, bool fitFactor = true);

// Icon `id100` from the artwork for the current dpi at `size100` pixels of the
// 100 % design (converted to the dpi), or at an explicit pixel size. Caller owns it.
HICON LoadScaledIcon(UINT id100, int size100);
HICON LoadScaledIconAtSize(UINT id100, int pixels);

// Index (0..3) of the artwork scale the current dpi uses.
int CurrentArtworkIndex();
