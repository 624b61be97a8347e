#include "core/app/command_line.h"

#include <gtest/gtest.h>

TEST(CommandLine, SwitchesArePrefixTestsWithoutRegardToCase) {
    EXPECT_EQ(FirstCopyStartMode(""), StartMode::Shown);
    EXPECT_EQ(FirstCopyStartMode("/background"), StartMode::Background);
    EXPECT_EQ(FirstCopyStartMode("/BACKGROUND"), StartMode::Background);
    EXPECT_EQ(FirstCopyStartMode("/backgroundx"), StartMode::Background);
    EXPECT_EQ(FirstCopyStartMode("/now"), StartMode::BackupNow);
    EXPECT_EQ(FirstCopyStartMode("/nowhere"), StartMode::BackupNow);
    EXPECT_EQ(FirstCopyStartMode("/No"), StartMode::Shown);
    EXPECT_EQ(FirstCopyStartMode(" /now"), StartMode::Shown);
    EXPECT_EQ(FirstCopyStartMode("/back"), StartMode::Shown);

    EXPECT_TRUE(SecondCopyWantsBackup("/NOW"));
    EXPECT_FALSE(SecondCopyWantsBackup("/background"));
    EXPECT_FALSE(SecondCopyWantsBackup(nullptr));
}
