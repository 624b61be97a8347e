// Every window message this program defines, in one table, so that no two
// share a number by accident.
#pragma once

#include <windows.h>

// WM_USER range: the program's own protocol between its windows and copies.
// The numbers are fixed: a second copy and the tray post them.
constexpr UINT WM_TRAY_NOTIFY = WM_USER;         // the tray icon's callback, to its owner
constexpr UINT WM_CLEAN_COMPLETE = WM_USER + 1;  // to the panel: shows "Clean History Complete."
constexpr UINT WM_BACKUP_NOW = WM_USER + 2;      // to the panel: the backup program's automatic mode
constexpr UINT WM_CLEAN_FINISHED = WM_USER + 3;  // the cleaner's worker to its dialog

// WM_APP range: what a window posts to itself or its own worker posts to it.
constexpr UINT WM_CLOCK_SHOW_TICK = WM_APP + 1;  // the clock's worker: new digits to show
constexpr UINT WM_FIND_HITS = WM_APP + 2;        // the find worker: hits or a finished search to take
constexpr UINT WM_CALENDARS_CHANGED = WM_APP + 3;  // the calendars' worker: new events to show
constexpr UINT WM_SYNC_DONE = WM_APP + 4;  // the sync's worker: a sync ended (wParam 1: memos changed)
