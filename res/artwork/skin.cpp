// The panel's skin. The window stretches it over a client area of
// 103 x 260 dialog units, so artwork is placed from dialog-unit positions of
// the controls that sit over it.
#include "artwork.h"
#include "pixel_font.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace artwork {

namespace {

constexpr int kWidth = 180;
constexpr int kHeight = 489;

double du_x(double du) { return du * kWidth / 103.0; }
double du_y(double du) { return du * kHeight / 260.0; }

// Deep blue at the top to a brighter blue at the bottom.
Rgba background_at(double y)
{
    const Rgba stops[] = {rgb(16, 38, 96), rgb(30, 72, 150), rgb(44, 104, 186), rgb(62, 132, 208)};
    const double t = y / kHeight * 3.0;
    const int i = t >= 3.0 ? 2 : static_cast<int>(t);
    return mix(stops[i], stops[i + 1], t - i);
}

void draw_background(Canvas& c)
{
    for (int y = 0; y < kHeight; ++y) {
        const Rgba row = background_at(y + 0.5);
        for (int x = 0; x < kWidth; ++x)
            c.set(x, y, row);
    }
    // A faint diagonal sheen across the upper left, like light on glass.
    // Its one slanted edge is anti-aliased from the distance to the line
    // x / 120 + (y - 22) / 208 = 1, which is cheaper than supersampling.
    const Rgba sheen = rgb(255, 255, 255, 14);
    const double norm = std::sqrt(208.0 * 208.0 + 120.0 * 120.0);
    for (int y = 22; y < 230; ++y)
        for (int x = 0; x < 120; ++x) {
            const double d = (208.0 * (x + 0.5) + 120.0 * (y + 0.5 - 22) - 120.0 * 208) / norm;
            c.blend(x, y, sheen, std::clamp(0.5 - d, 0.0, 1.0));
        }
    // Gadget edge: dark rim with a light bevel inside.
    stroke_round_rect(c, 0, 0, kWidth, kHeight, 0, 1, solid(rgb(8, 20, 54)));
    stroke_round_rect(c, 1, 1, kWidth - 1, kHeight - 1, 0, 1, solid(rgb(150, 190, 245, 90)));
}

void draw_person(Canvas& c, double x, double y)
{
    const Rgba skin = rgb(250, 252, 255);
    fill_circle(c, x + 5, y + 3.5, 3.2, solid(skin));
    fill_shape(c, {x, y + 7, x + 10, y + 13},
               [=](double px, double py) { return in_round_rect(px, py, x, y + 7.5, x + 10, y + 16, 4.5); },
               vertical(y + 7, skin, y + 13, rgb(190, 214, 250)));
}

// Plate behind a title-strip mark, centred under its button.
void draw_mark_plate(Canvas& c, double x0, double y0, double x1, double y1)
{
    fill_round_rect(c, x0, y0, x1, y1, 2.5, vertical(y0, rgb(110, 156, 226), y1, rgb(40, 82, 164)));
    stroke_round_rect(c, x0, y0, x1, y1, 2.5, 1, solid(rgb(12, 32, 84, 200)));
}

void draw_title_strip(Canvas& c)
{
    const double bottom = 22;
    fill_rect_paint(c, 2, 2, kWidth - 2, bottom / 2, vertical(2, rgb(96, 146, 222), bottom / 2, rgb(46, 92, 172)));
    fill_rect_paint(c, 2, bottom / 2, kWidth - 2, bottom, vertical(bottom / 2, rgb(26, 62, 138), bottom, rgb(36, 80, 160)));
    fill_rect(c, 2, static_cast<int>(bottom), kWidth - 4, 1, rgb(8, 24, 64));
    fill_rect(c, 2, static_cast<int>(bottom) + 1, kWidth - 4, 1, rgb(110, 160, 230));

    draw_person(c, 6, 4);
    TextStyle title;
    title.scale = 1.5;
    title.bold = true;
    title.smooth = true;
    title.colour = rgb(0, 10, 40, 140);
    draw_text(c, 22 + 1, 6 + 1, "Vellumo", title);
    title.colour = rgb(255, 255, 255);
    draw_text(c, 22, 6, "Vellumo", title);

    // Minimise (a dash) and close (an x), exactly under their buttons.
    const double top = du_y(1), low = du_y(8);
    const double mx0 = du_x(85), mx1 = du_x(92), cx0 = du_x(93), cx1 = du_x(100);
    draw_mark_plate(c, mx0, top, mx1, low);
    draw_mark_plate(c, cx0, top, cx1, low);
    const double my = (top + low) / 2, mmid = (mx0 + mx1) / 2, cmid = (cx0 + cx1) / 2;
    draw_line(c, mmid - 3, my + 2, mmid + 3, my + 2, 1.8, solid(rgb(255, 255, 255)));
    draw_line(c, cmid - 2.8, my - 2.8, cmid + 2.8, my + 2.8, 1.7, solid(rgb(255, 255, 255)));
    draw_line(c, cmid + 2.8, my - 2.8, cmid - 2.8, my + 2.8, 1.7, solid(rgb(255, 255, 255)));
}

// A recess the clock paints into: dark well, shadow at the top, light lip below.
void draw_clock_well(Canvas& c)
{
    const double x0 = du_x(7) - 4, y0 = du_y(15) - 4, x1 = du_x(96) + 4, y1 = du_y(53) + 4;
    fill_round_rect(c, x0, y0, x1, y1 + 1, 5, solid(rgb(140, 186, 246, 120)));
    fill_round_rect(c, x0, y0, x1, y1, 5, vertical(y0, rgb(6, 16, 44), y1, rgb(22, 46, 100)));
    stroke_round_rect(c, x0, y0, x1, y1, 5, 1, solid(rgb(2, 8, 26)));
}

void draw_separator(Canvas& c, double y)
{
    const double x0 = 10, x1 = kWidth - 10;
    fill_rect_paint(c, x0, y, x1, y + 1,
                    [=](double x, double) {
                        // Fades out at both ends.
                        const double t = (x - x0) / (x1 - x0);
                        const double edge = t < 0.15 ? t / 0.15 : t > 0.85 ? (1 - t) / 0.15 : 1.0;
                        return rgb(6, 20, 60, static_cast<int>(200 * edge));
                    });
    fill_rect_paint(c, x0, y + 1, x1, y + 2,
                    [=](double x, double) {
                        const double t = (x - x0) / (x1 - x0);
                        const double edge = t < 0.15 ? t / 0.15 : t > 0.85 ? (1 - t) / 0.15 : 1.0;
                        return rgb(170, 206, 255, static_cast<int>(150 * edge));
                    });
}

void draw_ticker_frame(Canvas& c)
{
    const double x0 = du_x(5) - 2, y0 = du_y(61) - 2, x1 = du_x(97) + 2, y1 = du_y(101) + 2;
    fill_round_rect(c, x0, y0, x1, y1, 3, solid(rgb(204, 204, 255)));
    stroke_round_rect(c, x0, y0, x1, y1, 3, 1, solid(rgb(10, 30, 80)));
}

// Pale plates behind the month/year labels and the weekday letters, whose
// blue text would not read on the gradient.
void draw_header_plates(Canvas& c)
{
    const double mx0 = du_x(25), my0 = du_y(107) - 1, mx1 = du_x(81), my1 = du_y(122);
    fill_round_rect(c, mx0, my0 + 1, mx1, my1 + 1, 6, solid(rgb(0, 10, 40, 90)));
    fill_round_rect(c, mx0, my0, mx1, my1, 6, vertical(my0, rgb(250, 252, 255), my1, rgb(206, 222, 248)));
    stroke_round_rect(c, mx0, my0, mx1, my1, 6, 1, solid(rgb(120, 160, 220)));

    const double wx0 = du_x(2), wy0 = du_y(123), wx1 = du_x(101), wy1 = du_y(135) + 1;
    fill_round_rect(c, wx0, wy0 + 1, wx1, wy1 + 1, 4, solid(rgb(0, 10, 40, 90)));
    fill_round_rect(c, wx0, wy0, wx1, wy1, 4, vertical(wy0, rgb(246, 249, 255), wy1, rgb(214, 228, 250)));
    stroke_round_rect(c, wx0, wy0, wx1, wy1, 4, 1, solid(rgb(120, 160, 220)));
}

void draw_grid_panel(Canvas& c)
{
    const double x0 = du_x(2), y0 = du_y(136.5), x1 = du_x(101), y1 = du_y(209);
    fill_round_rect(c, x0, y0, x1, y1, 5, solid(rgb(0, 16, 60, 60)));
    stroke_round_rect(c, x0, y0, x1, y1, 5, 1, solid(rgb(170, 206, 255, 70)));
}

void draw_notepad(Canvas& c, double x, double y)
{
    fill_rect_paint(c, x, y + 1, x + 10, y + 13, vertical(y, rgb(255, 250, 210), y + 13, rgb(244, 224, 150)));
    stroke_round_rect(c, x, y + 1, x + 10, y + 13, 0, 1, solid(rgb(120, 90, 30)));
    for (int i = 0; i < 3; ++i)
        fill_rect(c, static_cast<int>(x) + 2, static_cast<int>(y) + 5 + 2 * i, 6, 1, rgb(150, 170, 210));
    for (int i = 0; i < 3; ++i) // spiral binding
        fill_rect(c, static_cast<int>(x) + 2 + 3 * i, static_cast<int>(y), 1, 3, rgb(70, 70, 80));
}

void draw_hint(Canvas& c)
{
    const double y = du_y(209) + 2;
    draw_notepad(c, 10, y);
    TextStyle hint;
    hint.colour = rgb(226, 238, 255);
    draw_text(c, 25, y + 4, "Click a date to add notes", hint);
}

// Logo: a tear-off calendar page mark beside the product name.
void draw_logo(Canvas& c)
{
    const double x0 = du_x(10), y0 = du_y(217), x1 = du_x(92), y1 = du_y(249);
    fill_round_rect(c, x0, y0, x1, y1, 8, vertical(y0, rgb(255, 255, 255, 60), y1, rgb(255, 255, 255, 12)));
    fill_round_rect(c, x0 + 1, y0 + 1, x1 - 1, (y0 + y1) / 2, 7, solid(rgb(255, 255, 255, 22)));
    stroke_round_rect(c, x0, y0, x1, y1, 8, 1, solid(rgb(190, 220, 255, 120)));

    TextStyle name;
    name.scale = 2.4;
    name.bold = true;
    name.smooth = true;
    const double pw = 28, ph = 34, gap = 8;
    const double px = (x0 + x1 - (pw + gap + text_width("Vellumo", name))) / 2, py = y0 + 12;
    fill_round_rect(c, px + 2, py + 2, px + pw + 2, py + ph + 2, 4, solid(rgb(0, 10, 40, 110)));
    fill_round_rect(c, px, py, px + pw, py + ph, 4, vertical(py, rgb(255, 255, 255), py + ph, rgb(212, 226, 248)));
    fill_shape(c, {px, py, px + pw, py + 10},
               [=](double x, double y) { return y < py + 10 && in_round_rect(x, y, px, py, px + pw, py + ph, 4); },
               vertical(py, rgb(246, 98, 80), py + 10, rgb(188, 30, 34)));
    for (double rx : {px + 8, px + pw - 8}) {
        fill_round_rect(c, rx - 1.6, py - 4, rx + 1.6, py + 5, 1.6, solid(rgb(56, 60, 74)));
        fill_round_rect(c, rx - 0.7, py - 3.2, rx + 0.7, py + 4.2, 0.7, solid(rgb(200, 206, 220)));
    }
    // A check on the page: a memo kept.
    draw_line(c, px + 8, py + 21, px + 13, py + 26, 3, solid(rgb(40, 150, 60)));
    draw_line(c, px + 13, py + 26, px + 23, py + 15, 3, solid(rgb(40, 150, 60)));

    const double tx = px + pw + gap, ty = py + 5;
    name.colour = rgb(0, 12, 50, 150);
    draw_text(c, tx + 1.5, ty + 1.5, "Vellumo", name);
    name.colour = rgb(255, 255, 255);
    draw_text(c, tx, ty, "Vellumo", name);
    TextStyle tag;
    tag.colour = rgb(222, 236, 255);
    draw_text(c, tx + 1, ty + text_height(name) + 5, "calendar memo", tag);
}

void draw_menu_plate(Canvas& c)
{
    const double x0 = du_x(5), y0 = du_y(251), x1 = du_x(29), y1 = du_y(258);
    fill_round_rect(c, x0, y0, x1, y1, 3.5, vertical(y0, rgb(236, 244, 255), y1, rgb(160, 194, 240)));
    stroke_round_rect(c, x0, y0, x1, y1, 3.5, 1, solid(rgb(20, 50, 110)));
    TextStyle label;
    label.colour = rgb(14, 40, 100);
    const double w = text_width("Menu", label) + 7;
    const double tx = (x0 + x1 - w) / 2;
    const double ty = (y0 + y1 - text_height(label)) / 2;
    draw_text(c, static_cast<int>(tx), static_cast<int>(ty + 0.5), "Menu", label);
    const double ax = static_cast<int>(tx) + w - 4, ay = static_cast<int>(ty + 0.5) + 2.5;
    fill_polygon(c, {{ax - 2.5, ay}, {ax + 2.5, ay}, {ax, ay + 3}}, solid(rgb(14, 40, 100)));
}

} // namespace

Canvas make_skin()
{
    Canvas c(kWidth, kHeight, rgb(0, 0, 0));
    draw_background(c);
    draw_title_strip(c);
    draw_clock_well(c);
    draw_separator(c, (du_y(53) + du_y(61)) / 2 + 1);
    draw_ticker_frame(c);
    draw_separator(c, (du_y(101) + du_y(107)) / 2 - 1);
    draw_header_plates(c);
    draw_grid_panel(c);
    draw_hint(c);
    draw_logo(c);
    draw_menu_plate(c);
    return c;
}

} // namespace artwork
