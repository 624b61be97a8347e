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

TEST(BackupRules, JournalReadsOnlyAsWrittenAndNamesARealBackupAndPlainFiles) {
    RestoreJournal journal;
    journal.backup = "2026-2-1-import-2";
    journal.entries = {{"Remark", "Remark_2026-1-5.txt", FileState{}, StateOfBytes("[2026-1-5] a"), false},
                       {"Notice", "Notice_2026-1-5 copy.txt", StateOfBytes(""), StateOfBytes("9:05"), false}};
    const std::string text = RestoreJournalText(journal);
    const auto same = [](const RestoreJournal& a, const RestoreJournal& b) {
        if (a.backup != b.backup || a.listed != b.listed || a.entries.size() != b.entries.size()) return false;
        for (std::size_t i = 0; i < a.entries.size(); ++i) {
            const JournalEntry &x = a.entries[i], &y = b.entries[i];
            if (x.folder != y.folder || x.name != y.name || x.before != y.before || x.after != y.after ||
                x.done != y.done)
                return false;
        }
        return true;
    };
    RestoreJournal read;
    ASSERT_TRUE(ParseRestoreJournal(text, &read));
    EXPECT_TRUE(same(read, journal));
    EXPECT_TRUE(read.listed);
    EXPECT_NE(StateOfBytes(""), FileState{}) << "an empty file is no missing one";

    // Half a list (a write cut off) never reads; a cut in the lines added
    // after it only loses those lines.
    for (std::size_t n = 0; n < text.size(); ++n) EXPECT_FALSE(ParseRestoreJournal(text.substr(0, n), &read)) << n;
    const std::string progressed = text + JournalDoneLine(1);
    for (std::size_t n = text.size(); n <= progressed.size(); ++n) {
        ASSERT_TRUE(ParseRestoreJournal(progressed.substr(0, n), &read)) << n;
        EXPECT_EQ(read.entries[1].done, n == progressed.size()) << n;
        EXPECT_FALSE(read.entries[0].done);
    }
    journal.entries[1].done = true;
    EXPECT_EQ(RestoreJournalText(journal), progressed);
    ASSERT_TRUE(ParseRestoreJournal(progressed + JournalDoneLine(7) + JournalDoneLine(0), &read));
    EXPECT_FALSE(read.entries[0].done) << "lines after one that does not read are not taken";

    const std::string head = text.substr(0, text.find("backup ") + 7);
    const std::string list = text.substr(text.find("\r\n", head.size()) + 2);
    const std::string entry = "file Remark - 3:0123456789abcdef ";
    read = journal;
    for (const std::string& bad : std::vector<std::string>{
             head + "..\\..\\Windows\r\n" + list, head + "2026-2-30\r\n" + list, head + "2026-02-01\r\n" + list,
             head + "2026-2-1 \r\n" + list, head + "2026-2-1.new\r\n" + list, head + "2026-2-1-import-0\r\n" + list,
             head + "2026-2-1\r\n" + entry + "..\r\nend\r\n", head + "2026-2-1\r\n" + entry + "a\\b\r\nend\r\n",
             head + "2026-2-1\r\n" + entry + "..\\x\r\nend\r\n", head + "2026-2-1\r\n" + entry + "C:x\r\nend\r\n",
             head + "2026-2-1\r\n" + entry + "a/b\r\nend\r\n", head + "2026-2-1\r\n" + entry + "\r\nend\r\n",
             head + "2026-2-1\r\n" + std::string(entry + "a\tb\r\nend\r\n"),
             head + "2026-2-1\r\nfile Backup - 3:0123456789abcdef x\r\nend\r\n",
             head + "2026-2-1\r\nfile Remark - 3:0123456789ABCDEF x\r\nend\r\n",
             head + "2026-2-1\r\nfile Remark - 03:0123456789abcdef x\r\nend\r\n",
             head + "2026-2-1\r\nfile Remark - - x\r\nend\r\n", head + "2026-2-1\r\nfile Remark - 3:01 x\r\nend\r\n",
             head + "2026-2-1\r\nnote\r\nend\r\n", head + "2026-2-1\r\n", std::string("backup 2026-2-1\r\nend\r\n")})
        EXPECT_FALSE(ParseRestoreJournal(bad, &read)) << bad;
    EXPECT_TRUE(same(read, journal)) << "a rejected text leaves the journal alone";

    // An earlier version's journal names the backup alone, and reads so.
    const std::string old = "Sandrel restore journal 1\r\nbackup 2026-2-1\r\n";
    ASSERT_TRUE(ParseRestoreJournal(old, &read));
    EXPECT_EQ(read.backup, "2026-2-1");
    EXPECT_FALSE(read.listed);
    EXPECT_TRUE(read.entries.empty());
    for (std::size_t n = 0; n < old.size(); ++n) EXPECT_FALSE(ParseRestoreJournal(old.substr(0, n), &read)) << n;
    EXPECT_FALSE(ParseRestoreJournal(old + old, &read));

    // Any one byte changed either breaks it or still names a real backup and
    // plain file names, and reads back as written.
    for (std::size_t i = 0; i < text.size(); ++i) {
        for (int c = 0; c < 256; c += 7) {
            std::string changed = text;
            changed[i] = static_cast<char>(c);
            RestoreJournal got;
            BackupName b;
            if (!ParseRestoreJournal(changed, &got)) continue;
            EXPECT_TRUE(ParseBackupName(got.backup, &b)) << got.backup;
            for (const JournalEntry& e : got.entries)
                EXPECT_EQ(e.name.find_first_of("\\/:"), std::string::npos) << e.name;
            RestoreJournal again;
            ASSERT_TRUE(ParseRestoreJournal(RestoreJournalText(got), &again));
            EXPECT_TRUE(same(again, got));
        }
    }
}

