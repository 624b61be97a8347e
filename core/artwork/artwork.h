// Every picture the program loads from its resources, drawn in code so the
// art can be regenerated exactly.
#pragma once

#include "core/artwork/raster.h"

#include <vector>

namespace artwork {

// The clock's liquid-crystal panel and its segment colours.
constexpr Rgba kLcdPanel = rgb(179, 183, 139);
constexpr Rgba kLcdGhost = rgb(166, 171, 128);
constexpr Rgba kLcdInk = rgb(30, 34, 24);

// The memo editor shows the dialog through pixels of exactly this colour.
constexpr Rgba kEditorKey = rgb(214, 211, 206);

// `index` is the display scale (artwork_scale.h): 0 = 100 %, 1 = 125 %,
// 2 = 150 %, 3 = 200 %. Every scale is drawn afresh at its own size, with
// the layout of the 100 % picture scaled and rounded.
Canvas make_skin(int index = 0);                // bitmap 183: 180 x 489
Canvas make_clock_digits(int index = 0);        // bitmap 137: ten 24 x 34 digits
Canvas make_clock_face(int index = 0);          // bitmap 138: 151 x 72
Canvas make_clock_glyphs(int index = 0);        // bitmap 186: ten 12 x 17 digits, AM, PM
Canvas make_editor_picture(int index = 0);      // bitmap 165: 48 x 42
Canvas make_progress_cells(int index = 0);      // bitmap 199: 190 x 20

// Icons hold the sizes the system asks for at their scale: the application
// icon small, large and extra large (16, 32 and 48 px at 100 %).
std::vector<Canvas> make_app_icon(int index = 0);    // icon 128
std::vector<Canvas> make_ok_icon(int index = 0);     // icon 166: 20 px at 100 %
std::vector<Canvas> make_cancel_icon(int index = 0); // icon 167: 20 px at 100 %

enum class Arrow { PrevMonth, NextMonth, PrevYear, NextYear };
Canvas make_arrow_icon(Arrow arrow, int index = 0); // icons 169..172, 16 px at 100 %

} // namespace artwork
