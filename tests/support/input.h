// Input as a user gives it: typing into an edit, keys and clicks through
// the real keyboard and mouse.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Replaces an edit's text keystroke by keystroke, as a user would.
void TypeInto(HWND edit, const std::string& text);
// A left click with the real mouse at a screen point (goes to whatever
// window lies there, as a user's would).
void ClickScreenPoint(POINT p);
// Clicks (or double-clicks) at `p` until `done` holds, at most three times,
// waiting up to `waitMs` after each. Without a window manager Wine settles a
// window's activation after it is shown, and a late focus change cancels a
// press that came too soon; a user would simply click again.
bool ClickUntil(POINT p, const std::function<bool()>& done, DWORD waitMs, bool doubleClick = false);
// A key going down or up through the real keyboard (to the focused window
// of whatever program is active), and a whole press, with `modifier` held.
void SendKey(WORD key, bool down);
void PressKey(WORD key, WORD modifier = 0);
