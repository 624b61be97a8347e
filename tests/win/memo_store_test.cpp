// The memo store against the real file system: names, replacing saves, read
// limits, exclusive opens held by another process, refused paths and saves
// killed half way.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/memo/memo_store.h"
#include "platform/file.h"
#include "platform/handles.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void Save(const std::string& path, const std::string& bytes) {
    Memos().WriteDayFile(path, bytes.data(), bytes.size());
}

std::string Read(const std::string& path, std::size_t limit = kMemoReadLimit) {
    std::string text;
    EXPECT_TRUE(MemoStore::ReadDayFile(path, limit, text)) << path;
    return text;
}

class MemoStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        static int counter = 0;
        dir_ = std::string(temp) + "vellumo_memo_" + std::to_string(::GetCurrentProcessId()) + "_" +
               std::to_string(++counter);
        RemoveDirectoryTree(dir_);
        ASSERT_TRUE(::CreateDirectoryA(dir_.c_str(), nullptr));
        Memos().InitMemoPaths(dir_);
    }
    void TearDown() override {
        RemoveDirectoryTree(dir_);
        Memos().InitMemoPaths();
    }
    std::string Remark(int y, int m, int d) { return Memos().MemoPath(Date{y, m, d}); }
    std::string Notice(int y, int m, int d) { return Memos().NoticePath(Date{y, m, d}); }

    std::string dir_;
};

}  // namespace

TEST_F(MemoStoreTest, PathsAndNamesFollowTheDateText) {
    EXPECT_EQ(dir_ + "\\Remark", Memos().Paths().remarkDir);
    EXPECT_EQ(dir_ + "\\Notice", Memos().Paths().noticeDir);
    EXPECT_EQ(dir_ + "\\Remark\\Remark_2008-1-5.txt", Remark(2008, 1, 5));
    EXPECT_EQ(dir_ + "\\Notice\\Notice_2008-12-31.txt", Notice(2008, 12, 31));

    // The running program's own directory, cut before its last backslash.
    Memos().InitMemoPaths();
    EXPECT_EQ(TestProgramDir() + "\\Remark\\Remark_", Memos().Paths().remarkPrefix);
    EXPECT_EQ(TestProgramDir() + "\\Notice\\Notice_", Memos().Paths().noticePrefix);
}

