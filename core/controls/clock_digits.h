// The digits the bitmap clock shows for a local date and time, with no
// drawing: six time digits, eight date digits (day-month-year as
// "%02d-%02d-%04d" writes them), the AM/PM indicator and the morning flag.
#pragma once

#include <array>
#include <cstdint>

#include "core/base/basic_types.h"

enum class ClockIndicator { Blank, Am, Pm };

// x of the indicator's 22-pixel cell in the small-glyph strip.
int IndicatorGlyphX(ClockIndicator indicator);

struct ClockDigits {
    // hour tens, hour units, minute tens, minute units, second tens, second units
    std::array<std::uint8_t, 6> time{};
    // day tens, day units, month tens, month units, four year digits
    std::array<std::uint8_t, 8> date{};
    ClockIndicator indicator = ClockIndicator::Blank;
    int morning = 1;  // the morning flag to keep: 1 = AM, 0 = PM
};

// hourFormat: 12 for the 12-hour format, anything else is 24-hour.
// 12-hour: 00:xx shows 00 AM, 01..11 AM, 12:xx shows 12 PM, 13..23 show
// 01..11 PM; the morning flag follows. 24-hour: the hour as it is, a blank
// indicator, and `morning` returned unchanged.
// Every two-digit field is clamped to 0..99 and the year to 0..9999, so a
// value out of range never spills into another field.
ClockDigits ComputeClockDigits(const LocalDateTime& now, int hourFormat, int morning);
