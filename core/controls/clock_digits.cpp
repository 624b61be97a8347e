#include "core/controls/clock_digits.h"

namespace {

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

void PutDigits(std::uint8_t* out, int value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        out[i] = static_cast<std::uint8_t>(value % 10);
        value /= 10;
    }
}

}  // namespace

int IndicatorGlyphX(ClockIndicator indicator) {
    switch (indicator) {
        case ClockIndicator::Am: return 120;
        case ClockIndicator::Pm: return 142;
        case ClockIndicator::Blank: break;
    }
    return 162;
}

ClockDigits ComputeClockDigits(const LocalDateTime& now, int hourFormat, int morning) {
    ClockDigits digits;
    int hour = now.time.hour;
    if (hourFormat == 12) {
        digits.morning = hour < 12 ? 1 : 0;  // noon and after are afternoon hours
        if (hour > 12) hour -= 12;
        digits.indicator = digits.morning ? ClockIndicator::Am : ClockIndicator::Pm;
    } else {
        digits.morning = morning;
        digits.indicator = ClockIndicator::Blank;
    }
    PutDigits(&digits.time[0], Clamp(hour, 0, 99), 2);
    PutDigits(&digits.time[2], Clamp(now.time.minute, 0, 99), 2);
    PutDigits(&digits.time[4], Clamp(now.time.second, 0, 99), 2);
    PutDigits(&digits.date[0], Clamp(now.date.day, 0, 99), 2);
    PutDigits(&digits.date[2], Clamp(now.date.month, 0, 99), 2);
    PutDigits(&digits.date[4], Clamp(now.date.year, 0, 9999), 4);
    return digits;
}
