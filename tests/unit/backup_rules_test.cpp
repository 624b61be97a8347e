#include <gtest/gtest.h>

#include "core/tools/backup_rules.h"

using namespace sandrel;

TEST(BackupRules, DayFolderNamesAreTheMemoDateTextAndNothingElse) {
    Day d;
    ASSERT_TRUE(ParseDayFolderName("2008-1-5", &d));
    EXPECT_EQ(DayFolderName(d), "2008-1-5");
    ASSERT_TRUE(ParseDayFolderName("2024-2-29", &d));
    for (const char* bad : {"2023-2-29", "2008-01-05", "2008-1-5.new", "2008-1-5.old", "2008-13-1", "2008-1",
                            "notes", "", "-1-1", "20080-1-1", "2008-1-32"})
        EXPECT_FALSE(ParseDayFolderName(bad, &d)) << bad;
}

TEST(BackupRules, CommandLine) {
    EXPECT_EQ(ParseCommand("").kind, Command::kWindow);
    EXPECT_EQ(ParseCommand("  ").kind, Command::kWindow);
    EXPECT_EQ(ParseCommand("auto").kind, Command::kAuto);
    EXPECT_EQ(ParseCommand(" AUTO ").kind, Command::kAuto);
    const Command restore = ParseCommand("restore 2026-12-8");
    ASSERT_EQ(restore.kind, Command::kRestore);
    EXPECT_EQ(DayFolderName(restore.day), "2026-12-8");
    EXPECT_EQ(ParseCommand("restore").kind, Command::kUnknown);
    EXPECT_EQ(ParseCommand("restore ..\\x").kind, Command::kUnknown);
    EXPECT_EQ(ParseCommand("autox").kind, Command::kUnknown);
}

TEST(BackupRules, KeepsTheNewestByDateNotByName) {
    // "2025-9-30" sorts after "2025-10-1" as text but is older.
    const std::vector<std::string> names = {"2025-10-1", "notes", "2025-9-30", "2026-1-1", "2025-12-31.new"};
    EXPECT_EQ(BackupsNewestFirst(names), (std::vector<std::string>{"2026-1-1", "2025-10-1", "2025-9-30"}));
    EXPECT_EQ(BackupsToRemove(names, 2), (std::vector<std::string>{"2025-9-30"}));
    EXPECT_TRUE(BackupsToRemove(names, 3).empty());
    EXPECT_EQ(BackupsToRemove(names, 0), (std::vector<std::string>{"2025-10-1", "2025-9-30"}))
        << "the newest always stays";
    EXPECT_EQ(BeforeRestoreName("2026-1-1"), "2026-1-1.before-restore");
}
