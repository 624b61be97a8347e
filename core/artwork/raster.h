// A small RGBA raster: just enough drawing to paint the program's artwork
// deterministically, with anti-aliased edges from supersampling.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "core/base/float_model.h"

namespace artwork {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
};

constexpr Rgba rgb(int r, int g, int b, int a = 255)
{
    return Rgba{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(a)};
}

inline bool same_colour(Rgba p, Rgba q) { return p.r == q.r && p.g == q.g && p.b == q.b; }

// Linear mix of two colours (alpha included); t = 0 gives a, t = 1 gives b.
Rgba mix(Rgba a, Rgba b, double t);
Rgba with_alpha(Rgba c, int alpha);

class Canvas {
public:
    Canvas(int width, int height, Rgba fill);

    int width() const { return width_; }
    int height() const { return height_; }
    Rgba at(int x, int y) const { return pixels_[index(x, y)]; }
    void set(int x, int y, Rgba c);
    // Source-over of c, its alpha scaled by coverage (0..1); outside pixels are ignored.
    void blend(int x, int y, Rgba c, double coverage = 1.0);

private:
    int index(int x, int y) const { return y * width_ + x; }
    int width_;
    int height_;
    std::vector<Rgba> pixels_;
};

// Colour as a function of the pixel centre, so shapes can carry gradients.
using Paint = std::function<Rgba(double x, double y)>;
Paint solid(Rgba c);
Paint vertical(double y0, Rgba top, double y1, Rgba bottom);
Paint horizontal(double x0, Rgba left, double x1, Rgba right);

// Shapes are point-in-shape tests over a bounding box, in pixel coordinates
// where pixel (i, j) covers [i, i+1) x [j, j+1).
struct Box {
    double x0, y0, x1, y1;
};
using Inside = std::function<bool(double x, double y)>;
// `solid` and `hollow` are optional boxes known to lie wholly inside or
// outside the shape: pixels within them skip the supersampling.
void fill_shape(Canvas& c, Box bounds, const Inside& inside, const Paint& paint,
                const std::vector<Box>& solid = {}, const std::vector<Box>& hollow = {});

void fill_rect(Canvas& c, int x, int y, int w, int h, Rgba colour);
void fill_rect_paint(Canvas& c, double x0, double y0, double x1, double y1, const Paint& paint);
void fill_round_rect(Canvas& c, double x0, double y0, double x1, double y1, double r, const Paint& paint);
void stroke_round_rect(Canvas& c, double x0, double y0, double x1, double y1, double r, double width,
                       const Paint& paint);
void fill_circle(Canvas& c, double cx, double cy, double r, const Paint& paint);
void stroke_circle(Canvas& c, double cx, double cy, double r, double width, const Paint& paint);
// A thick line with round ends.
void draw_line(Canvas& c, double x0, double y0, double x1, double y1, double width, const Paint& paint);

struct Point {
    double x, y;
};
void fill_polygon(Canvas& c, const std::vector<Point>& points, const Paint& paint);

// Point tests, reusable for composite shapes.
bool in_round_rect(double x, double y, double x0, double y0, double x1, double y1, double r);
bool in_polygon(double x, double y, const std::vector<Point>& points);
bool near_segment(double x, double y, double x0, double y0, double x1, double y1, double half_width);

// Draws src onto dst with its top-left at (x, y), source-over.
void draw_canvas(Canvas& dst, const Canvas& src, int x, int y);

} // namespace artwork
