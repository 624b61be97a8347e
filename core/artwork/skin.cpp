// The panel's skin. The window stretches it over a client area of
// 103 x 260 dialog units, so artwork is placed from dialog-unit positions of
// the controls that sit over it. At a larger display scale every length is
// multiplied by the scale factor k; rims stay whole pixels (`line`) and the
// crisp pixel-font captions grow by whole magnifications.
#include "core/artwork/artwork.h"
#include "core/artwork/artwork_scale.h"
#include "core/artwork/pixel_font.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace artwork {

namespace {

constexpr int kWidth = 180; // at 100 %
constexpr int kHeight = 489;

struct Skin {
    explicit Skin(int index)
        : k(scale_factor(index)), w(scale_length(kWidth, index)), h(scale_length(kHeight, index)),
          line(scale_length(1, index)), text(scale_length(1, index)), c(w, h, rgb(0, 0, 0))
    {
    }
    double du_x(double du) const { return du * w / 103.0; }
    double du_y(double du) const { return du * h / 260.0; }

    double k;  // pixels per 100 % pixel
    int w, h;
    int line;  // a one-pixel rim
    int text;  // magnification of the one-pixel font captions
    Canvas c;
};

// Deep blue at the top to a brighter blue at the bottom.
Rgba background_at(double t01)
{
    const Rgba stops[] = {rgb(16, 38, 96), rgb(30, 72, 150), rgb(44, 104, 186), rgb(62, 132, 208)};
    const double t = t01 * 3.0;
    const int i = t >= 3.0 ? 2 : static_cast<int>(t);
    return mix(stops[i], stops[i + 1], t - i);
}

void draw_background(Skin& s)
{
    Canvas& c = s.c;
    for (int y = 0; y < s.h; ++y) {
        const Rgba row = background_at((y + 0.5) / s.h);
        for (int x = 0; x < s.w; ++x)
            c.set(x, y, row);
    }
    // A faint diagonal sheen across the upper left, like light on glass.
    // Its one slanted edge is anti-aliased from the distance to the line
    // x / 120 + (y - 22) / 208 = 1, which is cheaper than supersampling.
    const Rgba sheen = rgb(255, 255, 255, 14);
    const double a = 208.0 * s.k, b = 120.0 * s.k, top = 22 * s.k;
    const double norm = std::sqrt(a * a + b * b);
    const int y0 = static_cast<int>(std::lround(top)), y1 = static_cast<int>(std::lround(230 * s.k));
    const int x1 = static_cast<int>(std::lround(b));
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < x1; ++x) {
            const double d = (a * (x + 0.5) + b * (y + 0.5 - top) - b * a) / norm;
            c.blend(x, y, sheen, std::clamp(0.5 - d, 0.0, 1.0));
        }
    // Gadget edge: dark rim with a light bevel inside.
    stroke_round_rect(c, 0, 0, s.w, s.h, 0, s.line, solid(rgb(8, 20, 54)));
    stroke_round_rect(c, s.line, s.line, s.w - s.line, s.h - s.line, 0, s.line, solid(rgb(150, 190, 245, 90)));
}

void draw_person(Skin& s, double x, double y)
{
    const double k = s.k;
    const Rgba skin = rgb(250, 252, 255);
    fill_circle(s.c, x + 5 * k, y + 3.5 * k, 3.2 * k, solid(skin));
    fill_shape(s.c, {x, y + 7 * k, x + 10 * k, y + 13 * k},
               [=](double px, double py) { return in_round_rect(px, py, x, y + 7.5 * k, x + 10 * k, y + 16 * k, 4.5 * k); },
               vertical(y + 7 * k, skin, y + 13 * k, rgb(190, 214, 250)));
}

// Plate behind a title-strip mark, centred under its button.
void draw_mark_plate(Skin& s, double x0, double y0, double x1, double y1)
{
    fill_round_rect(s.c, x0, y0, x1, y1, 2.5 * s.k, vertical(y0, rgb(110, 156, 226), y1, rgb(40, 82, 164)));
    stroke_round_rect(s.c, x0, y0, x1, y1, 2.5 * s.k, s.line, solid(rgb(12, 32, 84, 200)));
}

