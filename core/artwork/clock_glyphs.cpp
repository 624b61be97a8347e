// The clock's LCD pictures: the face with faint placeholders, the large
// digits and the strip of small digits and AM/PM marks. Every glyph is drawn
// by the same routine in the face and in the strips, so a digit copied over
// its placeholder matches it pixel for pixel.
#include "core/artwork/artwork.h"
#include "core/artwork/artwork_scale.h"
#include "core/artwork/pixel_font.h"

namespace artwork {

namespace {

// Geometry of one seven-segment digit inside its cell; edges on whole pixels
// keep the segments crisp.
struct DigitShape {
    double left, top, right, bottom, thickness, gap;
};
constexpr DigitShape kLarge{3, 2, 21, 32, 4, 1.0};
constexpr DigitShape kSmall{2, 1, 10, 15, 2, 0.5};

// The shape at a scale, its edges rounded to whole pixels. The middle
// segment is centred between top and bottom; when that would put its edges
// on half pixels the bottom moves up one.
DigitShape scaled_shape(const DigitShape& d, int index)
{
    auto s = [index](double v) { return static_cast<double>(scale_length(static_cast<int>(v), index)); };
    DigitShape out{s(d.left), s(d.top), s(d.right), s(d.bottom), s(d.thickness), d.gap * scale_factor(index)};
    if (static_cast<int>(out.top + out.bottom - out.thickness) % 2 != 0)
        out.bottom -= 1;
    return out;
}

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

// Pixel-font AM/PM at the largest whole magnification (2 at 100 %) that
// still fits the indicator cell (AM and PM are equally wide), so it stays
// crisp.
void draw_indicator(Canvas& c, int x, int index, const char* text)
{
    const int cell = clock_layout(index).indicator_width;
    TextStyle style;
    style.scale = static_cast<double>(scale_length(2, index));
    while (style.scale > 1 && text_width("AM", style) > cell)
        style.scale -= 1;
    style.colour = kLcdInk;
    draw_text(c, x, scale_length(2, index), text, style);
}

} // namespace

Canvas make_clock_digits(int index)
{
    const ClockLayout l = clock_layout(index);
    const DigitShape large = scaled_shape(kLarge, index);
    Canvas c(l.digits_strip.width, l.digits_strip.height, kLcdPanel);
    for (int n = 0; n < 10; ++n)
        draw_digit(c, large, l.large.width * n, 0, n);
    return c;
}

Canvas make_clock_glyphs(int index)
{
    const ClockLayout l = clock_layout(index);
    const DigitShape small = scaled_shape(kSmall, index);
    Canvas c(l.glyph_strip.width, l.glyph_strip.height, kLcdPanel);
    for (int n = 0; n < 10; ++n)
        draw_digit(c, small, l.small.width * n, 0, n);
    draw_indicator(c, l.am_x, index, "AM");
    draw_indicator(c, l.pm_x, index, "PM");
    return c;
}

Canvas make_clock_face(int index)
{
    const ClockLayout l = clock_layout(index);
    const DigitShape large = scaled_shape(kLarge, index), small = scaled_shape(kSmall, index);
    auto s = [index](int v) { return scale_length(v, index); };
    const int w = l.face.width, h = l.face.height, line = s(1);
    Canvas c(w, h, kLcdPanel);
    // A slightly darker rim so the stretched face reads as a recessed display.
    stroke_round_rect(c, 0, 0, w, h, s(3), line, solid(rgb(150, 155, 114)));
    stroke_round_rect(c, line, line, w - line, h - line, s(3) - line, line, solid(rgb(170, 174, 131)));

    for (int x : l.date_x)
        draw_digit(c, small, x, l.date_y, -1);
    // Date dashes, as a lit middle segment level with the digits' own.
    const double dash_y = l.date_y + (small.top + small.bottom) / 2;
    for (int x : {s(33), s(69)})
        fill_polygon(c, horizontal_segment(x, x + s(7), dash_y, small.thickness, 0), solid(kLcdInk));

    for (int x : l.time_x)
        draw_digit(c, large, x, l.time_y, -1);
    fill_rect(c, s(59), s(41), s(4), s(4), kLcdInk); // colon
    fill_rect(c, s(59), s(55), s(4), s(4), kLcdInk);

    for (int x : l.second_x)
        draw_digit(c, small, x, l.second_y, -1);
    return c;
}

} // namespace artwork
