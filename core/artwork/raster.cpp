#include "core/artwork/raster.h"

#include <algorithm>
#include <cmath>

namespace artwork {

namespace {

// 8 x 8 samples per pixel: smooth enough for icon edges at 16 px.
constexpr int kSamples = 8;

std::uint8_t to_byte(double v)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace

Rgba mix(Rgba a, Rgba b, double t)
{
    return Rgba{to_byte(a.r + (b.r - a.r) * t), to_byte(a.g + (b.g - a.g) * t),
                to_byte(a.b + (b.b - a.b) * t), to_byte(a.a + (b.a - a.a) * t)};
}

Rgba with_alpha(Rgba c, int alpha)
{
    c.a = static_cast<std::uint8_t>(std::clamp(alpha, 0, 255));
    return c;
}

Canvas::Canvas(int width, int height, Rgba fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, fill)
{
}

void Canvas::set(int x, int y, Rgba c)
{
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
        pixels_[index(x, y)] = c;
}

void Canvas::blend(int x, int y, Rgba c, double coverage)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || coverage <= 0.0)
        return;
    Rgba& d = pixels_[index(x, y)];
    const double sa = c.a / 255.0 * std::min(coverage, 1.0);
    const double da = d.a / 255.0;
    const double oa = sa + da * (1.0 - sa);
    if (oa <= 0.0)
        return;
    auto channel = [&](std::uint8_t s, std::uint8_t dst) {
        return to_byte((s * sa + dst * da * (1.0 - sa)) / oa);
    };
    d = Rgba{channel(c.r, d.r), channel(c.g, d.g), channel(c.b, d.b), to_byte(oa * 255.0)};
}

Paint solid(Rgba c)
{
    return [c](double, double) { return c; };
}

Paint vertical(double y0, Rgba top, double y1, Rgba bottom)
{
    return [=](double, double y) { return mix(top, bottom, std::clamp((y - y0) / (y1 - y0), 0.0, 1.0)); };
}

Paint horizontal(double x0, Rgba left, double x1, Rgba right)
{
    return [=](double x, double) { return mix(left, right, std::clamp((x - x0) / (x1 - x0), 0.0, 1.0)); };
}

namespace {

bool pixel_within(int x, int y, const std::vector<Box>& boxes)
{
    for (const Box& b : boxes)
        if (x >= b.x0 && y >= b.y0 && x + 1 <= b.x1 && y + 1 <= b.y1)
            return true;
    return false;
}

// The two boxes wholly inside a rounded rectangle: the cross left by its corners.
std::vector<Box> round_rect_cross(double x0, double y0, double x1, double y1, double r)
{
    if (x1 - x0 < 2 * r || y1 - y0 < 2 * r)
        return {};
    return {{x0, y0 + r, x1, y1 - r}, {x0 + r, y0, x1 - r, y1}};
}

std::vector<Box> inscribed_square(double cx, double cy, double r)
{
    const double h = r * 0.7;
    return {{cx - h, cy - h, cx + h, cy + h}};
}

} // namespace

void fill_shape(Canvas& c, Box b, const Inside& inside, const Paint& paint, const std::vector<Box>& solid,
                const std::vector<Box>& hollow)
{
    const int ix0 = std::max(0, static_cast<int>(std::floor(b.x0)));
    const int iy0 = std::max(0, static_cast<int>(std::floor(b.y0)));
    const int ix1 = std::min(c.width(), static_cast<int>(std::ceil(b.x1)));
    const int iy1 = std::min(c.height(), static_cast<int>(std::ceil(b.y1)));
    for (int y = iy0; y < iy1; ++y) {
        for (int x = ix0; x < ix1; ++x) {
            if (pixel_within(x, y, hollow))
                continue;
            if (pixel_within(x, y, solid)) {
                c.blend(x, y, paint(x + 0.5, y + 0.5));
                continue;
            }
            int hits = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx)
                    if (inside(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples))
                        ++hits;
            if (hits > 0)
                c.blend(x, y, paint(x + 0.5, y + 0.5), static_cast<double>(hits) / (kSamples * kSamples));
        }
    }
}

