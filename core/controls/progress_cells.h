// Cell rules of the activity indicator (CProgress): eight 10 x 9 cells in a
// row, one of which is highlighted while the work runs.
#pragma once

#include "core/artwork/artwork_scale.h"

constexpr int kProgressCellCount = 8;
constexpr int kProgressCellWidth = 10;
constexpr int kProgressCellHeight = 9;

// The cell after `active` (0 = none): 1, 2, ..., 8, 1, ...
int NextActiveCell(int active);

// One copy from the cell bitmap to the control.
struct ProgressCellBlit {
    int destX = 0;
    int destY = 6;
    int srcX = 0;
    int srcY = 6;
};

// Cell `cell` (1..8) sits at x = 10 + 20 (cell - 1), y = 6; it comes from the
// highlighted cell at x = 170 while running and active, else from its own place.
ProgressCellBlit ProgressCell(int cell, bool running, int active);

// The same at one display scale: cell k at layout.first_x + pitch (k - 1),
// layout.y; the highlighted one from layout.highlight_x.
ProgressCellBlit ProgressCell(int cell, bool running, int active,
                              const artwork::ProgressLayout& layout);
