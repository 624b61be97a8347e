// The display scales the artwork is drawn at (100, 125, 150 and 200 %), how
// the program picks one for a monitor's dpi, and where the pieces of the
// scaled bitmaps lie. Shared by the generator and the program, so both place
// the clock's and the activity indicator's cells from the same numbers.
#pragma once

namespace artwork {

// Scale index 0..3; index 0 is the original 100 % artwork.
constexpr int kScaleCount = 4;
constexpr int kScaleDpi[kScaleCount] = {96, 120, 144, 192};
constexpr int kScalePercent[kScaleCount] = {100, 125, 150, 200};

double scale_factor(int index); // 1.0, 1.25, 1.5, 2.0

// round(length x factor), halves rounded up: every size and position of the
// scaled artwork is the 100 % one passed through this.
int scale_length(int length100, int index);

// "" at 100 %, else "_125", "_150", "_200": the artwork file name suffix.
const char* scale_suffix(int index);

// Resource id of a bitmap or icon drawn at a scale: the 100 % id plus 10000
// per scale step (skin 183, 10183, 20183, 30183).
constexpr int kScaledIdStep = 10000;
constexpr int scaled_resource_id(int id100, int index) { return id100 + kScaledIdStep * index; }

// The artwork for a display: the nearest scale at or above its dpi (at most
// 200 %), drawn at display dpi / artwork dpi of its size: smaller between
// two scales, as it is on one, larger only beyond 192 dpi. A dpi of 0 or
// less (unknown) counts as 96.
struct ArtworkChoice {
    int index = 0;
    int dpi = 96;          // the artwork's own dpi
    int display_dpi = 96;  // the display's
};
ArtworkChoice choose_artwork(int dpi);

// round(length x display dpi / artwork dpi), halves rounded up, in whole
// numbers: the size a length of the chosen artwork is drawn at.
int fit_length(int length, const ArtworkChoice& choice);

// Where the clock's glyphs are, at one scale, in pixels of that scale's
// bitmaps. Cells are copied from the strips into the face:
// large digit n:   digits strip (large.width * n, 0), large.width x large.height
// small digit n:   glyph strip (small.width * n, 0), small.width x small.height
// AM / PM / blank: glyph strip (am_x | pm_x | blank_x, 0), indicator_width x small.height
struct Size {
    int width, height;
};
struct ClockLayout {
    Size face, digits_strip, glyph_strip;
    Size large, small;  // one digit cell
    int indicator_width;
    int am_x, pm_x, blank_x;
    int time_x[4], time_y;      // hour and minute digits in the face
    int second_x[2], second_y;  // seconds, in small digits
    int indicator_x, indicator_y;
    int date_x[8], date_y;      // day, month and year, in small digits
};
ClockLayout clock_layout(int index);

// The activity indicator's cell bitmap: cell k (0..7) at (first_x + pitch k,
// y), the highlighted cell at highlight_x, every cell width x height.
struct ProgressLayout {
    Size bitmap;
    int first_x, pitch, y, width, height, highlight_x;
};
ProgressLayout progress_layout(int index);

} // namespace artwork
