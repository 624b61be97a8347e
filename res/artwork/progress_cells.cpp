// The activity indicator's cells: eight plain ones and the highlighted one
// that runs across them.
#include "artwork.h"

namespace artwork {

namespace {

constexpr Rgba kDialogGrey = rgb(236, 233, 216);

void plain_cell(Canvas& c, int x, int y)
{
    fill_rect_paint(c, x, y, x + 10, y + 9, vertical(y, rgb(214, 232, 255), y + 9, rgb(150, 194, 246)));
    stroke_round_rect(c, x, y, x + 10, y + 9, 0, 1, solid(rgb(104, 150, 214)));
    fill_rect(c, x + 1, y + 1, 8, 1, rgb(240, 247, 255)); // top sheen
}

void glowing_cell(Canvas& c, int x, int y)
{
    fill_rect(c, x, y, 10, 9, rgb(14, 40, 120));
    // A soft bright core so the running cell seems to glow.
    fill_circle(c, x + 5, y + 4.5, 4.5, solid(rgb(40, 100, 215)));
    fill_circle(c, x + 5, y + 4.5, 3.0, solid(rgb(90, 165, 255)));
    fill_circle(c, x + 5, y + 4.5, 1.5, solid(rgb(200, 235, 255)));
    stroke_round_rect(c, x, y, x + 10, y + 9, 0, 1, solid(rgb(8, 24, 80)));
}

} // namespace

Canvas make_progress_cells()
{
    Canvas c(190, 20, kDialogGrey);
    for (int i = 0; i < 8; ++i)
        plain_cell(c, 10 + 20 * i, 6);
    glowing_cell(c, 170, 6);
    return c;
}

} // namespace artwork
