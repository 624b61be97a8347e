// The memo editor's picture: a calendar page with a small clock in front.
#include "artwork.h"

namespace artwork {

namespace {

// Flattens onto the key colour; a drawn pixel that happens to land exactly on
// the key is nudged so it does not turn transparent.
Canvas flatten_onto_key(const Canvas& art)
{
    Canvas out(art.width(), art.height(), kEditorKey);
    for (int y = 0; y < art.height(); ++y) {
        for (int x = 0; x < art.width(); ++x) {
            const Rgba p = art.at(x, y);
            if (p.a == 0)
                continue;
            out.blend(x, y, p);
            Rgba q = out.at(x, y);
            if (same_colour(q, kEditorKey)) {
                q.r = static_cast<std::uint8_t>(q.r - 1);
                out.set(x, y, q);
            }
        }
    }
    return out;
}

} // namespace

Canvas make_editor_picture()
{
    Canvas art(48, 42, rgb(0, 0, 0, 0));
    const Rgba outline = rgb(52, 72, 120);

    // Soft shadow, then the page.
    fill_round_rect(art, 3, 5, 38, 39, 4, solid(rgb(60, 60, 70, 70)));
    fill_round_rect(art, 1, 3, 36, 37, 4, solid(outline));
    fill_round_rect(art, 2, 4, 35, 36, 3, vertical(4, rgb(255, 255, 255), 36, rgb(228, 234, 244)));
    // Red header band, clipped to the page's rounded top.
    fill_shape(art, {2, 4, 35, 12},
               [](double x, double y) { return y < 12 && in_round_rect(x, y, 2, 4, 35, 36, 3); },
               vertical(4, rgb(238, 84, 70), 12, rgb(190, 36, 36)));
    // Binder rings.
    for (double x : {10.0, 26.0}) {
        fill_round_rect(art, x - 1.5, 0.5, x + 1.5, 7.5, 1.5, solid(rgb(70, 74, 88)));
        fill_round_rect(art, x - 0.7, 1.2, x + 0.7, 6.8, 0.7, solid(rgb(190, 196, 210)));
    }
    // Day grid.
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 5; ++col) {
            const bool marked = row == 1 && col == 2;
            fill_rect(art, 5 + col * 6, 15 + row * 5, 4, 3, marked ? rgb(236, 160, 20) : rgb(150, 178, 222));
        }

    // The clock, lower right, in front of the page.
    const double cx = 35.5, cy = 29.5;
    fill_circle(art, cx + 1, cy + 1.5, 11.5, solid(rgb(40, 40, 50, 80)));
    fill_circle(art, cx, cy, 11.5, vertical(18, rgb(92, 150, 236), 41, rgb(24, 64, 160)));
    fill_circle(art, cx, cy, 9, vertical(20, rgb(255, 255, 255), 39, rgb(222, 230, 242)));
    // Hour marks at 12, 3, 6 and 9, then the hands at ten past ten.
    const Rgba mark = rgb(40, 56, 100);
    draw_line(art, cx, cy - 8, cx, cy - 6.5, 1.2, solid(mark));
    draw_line(art, cx, cy + 6.5, cx, cy + 8, 1.2, solid(mark));
    draw_line(art, cx - 8, cy, cx - 6.5, cy, 1.2, solid(mark));
    draw_line(art, cx + 6.5, cy, cx + 8, cy, 1.2, solid(mark));
    draw_line(art, cx, cy, cx - 4.3, cy - 2.5, 1.6, solid(rgb(30, 36, 60)));
    draw_line(art, cx, cy, cx + 3.5, cy - 6.1, 1.2, solid(rgb(30, 36, 60)));
    fill_circle(art, cx, cy, 1.2, solid(rgb(210, 40, 40)));
    return flatten_onto_key(art);
}

} // namespace artwork
