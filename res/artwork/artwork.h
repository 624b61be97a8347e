// Every picture the program loads from its resources, drawn in code so the
// art can be regenerated exactly.
#pragma once

#include "raster.h"

#include <vector>

namespace artwork {

// The clock's liquid-crystal panel and its segment colours.
constexpr Rgba kLcdPanel = rgb(179, 183, 139);
constexpr Rgba kLcdGhost = rgb(166, 171, 128);
constexpr Rgba kLcdInk = rgb(30, 34, 24);

// The memo editor shows the dialog through pixels of exactly this colour.
constexpr Rgba kEditorKey = rgb(214, 211, 206);

Canvas make_skin();                 // bitmap 183
Canvas make_clock_digits();         // bitmap 137
Canvas make_clock_face();           // bitmap 138
Canvas make_clock_glyphs();         // bitmap 186
Canvas make_editor_picture();       // bitmap 165
Canvas make_progress_cells();       // bitmap 199

std::vector<Canvas> make_app_icon();    // icon 128: 16, 32 and 48 px
std::vector<Canvas> make_ok_icon();     // icon 166: 20 px
std::vector<Canvas> make_cancel_icon(); // icon 167: 20 px

enum class Arrow { PrevMonth, NextMonth, PrevYear, NextYear };
Canvas make_arrow_icon(Arrow arrow); // icons 169..172, 16 px

} // namespace artwork
