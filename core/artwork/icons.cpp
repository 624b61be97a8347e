// The program's icons, drawn on a transparent background. Shapes are laid out
// on a 48-unit grid and scaled, so every size of an icon is the same picture.
#include "core/artwork/artwork.h"
#include "core/artwork/artwork_scale.h"

#include <algorithm>

namespace artwork {

namespace {

constexpr Rgba kClear = rgb(0, 0, 0, 0);

// Thick polyline in two passes: a dark outline, then the lighter stroke on top.
void outlined_polyline(Canvas& c, const std::vector<Point>& pts, double width, double outline,
                       const Paint& dark, const Paint& light)
{
    for (std::size_t i = 0; i + 1 < pts.size(); ++i)
        draw_line(c, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, width + 2 * outline, dark);
    for (std::size_t i = 0; i + 1 < pts.size(); ++i)
        draw_line(c, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, width, light);
}

// The bell: a dome over a flared skirt, shrunk by `inset` for the fill pass.
bool in_bell(double x, double y, double cx, double cy, double u, double inset)
{
    const double top = cy - 9 * u + inset, rim = cy + 5 * u - inset;
    if (y < top || y > rim)
        return false;
    const double dome_r = 6 * u - inset, dome_cy = cy - 3 * u;
    if (y < dome_cy)
        return (x - cx) * (x - cx) + (y - dome_cy) * (y - dome_cy) <= dome_r * dome_r;
    const double t = (y - dome_cy) / (rim - dome_cy);
    const double half = dome_r + t * t * 3.5 * u;
    return x >= cx - half && x <= cx + half;
}

void draw_bell(Canvas& c, double cx, double cy, double u)
{
    const Box box{cx - 11 * u, cy - 12 * u, cx + 11 * u, cy + 10 * u};
    const Rgba dark = rgb(120, 72, 6);
    draw_line(c, cx, cy - 9 * u, cx, cy - 11 * u, 2.4 * u, solid(dark)); // hanger
    fill_circle(c, cx, cy + 6.5 * u, 2.4 * u, solid(dark));              // clapper
    fill_circle(c, cx, cy + 6.5 * u, 1.3 * u, solid(rgb(250, 200, 60)));
    fill_shape(c, box, [=](double x, double y) { return in_bell(x, y, cx, cy, u, 0); }, solid(dark));
    fill_shape(c, box, [=](double x, double y) { return in_bell(x, y, cx, cy, u, 1.2 * u); },
               horizontal(cx - 8 * u, rgb(255, 236, 130), cx + 8 * u, rgb(222, 146, 16)));
    // Highlight down the left of the dome.
    draw_line(c, cx - 3 * u, cy - 5 * u, cx - 4 * u, cy + 1 * u, 1.3 * u, solid(rgb(255, 252, 220, 200)));
}

Canvas app_icon(int size)
{
    Canvas c(size, size, kClear);
    const double u = size / 48.0;
    const Rgba outline = rgb(38, 58, 110);
    // Page with a rounded outline and a soft shadow.
    fill_round_rect(c, 5 * u, 9 * u, 43 * u, 46 * u, 5 * u, solid(rgb(0, 0, 0, 60)));
    fill_round_rect(c, 3 * u, 7 * u, 41 * u, 44 * u, 5 * u, solid(outline));
    const double in = std::max(1.0, 1.5 * u);
    fill_round_rect(c, 3 * u + in, 7 * u + in, 41 * u - in, 44 * u - in, 5 * u - in,
                    vertical(7 * u, rgb(255, 255, 255), 44 * u, rgb(214, 226, 244)));
    // Red header across the top of the page.
    const double x0 = 3 * u + in, y0 = 7 * u + in, x1 = 41 * u - in, y1 = 44 * u - in, r = 5 * u - in;
    const double header = 18 * u;
    fill_shape(c, {x0, y0, x1, header},
               [=](double x, double y) { return y < header && in_round_rect(x, y, x0, y0, x1, y1, r); },
               vertical(y0, rgb(246, 98, 80), header, rgb(188, 30, 34)));
    // Binder rings.
    for (double rx : {13.0, 31.0}) {
        fill_round_rect(c, (rx - 2.2) * u, 2 * u, (rx + 2.2) * u, 13 * u, 2.2 * u, solid(rgb(56, 60, 74)));
        fill_round_rect(c, (rx - 1) * u, 3 * u, (rx + 1) * u, 12 * u, 1 * u, solid(rgb(200, 206, 220)));
    }
    // Day squares; the small sizes keep just a few bold ones.
    if (size >= 32) {
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 4; ++col)
                fill_rect_paint(c, (8 + col * 7.5) * u, (22 + row * 6.5) * u, (13 + col * 7.5) * u,
                                (26 + row * 6.5) * u, solid(rgb(140, 170, 220)));
        draw_bell(c, 33 * u, 33 * u, 1.05 * u);
    } else {
        // Below 32 px only a bolder bell still reads; laid out on a 16-unit
        // grid, the squares on whole pixels.
        const double k = size / 16.0;
        auto px = [k](double v) { return static_cast<int>(v * k + 0.5); };
        fill_rect(c, px(3), px(8), px(2), px(2), rgb(140, 170, 220));
        fill_rect(c, px(3), px(11), px(2), px(2), rgb(140, 170, 220));
        draw_bell(c, 10.5 * k, 10.2 * k, 0.48 * k);
    }
    return c;
}

Canvas check_icon(int size)
{
    Canvas c(size, size, kClear);
    const double u = size / 32.0;
    const std::vector<Point> pts{{6 * u, 17 * u}, {13 * u, 24 * u}, {26 * u, 8 * u}};
    outlined_polyline(c, pts, 4.6 * u, std::max(1.0, 1.3 * u), solid(rgb(18, 96, 24)),
                      vertical(6 * u, rgb(132, 226, 96), 26 * u, rgb(34, 160, 40)));
    return c;
}

Canvas cross_icon(int size)
{
    Canvas c(size, size, kClear);
    const double u = size / 32.0;
    const double a = 8 * u, b = 24 * u, w = 4.6 * u, o = std::max(1.0, 1.3 * u);
    const Paint dark = solid(rgb(120, 14, 14));
    const Paint light = vertical(a, rgb(255, 120, 100), b, rgb(206, 30, 30));
    draw_line(c, a, a, b, b, w + 2 * o, dark);
    draw_line(c, b, a, a, b, w + 2 * o, dark);
    draw_line(c, a, a, b, b, w, light);
    draw_line(c, b, a, a, b, w, light);
    return c;
}

} // namespace

