#include "core/controls/clock_digits.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(const std::uint8_t* digits, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += static_cast<char>('0' + digits[i]);
    return text;
}

// "HHMMSS DDMMYYYY indicator morning"
std::string Show(int hour, int minute, int second, int format, int morning = 1,
                 Date date = Date{2027, 3, 1}) {
    const ClockDigits d = ComputeClockDigits(LocalDateTime{date, TimeOfDay{hour, minute, second}},
                                             format, morning);
    const char* indicator = d.indicator == ClockIndicator::Am   ? "AM"
                            : d.indicator == ClockIndicator::Pm ? "PM"
                                                                : "--";
    return Text(d.time.data(), 6) + " " + Text(d.date.data(), 8) + " " + indicator + " " +
           std::to_string(d.morning);
}

}  // namespace

TEST(ClockDigits, TwentyFourHourFormat) {
    EXPECT_EQ("000509 01032027 -- 1", Show(0, 5, 9, 24));
    EXPECT_EQ("235959 01032027 -- 0", Show(23, 59, 59, 24, 0));  // morning flag left alone
    EXPECT_EQ("120000 01032027 -- 1", Show(12, 0, 0, -1));       // anything but 12 is 24-hour
}

TEST(ClockDigits, TwelveHourFormat) {
    EXPECT_EQ("003000 01032027 AM 1", Show(0, 30, 0, 12, 0));
    EXPECT_EQ("115900 01032027 AM 1", Show(11, 59, 0, 12, 0));
    EXPECT_EQ("120000 01032027 PM 0", Show(12, 0, 0, 12));
    EXPECT_EQ("125900 01032027 PM 0", Show(12, 59, 0, 12));
    EXPECT_EQ("010000 01032027 PM 0", Show(13, 0, 0, 12));
    EXPECT_EQ("115900 01032027 PM 0", Show(23, 59, 0, 12));
}

TEST(ClockDigits, OutOfRangeValuesStayInTheirFields) {
    EXPECT_EQ("000000 31129999 -- 1", Show(0, 0, 0, 24, 1, Date{30827, 12, 31}));
    EXPECT_EQ("000000 06120000 -- 1", Show(0, 0, 0, 24, 1, Date{-5, 12, 6}));
    EXPECT_EQ("995900 99990999 -- 1", Show(150, 59, 0, 24, 1, Date{999, 123, 100}));
    EXPECT_EQ(162, IndicatorGlyphX(ClockIndicator::Blank));
    EXPECT_EQ(120, IndicatorGlyphX(ClockIndicator::Am));
    EXPECT_EQ(142, IndicatorGlyphX(ClockIndicator::Pm));
}
