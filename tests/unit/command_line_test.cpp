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

TEST(CommandLine, LogOnTaskSwitchTakesOneWholeWord) {
    EXPECT_EQ(LogOnTaskSwitch(""), LogOnTaskRequest::None);
    EXPECT_EQ(LogOnTaskSwitch(nullptr), LogOnTaskRequest::None);
    EXPECT_EQ(LogOnTaskSwitch("/background"), LogOnTaskRequest::None);
    EXPECT_EQ(LogOnTaskSwitch("/logon-task"), LogOnTaskRequest::None);
    EXPECT_EQ(LogOnTaskSwitch("/logon-task=on"), LogOnTaskRequest::On);
    EXPECT_EQ(LogOnTaskSwitch("/LOGON-TASK=On"), LogOnTaskRequest::On);
    EXPECT_EQ(LogOnTaskSwitch("/logon-task=off"), LogOnTaskRequest::Off);
    EXPECT_EQ(LogOnTaskSwitch("/logon-task=OFF more"), LogOnTaskRequest::Off);
    EXPECT_EQ(LogOnTaskSwitch("/logon-task=query\t"), LogOnTaskRequest::Query);
    // A word it does not know is never taken for one it knows.
    EXPECT_EQ(LogOnTaskSwitch("/logon-task=onward"), LogOnTaskRequest::Invalid);
    EXPECT_EQ(LogOnTaskSwitch("/logon-task=of"), LogOnTaskRequest::Invalid);
    EXPECT_EQ(LogOnTaskSwitch("/logon-task="), LogOnTaskRequest::Invalid);
    EXPECT_EQ(LogOnTaskSwitch("/logon-task= on"), LogOnTaskRequest::Invalid);
    // It is none of the start modes either.
    EXPECT_EQ(FirstCopyStartMode("/logon-task=on"), StartMode::Shown);
}
