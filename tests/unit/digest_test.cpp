#include "core/memo/announcement.h"
#include "core/memo/digest.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <tuple>
#include <vector>

namespace {

using Day = std::tuple<int, int, int>;

// Memo files by date; records the dates asked for.
struct FakeMemos {
    std::map<Day, std::string> files;
    std::vector<Day> asked;
    DayTextReader Reader() {
        return [this](int y, int m, int d) -> std::optional<std::string> {
            asked.emplace_back(y, m, d);
            auto it = files.find({y, m, d});
            if (it == files.end()) return std::nullopt;
            return it->second;
        };
    }
};

std::string Break(const std::string& text) { return BreakLongWords(text, nullptr); }

}  // namespace

TEST(BreakLongWords, Examples) {
    EXPECT_EQ("[2008-1-20] Team meeting at ten", Break("[2008-1-20] Team meeting at ten"));
    EXPECT_EQ("[2008-1-5] abcdefghijklmno pqrstuvwxyz",
              Break("[2008-1-5] abcdefghijklmnopqrstuvwxyz"));
    const std::string run46(46, 'a');
    EXPECT_EQ(run46.substr(0, 16) + " " + run46.substr(0, 16) + " " + run46.substr(0, 14),
              Break(run46));
    EXPECT_EQ("[2008-1-5] " + std::string(16, 'r') + "  x",
              Break("[2008-1-5] " + std::string(16, 'r') + " x"));
}

TEST(BreakLongWords, TextWithoutSpace) {
    EXPECT_EQ(std::string(16, 'a'), Break(std::string(16, 'a')));
    EXPECT_EQ(std::string(16, 'a') + " a", Break(std::string(17, 'a')));
    const std::string fifty(50, 'b');  // the bound is the entry length: 16, 16, 18
    EXPECT_EQ(fifty.substr(0, 16) + " " + fifty.substr(0, 16) + " " + fifty.substr(0, 18),
              Break(fifty));
}

TEST(BreakLongWords, RunsBeforeSpacesAndTail) {
    // Runs of 17 and 40 before spaces, then a tail of 20: 15 + 5.
    const std::string text =
        std::string(17, 'a') + " " + std::string(40, 'b') + " " + std::string(20, 'c');
    EXPECT_EQ(std::string(16, 'a') + " a " + std::string(16, 'b') + " " + std::string(16, 'b') +
                  " " + std::string(8, 'b') + " " + std::string(15, 'c') + " " +
                  std::string(5, 'c'),
              Break(text));
    EXPECT_EQ("x " + std::string(16, 'c'), Break("x " + std::string(16, 'c')));  // tail of 16 stays
    // A 48-byte tail: 15, 16, then 17 (the bound is the length before the tail cut).
    EXPECT_EQ("x " + std::string(15, 'c') + " " + std::string(16, 'c') + " " + std::string(17, 'c'),
              Break("x " + std::string(48, 'c')));
}

TEST(BreakLongWords, SpaceSearchStepsOverDoubleByteCharacters) {
    // 0x81 leads a two-byte character whose trail byte is 0x20: no real space.
    const auto lead = [](unsigned char c) { return c == 0x81; };
    const std::string text = std::string(10, 'a') + "\x81 " + std::string(10, 'a');
    EXPECT_EQ(text.substr(0, 16) + " " + text.substr(16), BreakLongWords(text, lead));
}

TEST(Digest, CollectsTheMemosOfTheWindow) {
    FakeMemos memos;
    memos.files[{2008, 1, 20}] = "[2008-1-20] Team meeting at ten";
    memos.files[{2008, 1, 22}] = "[2008-1-22] Dentist";
    memos.files[{2008, 1, 23}] = "[2008-1-23] Outside the window";
    const std::string digest = BuildDigest(2008, 1, 20, 3, memos.Reader(), nullptr);
    EXPECT_EQ("[2008-1-20] Team meeting at ten\n[2008-1-22] Dentist\n", digest);
    EXPECT_EQ(digest + "\n\n\n", TickerText(digest, 3));
}

TEST(Digest, RollsIntoTheNextMonthAndYear) {
    FakeMemos memos;
    BuildDigest(2008, 1, 30, 3, memos.Reader(), nullptr);
    BuildDigest(2008, 12, 30, 3, memos.Reader(), nullptr);
    BuildDigest(2008, 2, 30, 2, memos.Reader(), nullptr);  // no such day, still asked
    BuildDigest(2008, 2, 30, 0, memos.Reader(), nullptr);
    const std::vector<Day> expected = {{2008, 1, 30}, {2008, 1, 31}, {2008, 2, 1},
                                       {2008, 12, 30}, {2008, 12, 31}, {2009, 1, 1},
                                       {2008, 2, 30}, {2008, 3, 1}};
    EXPECT_EQ(expected, memos.asked);
}

