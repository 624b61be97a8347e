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

    const Command out = ParseCommand("EXPORT \"C:\\My Files\\memos.ics\" ");
    ASSERT_EQ(out.kind, Command::kExport);
    EXPECT_EQ(out.file, "C:\\My Files\\memos.ics");
    const Command in = ParseCommand("import C:\\My Files\\memos.ics");
    ASSERT_EQ(in.kind, Command::kImport);
    EXPECT_EQ(in.file, "C:\\My Files\\memos.ics") << "unquoted: the rest of the line";
    EXPECT_FALSE(out.ranged);
    const Command range = ParseCommand("export \"C:\\a b.ics\"  2026-1-1 2026-12-31");
    ASSERT_EQ(range.kind, Command::kExport);
    EXPECT_EQ(range.file, "C:\\a b.ics");
    ASSERT_TRUE(range.ranged);
    EXPECT_EQ(DayFolderName(range.from), "2026-1-1");
    EXPECT_EQ(DayFolderName(range.to), "2026-12-31");
    // Dates out of order, or one alone, are part of the name.
    EXPECT_EQ(ParseCommand("export a.ics 2026-2-1 2026-1-1").file, "a.ics 2026-2-1 2026-1-1");
    EXPECT_EQ(ParseCommand("export a 2026-2-1").file, "a 2026-2-1");
    EXPECT_FALSE(ParseCommand("import a.ics 2026-1-1 2026-1-2").ranged) << "an import takes no dates";
    for (const char* bad : {"import", "import  ", "export \"\"", "import \"a\"b\".ics", "import \"half.ics"})
        EXPECT_EQ(ParseCommand(bad).kind, Command::kUnknown) << bad;
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

TEST(BackupRules, WhatAFileInAMemoFolderIsByItsName) {
    EXPECT_EQ(KindOfName("Remark_2026-1-5.txt"), FileKind::kMemo);
    EXPECT_EQ(KindOfName("2026-1-5"), FileKind::kMemo);
    for (const char* kept : {"Remark_2026-1-5.txt.before-restore", "Remark_2026-1-5.txt.before-restore.2",
                             "x.before-restore.99", "x.BEFORE-RESTORE", ".before-restore"})
        EXPECT_EQ(KindOfName(kept), FileKind::kKeptAside) << kept;
    for (const char* memo : {"x.before-restore2", "x.before-restore.", "x.before-restore.2a", "before-restore",
                             "x.before-restore.txt", "x.restore", "x.tmp", "x.txt.tmp"})
        EXPECT_EQ(KindOfName(memo), FileKind::kMemo) << memo << ": not ours";
    // Every keep name reads back as one.
    for (const std::string base : {"Remark_2026-1-5.txt", "Notice_1-1-1.txt", "x.before-restore", ""})
        for (int n = 1; n <= kKeepNamesTried; ++n)
            EXPECT_EQ(KindOfName(KeepName(base, n)), FileKind::kKeptAside) << base << " " << n;
    EXPECT_EQ(KeepName("a.txt", 1), "a.txt.before-restore");
    EXPECT_EQ(KeepName("a.txt", 2), "a.txt.before-restore.2");
    EXPECT_EQ(KeepName("a.txt", 99), "a.txt.before-restore.99");
}

TEST(BackupRules, JournalReadsOnlyAsWrittenAndNamesARealBackup) {
    const std::string text = RestoreJournalText("2026-2-1");
    std::string name = "untouched";
    ASSERT_TRUE(ParseRestoreJournal(text, &name));
    EXPECT_EQ(name, "2026-2-1");
    // Half a journal (a write cut off) never reads.
    for (std::size_t n = 0; n < text.size(); ++n)
        EXPECT_FALSE(ParseRestoreJournal(text.substr(0, n), &name)) << n;
    const std::string head = text.substr(0, text.find("backup ") + 7);
    for (const std::string& bad : std::vector<std::string>
         {head + "..\\..\\Windows\r\n", head + "2026-2-30\r\n", head + "2026-02-01\r\n", head + "2026-2-1 \r\n",
          head + "2026-2-1\n", head + "2026-2-1\r\nbackup 2026-2-2\r\n", head + std::string("2026-2-1\0\r\n", 11),
          head + "2026-2-1.new\r\n", text + text, std::string("backup 2026-2-1\r\n"),
          head + std::string(5000, '1') + "\r\n"})
        EXPECT_FALSE(ParseRestoreJournal(bad, &name)) << bad;
    EXPECT_EQ(name, "2026-2-1") << "a rejected text leaves the name alone";
    // Any one byte changed either breaks it or still names a real day.
    for (std::size_t i = 0; i < text.size(); ++i) {
        for (int c = 0; c < 256; c += 7) {
            std::string changed = text;
            changed[i] = static_cast<char>(c);
            std::string got;
            Day d;
            if (ParseRestoreJournal(changed, &got)) {
                EXPECT_TRUE(ParseDayFolderName(got, &d)) << got;
                EXPECT_EQ(RestoreJournalText(got), changed);
            }
        }
    }
}

TEST(BackupRules, MessagesNameKeptAsideFilesApartFromMemos) {
    EXPECT_EQ(BackupMessage({4000, 0}, "X\\Backup\\2026-2-1", 0),
              "Backed up 4000 memo file(s) to X\\Backup\\2026-2-1.");
    EXPECT_EQ(BackupMessage({4000, 500}, "X\\Backup\\2026-2-1", 2),
              "Backed up 4000 memo file(s) and 500 kept-aside file(s) (<name>.before-restore) to "
              "X\\Backup\\2026-2-1. Removed 2 old backup(s).");
    EXPECT_EQ(RestoreMessage("2026-2-1", {3, 0, 0}), "Restored 3 file(s) from backup 2026-2-1.");
    EXPECT_EQ(RestoreMessage("2026-2-1", {3, 1, 2}),
              "Restored 3 file(s) from backup 2026-2-1. 1 changed memo file(s) kept as "
              "<name>.before-restore. 2 file(s) could not be restored.");
}
