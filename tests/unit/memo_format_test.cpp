#include "core/memo/memo_format.h"

#include <gtest/gtest.h>

namespace {
// A code page where 0x81..0x9F lead a two-byte character, as in Shift-JIS.
bool FakeLeadByte(unsigned char c) { return c >= 0x81 && c <= 0x9F; }
}  // namespace

TEST(MemoFormat, DayFilePathsUseThePlainDateText) {
    const MemoPaths paths = MakeMemoPaths("X:\\Tools");
    EXPECT_EQ("X:\\Tools\\Remark", paths.remarkDir);
    EXPECT_EQ("X:\\Tools\\Notice", paths.noticeDir);
    EXPECT_EQ("X:\\Tools\\Remark\\Remark_2008-1-5.txt",
              MakeDayFilePath(paths.remarkPrefix, 2008, 1, 5));
    EXPECT_EQ("X:\\Tools\\Notice\\Notice_2008-12-31.txt",
              MakeDayFilePath(paths.noticePrefix, 2008, 12, 31));
    // The path follows the prefix's value, wherever the prefix is held.
    const char heldElsewhere[] = "X:\\Tools\\Remark\\Remark_";
    EXPECT_EQ(MakeDayFilePath(paths.remarkPrefix, 2008, 1, 5),
              MakeDayFilePath(heldElsewhere, 2008, 1, 5));
    EXPECT_EQ("0-12-31", DateText(0, 12, 31));
    EXPECT_EQ("-1-1-1", DateText(-1, 1, 1));
    EXPECT_EQ("-2147483648-2-31", DateText(-2147483647 - 1, 2, 31));
}

TEST(MemoFormat, PathsThatDoNotFitAreRefusedNotCut) {
    const std::string dir(240, 'd');
    const MemoPaths paths = MakeMemoPaths(dir);
    EXPECT_EQ(dir + "\\Remark", paths.remarkDir);   // 247 bytes
    EXPECT_EQ(dir + "\\Notice", paths.noticeDir);
    EXPECT_EQ(dir + "\\Remark\\Remark_", paths.remarkPrefix);  // 255 bytes: just fits
    EXPECT_TRUE(FitsPathBuffer(paths.remarkPrefix));
    const std::string whole = MakeDayFilePath(paths.remarkPrefix, 2008, 1, 5);
    EXPECT_EQ(dir + "\\Remark\\Remark_2008-1-5.txt", whole);  // whole, never cut
    EXPECT_FALSE(FitsPathBuffer(whole));
    EXPECT_EQ("", MakeDayFilePath("", 2008, 1, 5));  // no prefix: no relative path
    EXPECT_FALSE(FitsPathBuffer(""));

    const MemoPaths tooLong = MakeMemoPaths(std::string(245, 'd'));
    EXPECT_EQ(std::string(245, 'd') + "\\Remark", tooLong.remarkDir);
    EXPECT_EQ(std::string(245, 'd') + "\\Remark\\Remark_", tooLong.remarkPrefix);
    EXPECT_FALSE(FitsPathBuffer(tooLong.remarkPrefix));
    EXPECT_FALSE(FitsPathBuffer(tooLong.noticePrefix));

    const std::string prefix(255 - 12, 'p');  // + "2008-1-5.txt" = 255
    EXPECT_EQ(255u, MakeDayFilePath(prefix, 2008, 1, 5).size());
    EXPECT_TRUE(FitsPathBuffer(MakeDayFilePath(prefix, 2008, 1, 5)));
    EXPECT_FALSE(FitsPathBuffer(MakeDayFilePath(prefix, 2008, 1, 15)));
}

TEST(MemoFormat, ProgramDirectoryCutsBeforeTheLastRealBackslash) {
    EXPECT_EQ("C:\\Tools\\Cal", ProgramDirectory("C:\\Tools\\Cal\\cal.exe", FakeLeadByte));
    EXPECT_EQ("cal.exe", ProgramDirectory("cal.exe", FakeLeadByte));
    // "\x95\x5C" is one character whose trail byte is a backslash.
    EXPECT_EQ("C:\\\x95\x5C", ProgramDirectory("C:\\\x95\x5C\\a.exe", FakeLeadByte));
    EXPECT_EQ("C:", ProgramDirectory("C:\\\x95\x5C" "a.exe", FakeLeadByte));
    EXPECT_EQ("C:\\\x95", ProgramDirectory("C:\\\x95\x5C" "a.exe", nullptr));
}

TEST(MemoFormat, TextOfAReadStopsAtZeroOrLimit) {
    const char bytes[] = {'a', 'b', '\0', 'c'};
    EXPECT_EQ("ab", TextOfRead(bytes, 4, 4096));
    EXPECT_EQ("a", TextOfRead(bytes, 4, 1));
    EXPECT_EQ("ab", TextOfRead("abcdef", 2, 16));
}

TEST(MemoFormat, MemoRecordAndItsHead) {
    EXPECT_EQ("[2008-1-5] Dentist", MemoRecord("2008-1-5", "Dentist"));
    EXPECT_EQ("Dentist", CutMemoHead("[2008-1-5] Dentist"));
    EXPECT_EQ("x", CutMemoHead("[2008-12-31] x"));  // "]" at 11: from 13 on
    EXPECT_EQ("y", CutMemoHead("[2008-12-31]xy"));  // the byte after "]" is dropped whatever it is
    EXPECT_EQ("", CutMemoHead("[2008-1-5]"));
    EXPECT_EQ("", CutMemoHead("[2008-1-5] "));
    EXPECT_EQ("[12345678901] x", CutMemoHead("[12345678901] x"));  // "]" at 12
    EXPECT_EQ("no head", CutMemoHead("no head"));
}

TEST(MemoFormat, NoticeTimeReading) {
    EXPECT_EQ("9:05", NoticeText("9", "05"));
    EXPECT_EQ(":30", NoticeText("", "30"));
    struct Case { const char* text; int hour; int minute; };
    for (const Case& c : {Case{"1:30", 1, 30}, Case{":30", 0, 30}, Case{"007:5", 7, 5},
                          Case{"-0:0", 0, 0}, Case{" 7:+5", 7, 5}, Case{":", 0, 0},
                          Case{"99999999999:0", 2147483647, 0}, Case{"1:2:3", 1, 2}}) {
        const std::optional<NoticeTime> t = ParseNoticeTime(c.text);
        ASSERT_TRUE(t.has_value()) << c.text;
        EXPECT_EQ(c.hour, t->hour) << c.text;
        EXPECT_EQ(c.minute, t->minute) << c.text;
    }
    EXPECT_FALSE(ParseNoticeTime("").has_value());
    EXPECT_FALSE(ParseNoticeTime("99999999999").has_value());
    EXPECT_EQ("007", SplitNoticeText("007:5")->hour);
    EXPECT_EQ("5", SplitNoticeText("007:5")->minute);
}
