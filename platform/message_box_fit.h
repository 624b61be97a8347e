// Whether a message box with a given text fits the work area of the monitor a
// window is on. Measured as a box lays its text out: the message font, lines
// broken at words at the width a box wraps them (the narrowest any system
// here uses, so no box takes more lines), the room for the caption, icon
// and button estimated on the safe side.
#pragma once

#include <windows.h>

#include <string>

bool MessageBoxFits(HWND owner, const std::string& text);
