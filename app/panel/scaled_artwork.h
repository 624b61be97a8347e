// The panel's artwork at the display's scale: the layout of its children
// scaled from 100 %, the arrows' and the window's icons, the day font.
#pragma once

#include <windows.h>

#include "controls/skin_button.h"
#include "platform/handles.h"

class ScaledArtwork {
public:
    ScaledArtwork();

    // The program's icon at its resource size: shared, never destroyed.
    HICON Icon() const { return m_icon; }
    // The small icon at the current scale (caption, tray).
    HICON SmallIcon() const;

    // Above 100 %: every child of `dialog` takes its 100 % place and size,
    // scaled, and the dialog its client size to match.
    static void FitLayoutToScale(HWND dialog);
    // Moved to a monitor of `dpi`: the current scale becomes it and every
    // child keeps its place in proportion, the window at `suggested`.
    // False when the scale stays as it was.
    static bool Rescale(HWND dialog, UINT dpi, const RECT& suggested);
    static void LoadArrowIcons(CSkinButton& prevMonth, CSkinButton& nextMonth,
                               CSkinButton& prevYear, CSkinButton& nextYear);
    // Big and small, for the taskbar and task switcher.
    void ApplyWindowIcons(HWND window);
    // The day font for cells the size of `cell` at the current scale.
    static FontHandle DayFont(HWND cell);

private:
    HICON m_icon;
    IconHandle m_scaledIcon;       // above 96 dpi: the window's icon at the display's scale
    IconHandle m_scaledSmallIcon;  // and at the small-icon size (caption, tray)
};
