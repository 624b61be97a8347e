// The memo editor's picture: a calendar page with a small clock in front.
#include "core/artwork/artwork.h"
#include "core/artwork/artwork_scale.h"

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

Canvas make_editor_picture(int index)
{
    const double k = scale_factor(index);
    auto s = [index](int v) { return scale_length(v, index); };
    Canvas art(s(48), s(42), rgb(0, 0, 0, 0));
    const Rgba outline = rgb(52, 72, 120);

    // Soft shadow, then the page.
    fill_round_rect(art, 3 * k, 5 * k, 38 * k, 39 * k, 4 * k, solid(rgb(60, 60, 70, 70)));
    fill_round_rect(art, 1 * k, 3 * k, 36 * k, 37 * k, 4 * k, solid(outline));
    fill_round_rect(art, 2 * k, 4 * k, 35 * k, 36 * k, 3 * k, vertical(4 * k, rgb(255, 255, 255), 36 * k, rgb(228, 234, 244)));
    // Red header band, clipped to the page's rounded top.
    fill_shape(art, {2 * k, 4 * k, 35 * k, 12 * k},
               [k](double x, double y) { return y < 12 * k && in_round_rect(x, y, 2 * k, 4 * k, 35 * k, 36 * k, 3 * k); },
               vertical(4 * k, rgb(238, 84, 70), 12 * k, rgb(190, 36, 36)));
    // Binder rings.
    for (double x : {10.0 * k, 26.0 * k}) {
        fill_round_rect(art, x - 1.5 * k, 0.5 * k, x + 1.5 * k, 7.5 * k, 1.5 * k, solid(rgb(70, 74, 88)));
        fill_round_rect(art, x - 0.7 * k, 1.2 * k, x + 0.7 * k, 6.8 * k, 0.7 * k, solid(rgb(190, 196, 210)));
    }
    // Day grid, on whole pixels so the little squares stay crisp.
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 5; ++col) {
            const bool marked = row == 1 && col == 2;
            fill_rect(art, s(5 + col * 6), s(15 + row * 5), s(4), s(3), marked ? rgb(236, 160, 20) : rgb(150, 178, 222));
        }

    // The clock, lower right, in front of the page.
    const double cx = 35.5 * k, cy = 29.5 * k;
    fill_circle(art, cx + 1 * k, cy + 1.5 * k, 11.5 * k, solid(rgb(40, 40, 50, 80)));
    fill_circle(art, cx, cy, 11.5 * k, vertical(18 * k, rgb(92, 150, 236), 41 * k, rgb(24, 64, 160)));
    fill_circle(art, cx, cy, 9 * k, vertical(20 * k, rgb(255, 255, 255), 39 * k, rgb(222, 230, 242)));
    // Hour marks at 12, 3, 6 and 9, then the hands at ten past ten.
    const Rgba mark = rgb(40, 56, 100);
    draw_line(art, cx, cy - 8 * k, cx, cy - 6.5 * k, 1.2 * k, solid(mark));
    draw_line(art, cx, cy + 6.5 * k, cx, cy + 8 * k, 1.2 * k, solid(mark));
    draw_line(art, cx - 8 * k, cy, cx - 6.5 * k, cy, 1.2 * k, solid(mark));
    draw_line(art, cx + 6.5 * k, cy, cx + 8 * k, cy, 1.2 * k, solid(mark));
    draw_line(art, cx, cy, cx - 4.3 * k, cy - 2.5 * k, 1.6 * k, solid(rgb(30, 36, 60)));
    draw_line(art, cx, cy, cx + 3.5 * k, cy - 6.1 * k, 1.2 * k, solid(rgb(30, 36, 60)));
    fill_circle(art, cx, cy, 1.2 * k, solid(rgb(210, 40, 40)));
    return flatten_onto_key(art);
}

} // namespace artwork
