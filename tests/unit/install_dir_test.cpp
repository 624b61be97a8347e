#include "core/tools/install_dir.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

using Paths = std::vector<std::string>;

TEST(InstallDir, CandidatesWalkUpAtMostFourLevels) {
    EXPECT_EQ(InstallDirCandidates("C:\\A\\B\\C\\prog.exe", "name"),
              (Paths{"C:\\A\\B\\C\\name", "C:\\A\\B\\name", "C:\\A\\name", "C:\\name"}));
    EXPECT_EQ(InstallDirCandidates("C:\\prog.exe", "name"), (Paths{"C:\\name"}));
    EXPECT_TRUE(InstallDirCandidates("prog.exe", "name").empty());
}

TEST(InstallDir, CandidateTooLongIsSkippedNotCut) {
    // C:\<250 x's>\prog.exe: the first candidate would need 265 characters.
    const std::string deep = "C:\\" + std::string(250, 'x');
    EXPECT_EQ(InstallDirCandidates(deep + "\\prog.exe", "Sandrel.exe"), (Paths{"C:\\Sandrel.exe"}));
    // With room for long paths the same folder is searched.
    EXPECT_EQ(InstallDirCandidates(deep + "\\prog.exe", "Sandrel.exe", kLongestPath),
              (Paths{deep + "\\Sandrel.exe", "C:\\Sandrel.exe"}));

    // 259 characters still fit a buffer of 260.
    const std::string name(259 - 3, 'n');
    EXPECT_EQ(InstallDirCandidates("C:\\prog.exe", name), (Paths{"C:\\" + name}));
    EXPECT_TRUE(InstallDirCandidates("C:\\prog.exe", name + "n").empty());
}

TEST(InstallDir, NotFoundMessageAndTrayOrder) {
    EXPECT_EQ(NotFoundMessage("Help.chm"),
              "Can not find file  \"Help.chm\" in installation directory");

    const auto visible = TrayMenuItems(true);
    EXPECT_STREQ(visible[0].text, "Hide");
    EXPECT_EQ(visible[2].command, 32772u);
    EXPECT_STREQ(TrayMenuItems(false)[0].text, "Show");
    EXPECT_EQ(TrayDoubleClickCommand(true), 32774u);
    EXPECT_EQ(TrayDoubleClickCommand(false), 32773u);
}
