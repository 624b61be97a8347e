// The activity indicator's cells: eight plain ones and the highlighted one
// that runs across them.
#include "core/artwork/artwork.h"
#include "core/artwork/artwork_scale.h"

namespace artwork {

namespace {

constexpr Rgba kDialogGrey = rgb(236, 233, 216);

// Rims and the sheen are one pixel at 100 %, `line` pixels at a scale.
void plain_cell(Canvas& c, int x, int y, int w, int h, int line)
{
    fill_rect_paint(c, x, y, x + w, y + h, vertical(y, rgb(214, 232, 255), y + h, rgb(150, 194, 246)));
    stroke_round_rect(c, x, y, x + w, y + h, 0, line, solid(rgb(104, 150, 214)));
    fill_rect(c, x + line, y + line, w - 2 * line, line, rgb(240, 247, 255)); // top sheen
}

void glowing_cell(Canvas& c, int x, int y, int w, int h, int line)
{
    fill_rect(c, x, y, w, h, rgb(14, 40, 120));
    // A soft bright core so the running cell seems to glow.
    const double cx = x + w / 2.0, cy = y + h / 2.0, r = h / 2.0;
    fill_circle(c, cx, cy, r, solid(rgb(40, 100, 215)));
    fill_circle(c, cx, cy, r * 2 / 3, solid(rgb(90, 165, 255)));
    fill_circle(c, cx, cy, r / 3, solid(rgb(200, 235, 255)));
    stroke_round_rect(c, x, y, x + w, y + h, 0, line, solid(rgb(8, 24, 80)));
}

} // namespace

Canvas make_progress_cells(int index)
{
    const ProgressLayout l = progress_layout(index);
    const int line = scale_length(1, index);
    Canvas c(l.bitmap.width, l.bitmap.height, kDialogGrey);
    for (int i = 0; i < 8; ++i)
        plain_cell(c, l.first_x + l.pitch * i, l.y, l.width, l.height, line);
    glowing_cell(c, l.highlight_x, l.y, l.width, l.height, line);
    return c;
}

} // namespace artwork
