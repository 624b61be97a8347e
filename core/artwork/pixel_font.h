// The program's own tiny proportional pixel font (7 rows, no descenders),
// covering just the letters its labels use.
#pragma once

#include "core/artwork/raster.h"

#include <string>

namespace artwork {

struct TextStyle {
    double scale = 1.0;  // pixels per font pixel; fractional scales come out anti-aliased
    Rgba colour{255, 255, 255, 255};
    bool bold = false;   // widens every stroke by ~half a font pixel
    bool smooth = false; // joins diagonal steps, for larger sizes
};

constexpr int kFontRows = 7;

double text_width(const std::string& text, const TextStyle& style);
double text_height(const TextStyle& style);
// (x, y) is the top-left of the cell; unknown characters draw as blanks.
void draw_text(Canvas& canvas, double x, double y, const std::string& text, const TextStyle& style);

} // namespace artwork
