// Private messages of the calendar panel.
#pragma once

#include <windows.h>

// The tray icon's callback message.
constexpr UINT WM_TRAY_NOTIFY = WM_USER;
// Shows "Clean History Complete.".
constexpr UINT WM_CLEAN_COMPLETE = WM_USER + 1;
// Starts the backup program in its automatic mode (sent by a second copy
// started with "/now").
constexpr UINT WM_BACKUP_NOW = WM_USER + 2;

// lParam of the WM_SHOWWINDOW the panel posts itself to start hidden.
constexpr LPARAM kHideAfterFirstShow = 2;
