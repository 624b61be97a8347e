// What the panel's parts share: its timers and its colours.
#pragma once

#include <windows.h>

namespace panel {

constexpr UINT_PTR kDayWatchTimer = 1;
constexpr UINT_PTR kRestartTimer = 2;
constexpr UINT_PTR kTrayIconTimer = 3;
// The grid's texts reach other processes once the month has stood still
// this long: stepping through many months renames the cells once.
constexpr UINT_PTR kPublishTextsTimer = 4;
constexpr UINT kPublishTextsDelayMs = 50;
constexpr UINT kDayWatchPeriodMs = 1000;

constexpr COLORREF kDayTextIn = RGB(255, 255, 0);
constexpr COLORREF kDayTextOut = RGB(255, 255, 255);
constexpr COLORREF kDayTextFocus = RGB(255, 255, 255);
constexpr COLORREF kMemoColour = RGB(255, 216, 0);
constexpr COLORREF kTodayColour = RGB(255, 80, 50);
constexpr COLORREF kWeekendColour = RGB(255, 128, 128);
constexpr COLORREF kWeekdayColour = RGB(0, 64, 255);
constexpr COLORREF kHeadingColour = RGB(0, 0, 255);
constexpr COLORREF kTickerBack = RGB(204, 204, 255);
constexpr COLORREF kTickerText = RGB(0, 115, 255);

inline HINSTANCE Instance() { return ::GetModuleHandleA(nullptr); }

}  // namespace panel
