#include "core/artwork/pixel_font.h"

#include <algorithm>
#include <cstring>

namespace artwork {

namespace {

struct Glyph {
    char ch;
    const char* rows[kFontRows]; // '#' is ink; all rows of one glyph have the same length
};

// clang-format off
const Glyph kGlyphs[] = {
    {'A', {".##.", "#..#", "#..#", "####", "#..#", "#..#", "#..#"}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'P', {"###.", "#..#", "#..#", "###.", "#...", "#...", "#..."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'a', {"....", "....", ".##.", "...#", ".###", "#..#", ".###"}},
    {'c', {"....", "....", ".###", "#...", "#...", "#...", ".###"}},
    {'d', {"...#", "...#", ".###", "#..#", "#..#", "#..#", ".###"}},
    {'e', {"....", "....", ".##.", "#..#", "####", "#...", ".###"}},
    {'i', {"#", ".", "#", "#", "#", "#", "#"}},
    {'k', {"#...", "#...", "#..#", "#.#.", "##..", "#.#.", "#..#"}},
    {'l', {"#.", "#.", "#.", "#.", "#.", "#.", ".#"}},
    {'m', {".....", ".....", "####.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"}},
    {'n', {"....", "....", "###.", "#..#", "#..#", "#..#", "#..#"}},
    {'o', {"....", "....", ".##.", "#..#", "#..#", "#..#", ".##."}},
    {'r', {"...", "...", "#.#", "##.", "#..", "#..", "#.."}},
    {'s', {"....", "....", ".###", "#...", ".##.", "...#", "###."}},
    {'t', {".#.", ".#.", "###", ".#.", ".#.", ".#.", "..#"}},
    {'u', {"....", "....", "#..#", "#..#", "#..#", "#..#", ".###"}},
    {' ', {"..", "..", "..", "..", "..", "..", ".."}},
};
// clang-format on

const Glyph* find_glyph(char ch)
{
    for (const Glyph& g : kGlyphs)
        if (g.ch == ch)
            return &g;
    return find_glyph(' ');
}

int glyph_columns(const Glyph& g) { return static_cast<int>(std::strlen(g.rows[0])); }

bool ink(const Glyph& g, int col, int row)
{
    return col >= 0 && row >= 0 && col < glyph_columns(g) && row < kFontRows && g.rows[row][col] == '#';
}

double bold_extra(const TextStyle& s) { return s.bold ? 0.5 * s.scale : 0.0; }

struct Rect {
    double x0, y0, x1, y1;
};
struct Segment {
    double x0, y0, x1, y1;
};

} // namespace

double text_width(const std::string& text, const TextStyle& style)
{
    double w = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        w += glyph_columns(*find_glyph(text[i])) * style.scale + bold_extra(style);
        if (i + 1 < text.size())
            w += style.scale;
    }
    return w;
}

double text_height(const TextStyle& style) { return kFontRows * style.scale; }

void draw_text(Canvas& canvas, double x, double y, const std::string& text, const TextStyle& style)
{
    const double s = style.scale;
    const double extra = bold_extra(style);
    const double half = (s + extra) / 2 * 0.9;
    double pen = x;
    // One fill per glyph: strokes inside a glyph overlap and must blend once,
    // while neighbouring glyphs never touch.
    for (char ch : text) {
        const Glyph& g = *find_glyph(ch);
        std::vector<Rect> rects;
        std::vector<Segment> joins;
        for (int row = 0; row < kFontRows; ++row) {
            for (int col = 0; col < glyph_columns(g); ++col) {
                if (!ink(g, col, row))
                    continue;
                const double px = pen + col * s, py = y + row * s;
                rects.push_back({px, py, px + s + extra, py + s});
                if (!style.smooth)
                    continue;
                // Lone diagonal steps get a stroke between the pixel centres.
                for (int dir : {-1, 1}) {
                    if (ink(g, col + dir, row + 1) && !ink(g, col + dir, row) && !ink(g, col, row + 1))
                        joins.push_back({px + s / 2 + extra / 2, py + s / 2, px + (dir + 0.5) * s + extra / 2,
                                         py + 1.5 * s});
                }
            }
        }
        const double advance = glyph_columns(g) * s + extra;
        if (!rects.empty()) {
            const Box box{pen - s / 2, y - s / 2, pen + advance + s / 2, y + (kFontRows + 0.5) * s};
            std::vector<Box> solid_boxes;
            for (const Rect& r : rects)
                solid_boxes.push_back({r.x0, r.y0, r.x1, r.y1});
            fill_shape(canvas, box,
                       [&](double px, double py) {
                           for (const Rect& r : rects)
                               if (px >= r.x0 && px < r.x1 && py >= r.y0 && py < r.y1)
                                   return true;
                           for (const Segment& j : joins)
                               if (near_segment(px, py, j.x0, j.y0, j.x1, j.y1, half))
                                   return true;
                           return false;
                       },
                       solid(style.colour), solid_boxes);
        }
        pen += advance + s;
    }
}

} // namespace artwork