void fill_rect(Canvas& c, int x, int y, int w, int h, Rgba colour)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            c.blend(i, j, colour);
}

void fill_rect_paint(Canvas& c, double x0, double y0, double x1, double y1, const Paint& paint)
{
    fill_shape(c, {x0, y0, x1, y1},
               [=](double x, double y) { return x >= x0 && x < x1 && y >= y0 && y < y1; }, paint,
               {{x0, y0, x1, y1}});
}

bool in_round_rect(double x, double y, double x0, double y0, double x1, double y1, double r)
{
    if (x < x0 || x >= x1 || y < y0 || y >= y1)
        return false;
    const double cx = std::clamp(x, x0 + r, x1 - r);
    const double cy = std::clamp(y, y0 + r, y1 - r);
    const double dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy <= r * r;
}

void fill_round_rect(Canvas& c, double x0, double y0, double x1, double y1, double r, const Paint& paint)
{
    fill_shape(c, {x0, y0, x1, y1},
               [=](double x, double y) { return in_round_rect(x, y, x0, y0, x1, y1, r); }, paint,
               round_rect_cross(x0, y0, x1, y1, r));
}

void stroke_round_rect(Canvas& c, double x0, double y0, double x1, double y1, double r, double width,
                       const Paint& paint)
{
    const double ir = std::max(0.0, r - width);
    fill_shape(c, {x0, y0, x1, y1},
               [=](double x, double y) {
                   return in_round_rect(x, y, x0, y0, x1, y1, r) &&
                          !in_round_rect(x, y, x0 + width, y0 + width, x1 - width, y1 - width, ir);
               },
               paint, {}, round_rect_cross(x0 + width, y0 + width, x1 - width, y1 - width, ir));
}

void fill_circle(Canvas& c, double cx, double cy, double r, const Paint& paint)
{
    fill_shape(c, {cx - r, cy - r, cx + r, cy + r},
               [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; }, paint,
               inscribed_square(cx, cy, r));
}

void stroke_circle(Canvas& c, double cx, double cy, double r, double width, const Paint& paint)
{
    const double outer = r + width / 2, inner = r - width / 2;
    fill_shape(c, {cx - outer, cy - outer, cx + outer, cy + outer},
               [=](double x, double y) {
                   const double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                   return d <= outer * outer && d >= inner * inner;
               },
               paint, {}, inscribed_square(cx, cy, inner));
}

bool near_segment(double x, double y, double x0, double y0, double x1, double y1, double half_width)
{
    const double dx = x1 - x0, dy = y1 - y0;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double px = x0 + t * dx - x, py = y0 + t * dy - y;
    return px * px + py * py <= half_width * half_width;
}

void draw_line(Canvas& c, double x0, double y0, double x1, double y1, double width, const Paint& paint)
{
    const double h = width / 2;
    fill_shape(c, {std::min(x0, x1) - h, std::min(y0, y1) - h, std::max(x0, x1) + h, std::max(y0, y1) + h},
               [=](double x, double y) { return near_segment(x, y, x0, y0, x1, y1, h); }, paint);
}

bool in_polygon(double x, double y, const std::vector<Point>& pts)
{
    bool in = false;
    for (std::size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
        if ((pts[i].y > y) != (pts[j].y > y) &&
            x < (pts[j].x - pts[i].x) * (y - pts[i].y) / (pts[j].y - pts[i].y) + pts[i].x)
            in = !in;
    }
    return in;
}

void fill_polygon(Canvas& c, const std::vector<Point>& points, const Paint& paint)
{
    if (points.size() < 3)
        return;
    Box b{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const Point& p : points) {
        b.x0 = std::min(b.x0, p.x);
        b.y0 = std::min(b.y0, p.y);
        b.x1 = std::max(b.x1, p.x);
        b.y1 = std::max(b.y1, p.y);
    }
    fill_shape(c, b, [&points](double x, double y) { return in_polygon(x, y, points); }, paint);
}

void draw_canvas(Canvas& dst, const Canvas& src, int x, int y)
{
    for (int j = 0; j < src.height(); ++j)
        for (int i = 0; i < src.width(); ++i)
            dst.blend(x + i, y + j, src.at(i, j));
}

} // namespace artwork
