#include "core/memo/memo_search.h"

#include <gtest/gtest.h>

namespace {
// A code page where 0x81..0x9F lead a two-byte character, as in Shift-JIS,
// whose trail bytes include ASCII letters.
bool FakeLeadByte(unsigned char c) { return c >= 0x81 && c <= 0x9F; }

std::vector<std::string> Words(const std::string& query) { return QueryWords(query, &FakeLeadByte); }
}  // namespace

TEST(MemoSearch, AllWordsAnyCaseAndTheFirstWordsLineIsShown) {
    const std::string memo = "Buy milk\r\nDENTIST at 9, Dr. Hale\r\nthen work";
    EXPECT_EQ(Words("  dentist\thale "), (std::vector<std::string>{"dentist", "hale"}));
    EXPECT_EQ(MatchMemo(memo, Words("dentist hale"), &FakeLeadByte), "DENTIST at 9, Dr. Hale");
    EXPECT_EQ(MatchMemo(memo, Words("WORK milk"), &FakeLeadByte), "then work");
    EXPECT_EQ(MatchMemo(memo, Words("dentist cake"), &FakeLeadByte), std::nullopt);
    EXPECT_EQ(MatchMemo(memo, Words("   "), &FakeLeadByte), std::nullopt);
    EXPECT_EQ(MatchMemo("one line", Words("LINE"), nullptr), "one line");
}

TEST(MemoSearch, DoubleByteCharactersMatchWholeNeverFromATrailByte) {
    // 0x83 0x41 is one character whose trail byte is "A"; 0x83 0x61 another.
    const std::string text = "x\x83\x41y \x83\x61";
    EXPECT_EQ(FindWord(text, "a", &FakeLeadByte), std::string::npos);
    EXPECT_EQ(FindWord(text, "\x41y", &FakeLeadByte), std::string::npos);
    EXPECT_EQ(FindWord(text, "\x83\x41", &FakeLeadByte), 1u);
    EXPECT_EQ(FindWord(text, "\x83\x41Y", &FakeLeadByte), 1u);  // case folds only ASCII
    // Case folding never makes one double-byte character another.
    EXPECT_EQ(FindWord("\x83\x61", "\x83\x41", &FakeLeadByte), std::string::npos);
    // A lead byte of the text is not matched by a query's single byte.
    EXPECT_EQ(FindWord("\x83\x41", "\x83", &FakeLeadByte), std::string::npos);
    // Without a double-byte code page the same bytes are two characters.
    EXPECT_EQ(FindWord(text, "a", nullptr), 2u);
    // A blank that is a trail byte does not split a query.
    EXPECT_EQ(Words("\x83\x20z"), (std::vector<std::string>{"\x83\x20z"}));
    EXPECT_EQ(MatchMemo("first\n\x83\x41\x83\x42 memo", Words("\x83\x42"), &FakeLeadByte),
              "\x83\x41\x83\x42 memo");
}

TEST(MemoSearch, OnlyTheStoresOwnFileNamesGiveADate) {
    EXPECT_EQ(DateOfDayFileName("Remark_2008-1-5.txt", "Remark_"), (Date{2008, 1, 5}));
    EXPECT_EQ(DateOfDayFileName("REMARK_2024-2-29.TXT", "Remark_"), (Date{2024, 2, 29}));
    EXPECT_EQ(DateOfDayFileName("Remark_2026-12-9.txt", "Remark_"), (Date{2026, 12, 9}));
    for (const char* other : {"Remark_2008-01-05.txt", "Remark_2023-2-29.txt", "Remark_2008-13-1.txt",
                              "Remark_2008-1-5.txt.bak", "Notice_2008-1-5.txt", "Remark_2008-1.txt",
                              "Remark_-2008-1-5.txt", "Remark_2008-1-0.txt", "Remark_.txt",
                              "Remark_2026-01-09.txt", "Remark_2026-2-30.txt", "Remark_2026-1-9",
                              "Remark_99999999999-1-1.txt", "Remark_2026-1-.txt", "Remark_2026--1-1.txt",
                              "2026-1-9.txt"})
        EXPECT_EQ(DateOfDayFileName(other, "Remark_"), std::nullopt) << other;
}

TEST(MemoSearch, NewestDateFirst) {
    std::vector<MemoHit> hits = {{{2008, 1, 5}, "a"}, {{2009, 1, 1}, "b"}, {{2008, 12, 1}, "c"},
                                 {{2008, 1, 31}, "d"}};
    SortNewestFirst(hits);
    std::string order;
    for (const MemoHit& hit : hits) order += hit.line;
    EXPECT_EQ(order, "bcda");
}