TEST(Digest, EmptyFilesAndLongTexts) {
    FakeMemos memos;
    memos.files[{2008, 1, 20}] = "";
    memos.files[{2008, 1, 21}] = std::string(16, 'a');
    memos.files[{2008, 1, 22}] = std::string(17, 'b');
    EXPECT_EQ("\n" + std::string(16, 'a') + "\n" + std::string(16, 'b') + " b\n",
              BuildDigest(2008, 1, 20, 3, memos.Reader(), nullptr));
}

TEST(Digest, FallbackTexts) {
    EXPECT_EQ("\n\nNo memo today. Please click a date to add notes.\n\n\n\n\n\n", TickerText("", 1));
    EXPECT_EQ("\n\nNo memo in 5 days. Please click a date to add notes.\n\n\n\n\n\n",
              TickerText("", 5));
    FakeMemos none;
    EXPECT_EQ("", BuildDigest(2008, 1, 20, 7, none.Reader(), nullptr));
}

TEST(Digest, StopsAtTheLastYearInsteadOfOverflowing) {
    FakeMemos memos;
    memos.files[{INT_MAX, 12, 31}] = "last";
    EXPECT_EQ("last\n", BuildDigest(INT_MAX, 12, 30, 7, memos.Reader(), nullptr));
    const std::vector<Day> expected = {{INT_MAX, 12, 30}, {INT_MAX, 12, 31}};
    EXPECT_EQ(expected, memos.asked);
}

// A box that fits `rows` lines of `width` bytes, lines broken at spaces.
AnnouncementFits BoxOf(std::size_t rows, std::size_t width) {
    return [=](const std::string& text) {
        std::size_t count = 0;
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            count += (end - start + width - 1) / width + (end == start ? 1 : 0);
            start = end + 1;
        }
        return count <= rows;
    };
}

TEST(Announcement, MemosThatFitShowWholeWithTheirBreaks) {
    const std::vector<std::string> memos = {"[2008-1-20] Team meeting at ten\r\nRoom 4\r\n", "",
                                            "[2008-1-22] Dentist\r\n\r\nbring the card"};
    EXPECT_EQ("[2008-1-20] Team meeting at ten\nRoom 4\n\n[2008-1-22] Dentist\n\nbring the card\n",
              AnnouncementText(memos, BoxOf(20, 80), nullptr));
}

TEST(Announcement, WhatDoesNotFitIsCutAtAWordAndCounted) {
    std::string longMemo = "[2008-1-5] first line\r\n";
    for (int i = 0; i < 40; ++i) longMemo += "line " + std::to_string(i) + " of many words here\r\n";
    const std::vector<std::string> memos = {"[2008-1-4] short", longMemo, "[2008-1-6] x", "[2008-1-7] y"};
    const AnnouncementFits fits = BoxOf(10, 80);
    const std::string text = AnnouncementText(memos, fits, nullptr);
    EXPECT_TRUE(fits(text)) << text;
    EXPECT_EQ(0u, text.find("[2008-1-4] short\n[2008-1-5] first line\nline 0 of many words here\n"));
    // The closing line counts the lines of the cut memo and the memos after it.
    const std::size_t close = text.rfind("... and ");
    ASSERT_NE(std::string::npos, close);
    EXPECT_NE(std::string::npos, text.find(" more lines and 2 more memos in the ticker.\n", close)) << text;
    // One more word would not have fitted.
    EXPECT_FALSE(BoxOf(9, 80)(text));

    // A line cut inside ends after a whole word, with "...".
    const auto atMost = [](std::size_t bytes) {
        return [bytes](const std::string& text) { return text.size() <= bytes; };
    };
    EXPECT_EQ("[2008-1-5] alpha beta...\n... and 1 more line in the ticker.\n",
              AnnouncementText({"[2008-1-5] alpha beta gamma delta epsilon zeta eta theta iota kappa"},
                               atMost(62), nullptr));
    // A box too small for any memo still says what the ticker has.
    EXPECT_EQ("... and 3 more memos in the ticker.\n",
              AnnouncementText({"[2008-1-5] a b c d e f g h i j k", "b", "c"}, atMost(36), nullptr));
    // Never inside a double-byte character: its trail byte is no space.
    const auto lead = [](unsigned char c) { return c == 0x81; };
    EXPECT_EQ("[2008-1-5]...\n... and 1 more line in the ticker.\n",
              AnnouncementText({"[2008-1-5] \x81\x20" + std::string(60, 'x')}, atMost(60), lead));
}
