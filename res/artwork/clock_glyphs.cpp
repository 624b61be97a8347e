// The clock's LCD pictures: the face with faint placeholders, the large
// digits and the strip of small digits and AM/PM marks. Every glyph is drawn
// by the same routine in the face and in the strips, so a digit copied over
// its placeholder matches it pixel for pixel.
#include "artwork.h"
#include "pixel_font.h"

namespace artwork {

namespace {

// Geometry of one seven-segment digit inside its cell; edges on whole pixels
// keep the segments crisp.
struct DigitShape {
    double left, top, right, bottom, thickness, gap;
};
constexpr DigitShape kLarge{3, 2, 21, 32, 4, 1.0};
constexpr DigitShape kSmall{2, 1, 10, 15, 2, 0.5};

// Segments a..g, clockwise from the top, g in the middle.
constexpr unsigned char kSegmentsOf[10] = {
    0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F,
};

std::vector<Point> horizontal_segment(double x0, double x1, double y, double t, double gap)
{
    const double h = t / 2;
    return {{x0 + gap, y}, {x0 + gap + h, y - h}, {x1 - gap - h, y - h},
            {x1 - gap, y}, {x1 - gap - h, y + h}, {x0 + gap + h, y + h}};
}

std::vector<Point> vertical_segment(double x, double y0, double y1, double t, double gap)
{
    const double h = t / 2;
    return {{x, y0 + gap}, {x + h, y0 + gap + h}, {x + h, y1 - gap - h},
            {x, y1 - gap}, {x - h, y1 - gap - h}, {x - h, y0 + gap + h}};
}

std::vector<Point> segment(const DigitShape& d, double ox, double oy, int index)
{
    const double h = d.thickness / 2;
    const double xl = ox + d.left + h, xr = ox + d.right - h;
    const double yt = oy + d.top + h, ym = oy + (d.top + d.bottom) / 2, yb = oy + d.bottom - h;
    switch (index) {
    case 0: return horizontal_segment(xl, xr, yt, d.thickness, d.gap);
    case 1: return vertical_segment(xr, yt, ym, d.thickness, d.gap);
    case 2: return vertical_segment(xr, ym, yb, d.thickness, d.gap);
    case 3: return horizontal_segment(xl, xr, yb, d.thickness, d.gap);
    case 4: return vertical_segment(xl, ym, yb, d.thickness, d.gap);
    case 5: return vertical_segment(xl, yt, ym, d.thickness, d.gap);
    default: return horizontal_segment(xl, xr, ym, d.thickness, d.gap);
    }
}

// digit < 0 draws only the unlit placeholder.
void draw_digit(Canvas& c, const DigitShape& d, int x, int y, int digit)
{
    for (int s = 0; s < 7; ++s) {
        const bool lit = digit >= 0 && (kSegmentsOf[digit] >> s & 1);
        fill_polygon(c, segment(d, x, y, s), solid(lit ? kLcdInk : kLcdGhost));
    }
}

void draw_indicator(Canvas& c, int x, const char* text)
{
    TextStyle style;
    style.scale = 2;
    style.colour = kLcdInk;
    draw_text(c, x, 2, text, style);
}

} // namespace

Canvas make_clock_digits()
{
    Canvas c(240, 34, kLcdPanel);
    for (int n = 0; n < 10; ++n)
        draw_digit(c, kLarge, 24 * n, 0, n);
    return c;
}

Canvas make_clock_glyphs()
{
    Canvas c(185, 17, kLcdPanel);
    for (int n = 0; n < 10; ++n)
        draw_digit(c, kSmall, 12 * n, 0, n);
    draw_indicator(c, 120, "AM");
    draw_indicator(c, 142, "PM");
    return c;
}

Canvas make_clock_face()
{
    Canvas c(151, 72, kLcdPanel);
    // A slightly darker rim so the stretched face reads as a recessed display.
    stroke_round_rect(c, 0, 0, 151, 72, 3, 1, solid(rgb(150, 155, 114)));
    stroke_round_rect(c, 1, 1, 150, 71, 2, 1, solid(rgb(170, 174, 131)));

    for (int x : {5, 19, 41, 55, 77, 91, 105, 119})
        draw_digit(c, kSmall, x, 5, -1);
    for (int x : {33, 69}) // date dashes, as a lit middle segment
        fill_polygon(c, horizontal_segment(x, x + 7, 13, kSmall.thickness, 0), solid(kLcdInk));

    for (int x : {5, 32, 65, 92})
        draw_digit(c, kLarge, x, 33, -1);
    fill_rect(c, 59, 41, 4, 4, kLcdInk); // colon
    fill_rect(c, 59, 55, 4, 4, kLcdInk);

    for (int x : {120, 134})
        draw_digit(c, kSmall, x, 50, -1);
    return c;
}

} // namespace artwork