TEST(BackupRules, ACutOffRestoreIsFinishedOnlyWhereNoOneChangedAFileSince) {
    const FileState missing, earlier = StateOfBytes("[2026-1-5] earlier"), restored = StateOfBytes("[2026-1-5] old"),
                             edited = StateOfBytes("[2026-1-5] edited");
    EXPECT_NE(StateOfBytes("[2026-1-5] earlieR"), earlier) << "same size, other bytes";
    const JournalEntry replace{"Remark", "x", earlier, restored, false}, create{"Remark", "x", missing, restored, false};
    EXPECT_EQ(ChooseFinishStep(replace, earlier), FinishStep::kFinish);
    EXPECT_EQ(ChooseFinishStep(replace, restored), FinishStep::kLeave);
    EXPECT_EQ(ChooseFinishStep(replace, edited), FinishStep::kDrop);
    EXPECT_EQ(ChooseFinishStep(replace, missing), FinishStep::kDrop) << "deleted since";
    EXPECT_EQ(ChooseFinishStep(create, missing), FinishStep::kFinish);
    EXPECT_EQ(ChooseFinishStep(create, edited), FinishStep::kDrop) << "written since";
    // Restored before the cut and deleted or edited since: never put back.
    for (const FileState& now : {missing, earlier, edited}) {
        EXPECT_EQ(ChooseFinishStep({"Remark", "x", missing, restored, true}, now), FinishStep::kLeave);
        EXPECT_EQ(ChooseFinishStep({"Remark", "x", earlier, restored, true}, now), FinishStep::kLeave);
    }

    FinishCount count;
    count.finished = 3;
    count.already = 2;
    EXPECT_EQ(FinishMessage("2026-2-1", count),
              "Finished the restore of backup 2026-2-1 that was cut off: 3 file(s) restored now, 2 restored before.");
    for (int i = 1; i <= 7; ++i) count.dropped.push_back("Remark\\" + std::to_string(i));
    count.failed = 1;
    EXPECT_EQ(FinishMessage("2026-2-1", count),
              "Finished the restore of backup 2026-2-1 that was cut off: 3 file(s) restored now, 2 restored before. "
              "7 file(s) changed since the restore began were left as they are: Remark\\1, Remark\\2, Remark\\3, "
              "Remark\\4, Remark\\5 and 2 more. 1 file(s) could not be restored.");
}

