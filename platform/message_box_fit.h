// Whether a message box with a given text fits the work area of the monitor a
// window is on. Measured as the system lays a box out: the message font,
// lines broken at words; the width the text may take and the room for the
// caption, icon and button are estimated on the safe side.
#pragma once

#include <windows.h>

#include <string>

bool MessageBoxFits(HWND owner, const std::string& text);