void draw_title_strip(Skin& s)
{
    Canvas& c = s.c;
    const double k = s.k;
    const double bottom = 22 * k;
    const double edge = 2 * s.line; // inside the two rims
    fill_rect_paint(c, edge, edge, s.w - edge, bottom / 2, vertical(edge, rgb(96, 146, 222), bottom / 2, rgb(46, 92, 172)));
    fill_rect_paint(c, edge, bottom / 2, s.w - edge, bottom, vertical(bottom / 2, rgb(26, 62, 138), bottom, rgb(36, 80, 160)));
    const int rule = static_cast<int>(std::lround(bottom));
    fill_rect(c, 2 * s.line, rule, s.w - 4 * s.line, s.line, rgb(8, 24, 64));
    fill_rect(c, 2 * s.line, rule + s.line, s.w - 4 * s.line, s.line, rgb(110, 160, 230));

    draw_person(s, 6 * k, 4 * k);
    TextStyle title;
    title.scale = 1.5 * k;
    title.bold = true;
    title.smooth = true;
    title.colour = rgb(0, 10, 40, 140);
    draw_text(c, 22 * k + 1 * k, 6 * k + 1 * k, "Vellumo", title);
    title.colour = rgb(255, 255, 255);
    draw_text(c, 22 * k, 6 * k, "Vellumo", title);

    // Minimise (a dash) and close (an x), exactly under their buttons.
    const double top = s.du_y(1), low = s.du_y(8);
    const double mx0 = s.du_x(85), mx1 = s.du_x(92), cx0 = s.du_x(93), cx1 = s.du_x(100);
    draw_mark_plate(s, mx0, top, mx1, low);
    draw_mark_plate(s, cx0, top, cx1, low);
    const double my = (top + low) / 2, mmid = (mx0 + mx1) / 2, cmid = (cx0 + cx1) / 2;
    draw_line(c, mmid - 3 * k, my + 2 * k, mmid + 3 * k, my + 2 * k, 1.8 * k, solid(rgb(255, 255, 255)));
    draw_line(c, cmid - 2.8 * k, my - 2.8 * k, cmid + 2.8 * k, my + 2.8 * k, 1.7 * k, solid(rgb(255, 255, 255)));
    draw_line(c, cmid + 2.8 * k, my - 2.8 * k, cmid - 2.8 * k, my + 2.8 * k, 1.7 * k, solid(rgb(255, 255, 255)));
}

// A recess the clock paints into: dark well, shadow at the top, light lip below.
void draw_clock_well(Skin& s)
{
    const double k = s.k;
    const double x0 = s.du_x(7) - 4 * k, y0 = s.du_y(15) - 4 * k, x1 = s.du_x(96) + 4 * k, y1 = s.du_y(53) + 4 * k;
    fill_round_rect(s.c, x0, y0, x1, y1 + s.line, 5 * k, solid(rgb(140, 186, 246, 120)));
    fill_round_rect(s.c, x0, y0, x1, y1, 5 * k, vertical(y0, rgb(6, 16, 44), y1, rgb(22, 46, 100)));
    stroke_round_rect(s.c, x0, y0, x1, y1, 5 * k, s.line, solid(rgb(2, 8, 26)));
}

void draw_separator(Skin& s, double y)
{
    const double x0 = 10 * s.k, x1 = s.w - 10 * s.k;
    const int line = s.line;
    fill_rect_paint(s.c, x0, y, x1, y + line,
                    [=](double x, double) {
                        // Fades out at both ends.
                        const double t = (x - x0) / (x1 - x0);
                        const double edge = t < 0.15 ? t / 0.15 : t > 0.85 ? (1 - t) / 0.15 : 1.0;
                        return rgb(6, 20, 60, static_cast<int>(200 * edge));
                    });
    fill_rect_paint(s.c, x0, y + line, x1, y + 2 * line,
                    [=](double x, double) {
                        const double t = (x - x0) / (x1 - x0);
                        const double edge = t < 0.15 ? t / 0.15 : t > 0.85 ? (1 - t) / 0.15 : 1.0;
                        return rgb(170, 206, 255, static_cast<int>(150 * edge));
                    });
}

void draw_ticker_frame(Skin& s)
{
    const double k = s.k;
    const double x0 = s.du_x(5) - 2 * k, y0 = s.du_y(61) - 2 * k, x1 = s.du_x(97) + 2 * k, y1 = s.du_y(101) + 2 * k;
    fill_round_rect(s.c, x0, y0, x1, y1, 3 * k, solid(rgb(204, 204, 255)));
    stroke_round_rect(s.c, x0, y0, x1, y1, 3 * k, s.line, solid(rgb(10, 30, 80)));
}