TEST(BackupRules, EachImportHasABackupOfItsOwnKeptApartFromTheDaysOwn) {
    BackupName b;
    ASSERT_TRUE(ParseBackupName("2026-1-5-import-12", &b));
    EXPECT_EQ(DayFolderName(b.day), "2026-1-5");
    EXPECT_EQ(b.import, 12);
    EXPECT_EQ(BackupFolderName(b), "2026-1-5-import-12");
    ASSERT_TRUE(ParseBackupName("2026-1-5", &b));
    EXPECT_EQ(b.import, 0);
    for (const char* bad : {"2026-1-5-import-0", "2026-1-5-import-01", "2026-1-5-import-", "2026-1-5-Import-1",
                            "2026-1-5-import-1.new", "2026-1-5-import-10000", "2026-1-5-import-1-import-2",
                            "2026-2-30-import-1", "2026-1-5 import 1"})
        EXPECT_FALSE(ParseBackupName(bad, &b)) << bad;
    Day d;
    EXPECT_FALSE(ParseDayFolderName("2026-1-5-import-1", &d)) << "no day's own backup";

    const Day day{2026, 1, 5};
    EXPECT_EQ(NextImportBackupName({"2026-1-5", "2026-1-4-import-3", "notes"}, day), "2026-1-5-import-1");
    EXPECT_EQ(NextImportBackupName({"2026-1-5-import-1", "2026-1-5-import-7", "2026-1-6-import-9"}, day),
              "2026-1-5-import-8");
    EXPECT_EQ(NextImportBackupName({"2026-1-5-import-9999"}, day), "");
    // A sync's backup is counted with the imports, and restored by its name.
    EXPECT_EQ(NextImportBackupName({"2026-1-5-import-2"}, day, true), "2026-1-5-sync-3");
    EXPECT_EQ(NextImportBackupName({"2026-1-5-sync-3"}, day), "2026-1-5-import-4");
    EXPECT_EQ(ParseCommand("restore 2026-1-5-sync-3").backup, "2026-1-5-sync-3");
    EXPECT_FALSE(ParseBackupName("2026-1-5-sync-0", &b));

    const Command restore = ParseCommand("restore 2026-1-5-import-2");
    ASSERT_EQ(restore.kind, Command::kRestore);
    EXPECT_EQ(restore.backup, "2026-1-5-import-2");
    EXPECT_EQ(ParseCommand("restore 2026-1-5").backup, "2026-1-5");

    const std::vector<std::string> names = {"2026-1-5", "2026-1-5-import-2", "2026-1-4-import-1", "2026-1-5-import-10",
                                            "2026-1-6", "2026-1-4"};
    EXPECT_EQ(BackupsNewestFirst(names),
              (std::vector<std::string>{"2026-1-6", "2026-1-5-import-10", "2026-1-5-import-2", "2026-1-5",
                                        "2026-1-4-import-1", "2026-1-4"}));
    // Each kind keeps its newest: imports never push out the days' backups.
    EXPECT_EQ(BackupsToRemove(names, 2), (std::vector<std::string>{"2026-1-4-import-1", "2026-1-4"}));
    std::vector<std::string> many = {"2026-1-1", "2026-1-2"};
    for (int n = 1; n <= 40; ++n) many.push_back("2026-1-2-import-" + std::to_string(n));
    const std::vector<std::string> removed = BackupsToRemove(many, 30);
    EXPECT_EQ(removed.size(), 10u);
    for (const std::string& r : removed) EXPECT_NE(r.find("-import-"), std::string::npos) << r;
    EXPECT_EQ(removed.front(), "2026-1-2-import-10");
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
