// The clock's picture as the tests know it, written out as data and not
// taken from the program's drawing code: where each glyph cell lies on the
// 151 x 72 face, and where each glyph lies in its strip. No platform headers,
// so the native unit tests can use it too.
#pragma once

namespace clock_face {

constexpr int kFaceWidth = 151, kFaceHeight = 72;

// The date row: eight small cells (YYYYMMDD without the dashes).
constexpr int kDateY = 5;
constexpr int kDateX[8] = {5, 19, 41, 55, 77, 91, 105, 119};
// The time: four large cells for hh:mm, two small ones for the seconds, and
// the AM/PM cell.
constexpr int kLargeY = 33;
constexpr int kLargeX[4] = {5, 32, 65, 92};
constexpr int kSecondsY = 50;
constexpr int kSecondsX[2] = {120, 134};
constexpr int kIndicatorX = 122, kIndicatorY = 33;

// Cell sizes.
constexpr int kSmallWidth = 12, kSmallHeight = 17;
constexpr int kLargeWidth = 24, kLargeHeight = 34;
constexpr int kIndicatorWidth = 22;

// The strips: digit n at n times the cell width; in the small strip the
// marks follow the digits, and a blank stretch follows the marks.
constexpr int kLargeStripWidth = 240, kSmallStripWidth = 185;
constexpr int kAmStripX = 120, kPmStripX = 142, kBlankStripX = 162;

}  // namespace clock_face