// Pale plates behind the month/year labels and the weekday letters, whose
// blue text would not read on the gradient.
void draw_header_plates(Skin& s)
{
    Canvas& c = s.c;
    const double k = s.k;
    const double mx0 = s.du_x(25), my0 = s.du_y(107) - 1 * k, mx1 = s.du_x(81), my1 = s.du_y(122);
    fill_round_rect(c, mx0, my0 + 1 * k, mx1, my1 + 1 * k, 6 * k, solid(rgb(0, 10, 40, 90)));
    fill_round_rect(c, mx0, my0, mx1, my1, 6 * k, vertical(my0, rgb(250, 252, 255), my1, rgb(206, 222, 248)));
    stroke_round_rect(c, mx0, my0, mx1, my1, 6 * k, s.line, solid(rgb(120, 160, 220)));

    const double wx0 = s.du_x(2), wy0 = s.du_y(123), wx1 = s.du_x(101), wy1 = s.du_y(135) + 1 * k;
    fill_round_rect(c, wx0, wy0 + 1 * k, wx1, wy1 + 1 * k, 4 * k, solid(rgb(0, 10, 40, 90)));
    fill_round_rect(c, wx0, wy0, wx1, wy1, 4 * k, vertical(wy0, rgb(246, 249, 255), wy1, rgb(214, 228, 250)));
    stroke_round_rect(c, wx0, wy0, wx1, wy1, 4 * k, s.line, solid(rgb(120, 160, 220)));
}

void draw_grid_panel(Skin& s)
{
    const double x0 = s.du_x(2), y0 = s.du_y(136.5), x1 = s.du_x(101), y1 = s.du_y(209);
    fill_round_rect(s.c, x0, y0, x1, y1, 5 * s.k, solid(rgb(0, 16, 60, 60)));
    stroke_round_rect(s.c, x0, y0, x1, y1, 5 * s.k, s.line, solid(rgb(170, 206, 255, 70)));
}

void draw_notepad(Skin& s, double x, double y)
{
    Canvas& c = s.c;
    const double k = s.k;
    auto px = [k](double v) { return static_cast<int>(std::lround(v * k)); };
    fill_rect_paint(c, x, y + 1 * k, x + 10 * k, y + 13 * k, vertical(y, rgb(255, 250, 210), y + 13 * k, rgb(244, 224, 150)));
    stroke_round_rect(c, x, y + 1 * k, x + 10 * k, y + 13 * k, 0, s.line, solid(rgb(120, 90, 30)));
    // Ruled lines and the spiral binding, on whole pixels.
    const int ix = static_cast<int>(x), iy = static_cast<int>(y);
    for (int i = 0; i < 3; ++i)
        fill_rect(c, ix + px(2), iy + px(5 + 2 * i), px(6), s.line, rgb(150, 170, 210));
    for (int i = 0; i < 3; ++i) // spiral binding
        fill_rect(c, ix + px(2 + 3 * i), iy, s.line, px(3), rgb(70, 70, 80));
}

void draw_hint(Skin& s)
{
    const double k = s.k;
    const double y = s.du_y(209) + 2 * k;
    draw_notepad(s, 10 * k, y);
    TextStyle hint;
    hint.scale = s.text;
    hint.colour = rgb(226, 238, 255);
    draw_text(s.c, 25 * k, y + 4 * k, "Click a date to add notes", hint);
}

