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

TEST(Announcement, OneReadableLinePerMemo) {
    // Fitting one-line entries and empty ones stay as they are.
    EXPECT_EQ("[2008-1-20] Team meeting at ten\n\n",
              AnnouncementText({"[2008-1-20] Team meeting at ten", ""}, 100, nullptr));
    // Line breaks and tabs become single spaces.
    EXPECT_EQ("[2008-1-5] a b c d\n",
              AnnouncementText({"[2008-1-5] a \r\n b\r\n\r\nc\td\r\n"}, 100, nullptr));

    // A 4 KB memo of words is cut after a whole word.
    std::string words = "[2008-1-5]";
    while (words.size() < 4096) words += " word" + std::to_string(words.size() % 10);
    const std::string cut = AnnouncementText({words, words}, 100, nullptr);
    const std::string first = cut.substr(0, cut.find('\n'));
    EXPECT_LE(first.size(), 100u);
    EXPECT_GE(first.size(), 90u);
    ASSERT_EQ("...", first.substr(first.size() - 3));
    const std::string kept = first.substr(0, first.size() - 3);
    EXPECT_EQ(words.substr(0, kept.size() + 1), kept + " ");  // a whole word precedes "..."
    EXPECT_EQ(first + "\n" + first + "\n", cut);

    // No space in the second half: cut at the limit.
    const std::string run = "[2008-1-5] " + std::string(200, 'x');
    EXPECT_EQ(run.substr(0, 97) + "...\n", AnnouncementText({run}, 100, nullptr));
    // ... but never inside a double-byte character.
    const auto lead = [](unsigned char c) { return c == 0x81; };
    std::string wide;
    for (int i = 0; i < 100; ++i) wide += "\x81\x40";
    EXPECT_EQ(wide.substr(0, 96) + "...\n", AnnouncementText({wide}, 100, lead));
}