TEST_F(MemoStoreTest, SavesCreateBothDirectoriesAndReplaceTheWholeFile) {
    const std::string memo = Remark(2008, 1, 5);
    std::string text;
    EXPECT_FALSE(MemoStore::ReadDayFile(memo, kMemoReadLimit, text));
    EXPECT_EQ("", text);

    Save(memo, MemoRecord("2008-1-5", "Dentist and a long line"));
    EXPECT_TRUE(FileExists(Memos().Paths().noticeDir));  // saving a memo creates Notice too
    Save(memo, MemoRecord("2008-1-5", "Dentist"));
    EXPECT_EQ("[2008-1-5] Dentist", Read(memo));
    EXPECT_EQ(18, FileSize(memo));

    // Saving only a time creates Remark too.
    RemoveDirectoryTree(dir_ + "\\Remark");
    RemoveDirectoryTree(dir_ + "\\Notice");
    const std::string notice = Notice(2008, 1, 5);
    Save(notice, NoticeText("", "30"));
    EXPECT_TRUE(FileExists(Memos().Paths().remarkDir));
    const std::optional<NoticeTime> time = ParseNoticeTime(Read(notice, kNoticeReadLimit));
    ASSERT_TRUE(time.has_value());
    EXPECT_EQ(0, time->hour);
    EXPECT_EQ(30, time->minute);

    // Nothing but the two files is left in the directories.
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((Memos().Paths().noticeDir + "\\*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search);
    if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
}

TEST_F(MemoStoreTest, ReadLimitsEmptyFilesAndDeletes) {
    const std::string memo = Remark(2008, 12, 31);
    std::string content(kMemoContentLimit, 'x');
    content[0] = 'a';
    const std::string record = MemoRecord(DateText(2008, 12, 31), content);
    Save(memo, record);
    EXPECT_EQ(4108, FileSize(memo));
    const std::string seen = Read(memo);
    EXPECT_EQ(record.substr(0, 4096), seen);

    // The text ends at a zero byte.
    Save(memo, std::string("ab\0cd", 5));
    EXPECT_EQ("ab", Read(memo));

    // An empty file counts as opened, with empty text.
    Save(memo, "");
    EXPECT_EQ(0, FileSize(memo));
    std::string text = "stale";
    EXPECT_TRUE(MemoStore::ReadDayFile(memo, kMemoReadLimit, text));
    EXPECT_EQ("", text);

    MemoStore::DeleteDayFile(memo);
    EXPECT_FALSE(FileExists(memo));
    MemoStore::DeleteDayFile(memo);  // missing: no error
    MemoStore::DeleteDayFile(Remark(1999, 2, 31));
}

TEST_F(MemoStoreTest, AFileHeldByAnotherProgramReadsAsNotOpenedAndAWriteReportsIt) {
    const std::string memo = Remark(2008, 1, 5);
    Save(memo, "[2008-1-5] old");
    {
        MemoSaverProcess holder("hold", memo);
        ASSERT_TRUE(holder.WaitReady());
        std::string text = "stale";
        EXPECT_FALSE(MemoStore::ReadDayFile(memo, kMemoReadLimit, text));
        EXPECT_EQ("", text);

        const DWORD start = ::GetTickCount();
        try {
            Save(memo, "[2008-1-5] new");
            ADD_FAILURE() << "a save to a held file succeeded";
        } catch (const CFileException& e) {
            EXPECT_EQ(CFileException::sharingViolation, e.m_cause);
            EXPECT_EQ(memo, e.m_strFileName);
            EXPECT_EQ("A sharing violation occurred while accessing " + memo + ".",
                      e.ErrorMessage());
        }
        EXPECT_GE(::GetTickCount() - start, 80u);  // retried before giving up
    }
    EXPECT_EQ("[2008-1-5] old", Read(memo));
    EXPECT_FALSE(FileExists(MemoStore::TempPath(memo)));
}

TEST_F(MemoStoreTest, ASaveWaitsForABriefReadOfTheOtherThread) {
    const std::string memo = Remark(2008, 1, 5);
    Save(memo, "[2008-1-5] old");
    CFile reader;
    ASSERT_TRUE(reader.Open(memo.c_str(), CFile::modeRead | CFile::shareExclusive));
    struct Release {
        CFile* file;
        static DWORD WINAPI Run(void* self) {
            ::Sleep(30);
            static_cast<Release*>(self)->file->Close();
            return 0;
        }
    } release{&reader};
    KernelHandle thread(::CreateThread(nullptr, 0, &Release::Run, &release, 0, nullptr));
    ASSERT_TRUE(thread);
    Save(memo, "[2008-1-5] new");  // must not throw
    ::WaitForSingleObject(thread.Get(), INFINITE);
    EXPECT_EQ("[2008-1-5] new", Read(memo));

    // The same for a delete.
    ASSERT_TRUE(reader.Open(memo.c_str(), CFile::modeRead | CFile::shareExclusive));
    KernelHandle again(::CreateThread(nullptr, 0, &Release::Run, &release, 0, nullptr));
    MemoStore::DeleteDayFile(memo);
    ::WaitForSingleObject(again.Get(), INFINITE);
    EXPECT_FALSE(FileExists(memo));
}

TEST_F(MemoStoreTest, AReadOnlyProgramDirectoryRefusesTheSaveAndKeepsTheMemo) {
    const std::string memo = Remark(2008, 1, 5);
    Save(memo, "[2008-1-5] kept");
    for (const std::string& path : {memo, Memos().Paths().remarkDir, Memos().Paths().noticeDir, dir_})
        ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY)) << path;
    // Root under Wine writes into read-only directories anyway; there a
    // directory in the place of the new bytes refuses them the same way.
    const std::string probe = Memos().Paths().remarkDir + "\\probe.txt";
    FileHandle created(::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (created) {
        created.Reset();
        ::DeleteFileA(probe.c_str());
        ::SetFileAttributesA(Memos().Paths().remarkDir.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(::CreateDirectoryA(MemoStore::TempPath(memo).c_str(), nullptr));
    }
    try {
        Save(memo, "[2008-1-5] lost?");
        ADD_FAILURE() << "a save into a read-only directory succeeded";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::accessDenied, e.m_cause);
        EXPECT_EQ("Access to " + memo + " was denied.", e.ErrorMessage());
    }
    EXPECT_EQ("[2008-1-5] kept", Read(memo));
    EXPECT_EQ(15, FileSize(memo));
}

TEST_F(MemoStoreTest, PathsThatDoNotFitAreNeitherOverrunNorCut) {
    for (std::size_t length : {240u, 250u, 300u}) {
        const std::string dir = "C:\\" + std::string(length - 3, 'd');
        Memos().InitMemoPaths(dir);
        EXPECT_EQ(dir + "\\Remark", Memos().Paths().remarkDir);  // whole, never cut
        EXPECT_EQ(dir + "\\Notice\\Notice_", Memos().Paths().noticePrefix);
        const std::string memo = Memos().MemoPath(Date{2008, 1, 5});
        EXPECT_EQ(dir + "\\Remark\\Remark_2008-1-5.txt", memo);  // whole, never cut
        // An equal copy of the prefix names the same file.
        EXPECT_EQ(memo, MakeDayFilePath(std::string(Memos().Paths().remarkPrefix), 2008, 1, 5));
        std::string text = "stale";
        EXPECT_FALSE(MemoStore::ReadDayFile(memo, kMemoReadLimit, text));
        EXPECT_EQ("", text);
        try {
            Save(memo, "[2008-1-5] x");
            ADD_FAILURE() << "a save to a path that does not fit succeeded";
        } catch (const CFileException& e) {
            EXPECT_EQ(memo, e.m_strFileName);
            EXPECT_NE(std::string::npos, e.ErrorMessage().find(memo));
        }
        MemoStore::DeleteDayFile(memo);
        EXPECT_EQ(dir + "\\Remark\\Remark_", Memos().Paths().remarkPrefix);
    }
    // A program directory that cannot be found leaves no prefix: the names
    // alone would be paths from the root of the current drive.
    Memos().InitMemoPaths(std::string());
    EXPECT_EQ("", Memos().MemoPath(Date{2008, 1, 5}));
    EXPECT_EQ("", Memos().Paths().noticeDir);
}

TEST_F(MemoStoreTest, AKilledSaveLeavesTheOldOrTheNewMemoWhole) {
    const std::string memo = Remark(2008, 1, 5);
    for (int round = 0; round < 10; ++round) {
        MemoSaverProcess saver("save", dir_);
        ASSERT_TRUE(saver.WaitReady());
        ::Sleep(5 * round);  // land at different points of the save
        saver.Kill();

        std::string text;
        ASSERT_TRUE(MemoStore::ReadDayFile(memo, 8u << 20, text)) << round;
        const bool first = text.size() == (6u << 20) && text.find_first_not_of('A') == std::string::npos;
        const bool second = text.size() == (4u << 20) && text.find_first_not_of('B') == std::string::npos;
        EXPECT_TRUE(first || second) << "round " << round << ": " << text.size() << " bytes";
    }
    // A temporary file left by the kill is no memo and does not stop a save.
    Save(memo, "[2008-1-5] after");
    EXPECT_EQ("[2008-1-5] after", Read(memo));
}

TEST_F(MemoStoreTest, ASaveWritesATemporaryFileOfItsOwnThatNoOtherWriterUses) {
    // Other writers of the same memo half way through their saves (the
    // backup program's import, an earlier version): their temporary files
    // are open and hold their bytes.
    const std::string memo = Remark(2008, 1, 5);
    Save(memo, "[2008-1-5] old");
    const std::string others[] = {memo + ".tmp", memo + ".sandrel.tmp"};
    std::vector<FileHandle> held;
    for (const std::string& other : others) {
        ASSERT_TRUE(WriteFileBytes(other, "[2008-1-5] theirs"));
        held.emplace_back(::CreateFileA(other.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.back().Valid());
    }
    Save(memo, "[2008-1-5] mine");  // must not throw
    EXPECT_EQ("[2008-1-5] mine", Read(memo));
    held.clear();
    for (const std::string& other : others) EXPECT_EQ("[2008-1-5] theirs", ReadFileText(other)) << other;
    EXPECT_FALSE(FileExists(MemoStore::TempPath(memo)));
}

TEST(FileException, ReportTextsNameTheFile) {
    struct Case { DWORD error; CFileException::Cause cause; const char* text; };
    for (const Case& c : {
             Case{ERROR_ACCESS_DENIED, CFileException::accessDenied, "Access to C:\\m.txt was denied."},
             Case{ERROR_SHARING_VIOLATION, CFileException::sharingViolation,
                  "A sharing violation occurred while accessing C:\\m.txt."},
             Case{ERROR_FILE_NOT_FOUND, CFileException::fileNotFound, "C:\\m.txt was not found."},
             Case{ERROR_PATH_NOT_FOUND, CFileException::badPath, "C:\\m.txt contains an incorrect path."},
             Case{ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles,
                  "Could not open C:\\m.txt because there are too many open files."},
             Case{ERROR_DISK_FULL, CFileException::diskFull, "Disk full while accessing C:\\m.txt."},
             Case{ERROR_INVALID_FUNCTION, CFileException::genericException,
                  "An unexpected error occurred while accessing C:\\m.txt."}}) {
        const CFileException e = CFileException::FromOsError(c.error, "C:\\m.txt");
        EXPECT_EQ(c.cause, e.m_cause) << c.error;
        EXPECT_EQ(c.text, e.ErrorMessage());
    }
}

// The grid no longer reads a day again after the editor: it takes what the
// store tells it, so what is told must be what the file then holds.
TEST_F(MemoStoreTest, SavesAndDeletesTellTheListenersWhatTheFileHolds) {
    struct Told {
        std::vector<std::string> lines;
        static void Take(void* self, const ::MemoStore::MemoChange& change) {
            std::string line = DateText(change.date.year, change.date.month, change.date.day);
            if (!change.known) line += " unknown";
            else if (!change.bytes) line += " gone";
            else line += " " + std::string(change.bytes, change.length);
            static_cast<Told*>(self)->lines.push_back(line);
        }
    } told;
    Memos().Listen(&Told::Take, &told);
    const Date day{2008, 1, 5};
    Memos().SaveNotice(day, "9:05", 4);  // the grid shows no notices
    Memos().SaveMemo(day, "[2008-1-5] Dentist", 18);
    EXPECT_EQ("[2008-1-5] Dentist", Read(Remark(2008, 1, 5)));
    {
        MemoSaverProcess holder("hold", Remark(2008, 1, 5));
        ASSERT_TRUE(holder.WaitReady());
        Memos().DeleteMemo(day);  // kept from happening: the file stays
    }
    EXPECT_TRUE(FileExists(Remark(2008, 1, 5)));
    Memos().DeleteMemo(day);
    Memos().DeleteMemo(day);  // missing already: gone all the same
    Memos().StopListening(&told);
    Memos().SaveMemo(day, "[2008-1-5] later", 16);  // no longer told

    const std::vector<std::string> expected = {"2008-1-5 [2008-1-5] Dentist", "2008-1-5 unknown",
                                               "2008-1-5 gone", "2008-1-5 gone"};
    EXPECT_EQ(expected, told.lines);
}

TEST_F(MemoStoreTest, RepeatingMemosLiveInTheirOwnFolderAndAheadBesideTheNotice) {
    RepeatMemo birthday;
    birthday.text = "Birthday";
    birthday.first = Date{2024, 2, 29};
    const unsigned changes = Memos().RepeatChanges();
    const std::string first = Memos().SaveRepeat("", birthday);
    EXPECT_EQ("Repeat_1.txt", first);
    EXPECT_TRUE(FileExists(dir_ + "\\Repeat\\Repeat_1.txt"));
    RepeatMemo rent = birthday;
    rent.text = "Rent";
    rent.unit = RepeatUnit::Months;
    EXPECT_EQ("Repeat_2.txt", Memos().SaveRepeat("", rent));
    rent.text = "Rent, raised";
    EXPECT_EQ("Repeat_2.txt", Memos().SaveRepeat("Repeat_2.txt", rent));
    EXPECT_NE(changes, Memos().RepeatChanges());
    // Files that are not repeating memos are left alone.
    WriteFileBytes(dir_ + "\\Repeat\\Repeat_x.txt", "first=2024-1-1\r\n\r\nstray");
    WriteFileBytes(dir_ + "\\Repeat\\Repeat_3.txt", "damaged");

    std::vector<MemoStore::StoredRepeat> read = Memos().ReadRepeats();
    ASSERT_EQ(2u, read.size());
    EXPECT_EQ("Birthday", read[0].memo.text);
    EXPECT_EQ("Rent, raised", read[1].memo.text);
    EXPECT_EQ(RepeatUnit::Months, read[1].memo.unit);
    // No day file changed, and the new name goes past every one there.
    EXPECT_FALSE(FileExists(Remark(2024, 2, 29)));
    EXPECT_EQ("Repeat_4.txt", Memos().SaveRepeat("", rent));
    EXPECT_TRUE(Memos().DeleteRepeat("Repeat_1.txt"));
    EXPECT_FALSE(FileExists(dir_ + "\\Repeat\\Repeat_1.txt"));
    EXPECT_EQ(2u, Memos().ReadRepeats().size());

    // Reminding ahead: its own file beside the notice, which is not touched.
    Memos().SaveNotice(Date{2026, 3, 12}, "9:05", 4);
    Memos().SaveAhead(Date{2026, 3, 12}, 1440);
    EXPECT_EQ(1440, Memos().ReadAhead(Date{2026, 3, 12}));
    EXPECT_EQ("9:05", Read(Notice(2026, 3, 12), kNoticeReadLimit));
    EXPECT_EQ(0, Memos().ReadAhead(Date{2026, 3, 13}));
    Memos().SaveAhead(Date{2026, 3, 12}, 0);
    EXPECT_FALSE(FileExists(dir_ + "\\Notice\\Ahead_2026-3-12.txt"));
    EXPECT_EQ("9:05", Read(Notice(2026, 3, 12), kNoticeReadLimit));
}