// Logo: a tear-off calendar page mark beside the product name.
void draw_logo(Skin& s)
{
    Canvas& c = s.c;
    const double k = s.k;
    const double x0 = s.du_x(10), y0 = s.du_y(217), x1 = s.du_x(92), y1 = s.du_y(249);
    fill_round_rect(c, x0, y0, x1, y1, 8 * k, vertical(y0, rgb(255, 255, 255, 60), y1, rgb(255, 255, 255, 12)));
    fill_round_rect(c, x0 + 1 * k, y0 + 1 * k, x1 - 1 * k, (y0 + y1) / 2, 7 * k, solid(rgb(255, 255, 255, 22)));
    stroke_round_rect(c, x0, y0, x1, y1, 8 * k, s.line, solid(rgb(190, 220, 255, 120)));

    TextStyle name;
    name.scale = 2.4 * k;
    name.bold = true;
    name.smooth = true;
    const double pw = 28 * k, ph = 34 * k, gap = 8 * k;
    const double px = (x0 + x1 - (pw + gap + text_width("Vellumo", name))) / 2, py = y0 + 12 * k;
    fill_round_rect(c, px + 2 * k, py + 2 * k, px + pw + 2 * k, py + ph + 2 * k, 4 * k, solid(rgb(0, 10, 40, 110)));
    fill_round_rect(c, px, py, px + pw, py + ph, 4 * k, vertical(py, rgb(255, 255, 255), py + ph, rgb(212, 226, 248)));
    fill_shape(c, {px, py, px + pw, py + 10 * k},
               [=](double x, double y) { return y < py + 10 * k && in_round_rect(x, y, px, py, px + pw, py + ph, 4 * k); },
               vertical(py, rgb(246, 98, 80), py + 10 * k, rgb(188, 30, 34)));
    for (double rx : {px + 8 * k, px + pw - 8 * k}) {
        fill_round_rect(c, rx - 1.6 * k, py - 4 * k, rx + 1.6 * k, py + 5 * k, 1.6 * k, solid(rgb(56, 60, 74)));
        fill_round_rect(c, rx - 0.7 * k, py - 3.2 * k, rx + 0.7 * k, py + 4.2 * k, 0.7 * k, solid(rgb(200, 206, 220)));
    }
    // A check on the page: a memo kept.
    draw_line(c, px + 8 * k, py + 21 * k, px + 13 * k, py + 26 * k, 3 * k, solid(rgb(40, 150, 60)));
    draw_line(c, px + 13 * k, py + 26 * k, px + 23 * k, py + 15 * k, 3 * k, solid(rgb(40, 150, 60)));

    const double tx = px + pw + gap, ty = py + 5 * k;
    name.colour = rgb(0, 12, 50, 150);
    draw_text(c, tx + 1.5 * k, ty + 1.5 * k, "Vellumo", name);
    name.colour = rgb(255, 255, 255);
    draw_text(c, tx, ty, "Vellumo", name);
    TextStyle tag;
    tag.scale = s.text;
    tag.colour = rgb(222, 236, 255);
    draw_text(c, tx + 1 * k, ty + text_height(name) + 5 * k, "calendar memo", tag);
}

void draw_menu_plate(Skin& s)
{
    Canvas& c = s.c;
    const double k = s.k;
    const double x0 = s.du_x(5), y0 = s.du_y(251), x1 = s.du_x(29), y1 = s.du_y(258);
    fill_round_rect(c, x0, y0, x1, y1, 3.5 * k, vertical(y0, rgb(236, 244, 255), y1, rgb(160, 194, 240)));
    stroke_round_rect(c, x0, y0, x1, y1, 3.5 * k, s.line, solid(rgb(20, 50, 110)));
    TextStyle label;
    label.scale = s.text;
    label.colour = rgb(14, 40, 100);
    // The caption and its little down arrow, centred on the plate together.
    const double arrow = s.text; // the arrow grows with the caption
    const double w = text_width("Menu", label) + 7 * arrow;
    const double tx = (x0 + x1 - w) / 2;
    const double ty = (y0 + y1 - text_height(label)) / 2;
    draw_text(c, static_cast<int>(tx), static_cast<int>(ty + 0.5), "Menu", label);
    const double ax = static_cast<int>(tx) + w - 4 * arrow, ay = static_cast<int>(ty + 0.5) + 2.5 * arrow;
    fill_polygon(c, {{ax - 2.5 * arrow, ay}, {ax + 2.5 * arrow, ay}, {ax, ay + 3 * arrow}}, solid(rgb(14, 40, 100)));
}

} // namespace

Canvas make_skin(int index)
{
    Skin s(index);
    draw_background(s);
    draw_title_strip(s);
    draw_clock_well(s);
    draw_separator(s, (s.du_y(53) + s.du_y(61)) / 2 + 1 * s.k);
    draw_ticker_frame(s);
    draw_separator(s, (s.du_y(101) + s.du_y(107)) / 2 - 1 * s.k);
    draw_header_plates(s);
    draw_grid_panel(s);
    draw_hint(s);
    draw_logo(s);
    draw_menu_plate(s);
    return s.c;
}

} // namespace artwork
