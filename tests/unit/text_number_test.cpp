#include "core/base/text_number.h"

#include <gtest/gtest.h>

#include <climits>

TEST(ParseLeadingInt, ReadsLikeTheCLibraryButSaturates) {
    EXPECT_EQ(ParseLeadingInt("007"), 7);
    EXPECT_EQ(ParseLeadingInt(" 7"), 7);
    EXPECT_EQ(ParseLeadingInt("+5"), 5);
    EXPECT_EQ(ParseLeadingInt("-0"), 0);
    EXPECT_EQ(ParseLeadingInt("-12x"), -12);
    EXPECT_EQ(ParseLeadingInt(""), 0);
    EXPECT_EQ(ParseLeadingInt("x1"), 0);
    EXPECT_EQ(ParseLeadingInt(nullptr), 0);
    EXPECT_EQ(ParseLeadingInt("99999999999"), INT_MAX);
    EXPECT_EQ(ParseLeadingInt("-99999999999999999999999"), INT_MIN);
    EXPECT_EQ(ParseLeadingInt("2147483647"), INT_MAX);
    EXPECT_EQ(ParseLeadingInt("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseLeadingInt("123", 2), 12);  // bounded read
}
