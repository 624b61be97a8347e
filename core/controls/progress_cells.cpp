#include "core/controls/progress_cells.h"

int NextActiveCell(int active) {
    // Normalised so that a stray negative value still lands on 1..8.
    const int wrapped = ((active % kProgressCellCount) + kProgressCellCount) % kProgressCellCount;
    return wrapped + 1;
}

ProgressCellBlit ProgressCell(int cell, bool running, int active) {
    ProgressCellBlit blit;
    blit.destX = 10 + 20 * (cell - 1);
    blit.srcX = running && cell == active ? 170 : blit.destX;
    return blit;
}

ProgressCellBlit ProgressCell(int cell, bool running, int active,
                              const artwork::ProgressLayout& layout) {
    ProgressCellBlit blit;
    blit.destX = layout.first_x + layout.pitch * (cell - 1);
    blit.destY = blit.srcY = layout.y;
    blit.srcX = running && cell == active ? layout.highlight_x : blit.destX;
    return blit;
}
