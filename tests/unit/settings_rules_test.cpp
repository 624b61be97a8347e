#include "core/settings/settings_rules.h"

#include <gtest/gtest.h>

TEST(SettingsRules, CleanOptionTextRoundTrip) {
    EXPECT_EQ(std::string(29, '0') + "111", CleanOptionText(CleanOptionBits(0x7)));
    EXPECT_EQ(CleanOptionBits(0x5), CleanOptionFromText("101"));
    EXPECT_EQ(CleanOptionBits(0), CleanOptionFromText(""));
    // Of 40 characters the first 32 count; the 32nd is bit 0.
    const std::string forty = "1" + std::string(30, '0') + "1" + std::string(8, '1');
    EXPECT_EQ(CleanOptionBits(0x80000001ul), CleanOptionFromText(forty));
}

TEST(SettingsRules, InvalidCleanOptionTextMeansEverything) {
    EXPECT_FALSE(ParseCleanOptionText("10x").has_value());
    EXPECT_TRUE(CleanOptionFromText("10x").all());
    EXPECT_TRUE(CleanOptionFromText(" 101").all());
    // A bad character beyond the 32 counted ones is never looked at.
    EXPECT_EQ(CleanOptionBits(1), CleanOptionFromText(std::string(31, '0') + "1x"));
}

TEST(SettingsRules, NumberClamps) {
    EXPECT_EQ(1, DaysFromStored(0));
    EXPECT_EQ(1, DaysFromStored(8));
    EXPECT_EQ(1, DaysFromStored(-1));
    EXPECT_EQ(7, DaysFromStored(7));
    EXPECT_EQ(1, DaysToStore(0));
    EXPECT_EQ(7, DaysToStore(9));
    EXPECT_EQ(3, DaysToStore(3));
    EXPECT_EQ(12, HourFormatFromStored(12));
    EXPECT_EQ(24, HourFormatFromStored(13));
    EXPECT_EQ(24, HourFormatFromStored(-1));
}

TEST(SettingsRules, AutoRun) {
    EXPECT_EQ("\"C:\\Tools\\Cal\\cal.exe\" /background", AutoRunData("C:\\Tools\\Cal\\cal.exe"));
    EXPECT_TRUE(IsOldWindows(4, 90));
    EXPECT_TRUE(IsOldWindows(5, 0));   // Windows 2000: HKEY_LOCAL_MACHINE
    EXPECT_FALSE(IsOldWindows(5, 1));  // XP and later: HKEY_CURRENT_USER
    EXPECT_FALSE(IsOldWindows(6, 0));
}