std::vector<Canvas> make_app_icon(int index)
{
    return {app_icon(scale_length(16, index)), app_icon(scale_length(32, index)), app_icon(scale_length(48, index))};
}
// One 20-pixel image at 100 %: the editor loads it at its stored size, and a
// larger one would crowd the captions of its narrow buttons.
std::vector<Canvas> make_ok_icon(int index) { return {check_icon(scale_length(20, index))}; }
std::vector<Canvas> make_cancel_icon(int index) { return {cross_icon(scale_length(20, index))}; }

Canvas make_arrow_icon(Arrow arrow, int index)
{
    // Drawn on a 16-unit grid, k pixels a unit.
    const int size = scale_length(16, index);
    const double k = size / 16.0;
    Canvas c(size, size, kClear);
    const bool left = arrow == Arrow::PrevMonth || arrow == Arrow::PrevYear;
    const bool twice = arrow == Arrow::PrevYear || arrow == Arrow::NextYear;
    // Chevron tips; drawn pointing right, mirrored for the previous arrows.
    // The two chevrons of a year arrow sit far enough apart that their
    // outlines just meet instead of merging.
    const double depth = twice ? 4.0 : 4.5;
    std::vector<double> tips = twice ? std::vector<double>{7, 13} : std::vector<double>{10.25};
    std::vector<std::vector<Point>> chevrons;
    for (double tip : tips) {
        std::vector<Point> pts{{tip - depth, 3.5}, {tip, 8}, {tip - depth, 12.5}};
        for (Point& p : pts) {
            if (left)
                p.x = 16 - p.x;
            p.x *= k;
            p.y *= k;
        }
        chevrons.push_back(pts);
    }
    const Paint dark = solid(rgb(16, 30, 72));
    const Paint light = vertical(3 * k, rgb(255, 255, 255), 13 * k, rgb(206, 226, 255));
    for (const auto& pts : chevrons)
        for (std::size_t i = 0; i + 1 < pts.size(); ++i)
            draw_line(c, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, (twice ? 4.0 : 4.6) * k, dark);
    for (const auto& pts : chevrons)
        for (std::size_t i = 0; i + 1 < pts.size(); ++i)
            draw_line(c, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, (twice ? 2.0 : 2.4) * k, light);
    return c;
}

} // namespace artwork
