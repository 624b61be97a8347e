#include "core/memo/search_index.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// A stand-in for the system's lower case: ASCII, Latin-1 and Greek
// capitals, with the fold completed as the finder does it.
std::vector<char16_t> FakeFold() {
    std::vector<char16_t> fold(0x10000);
    for (std::size_t i = 0; i < fold.size(); ++i) fold[i] = static_cast<char16_t>(i);
    for (char16_t c = u'A'; c <= u'Z'; ++c) fold[c] = static_cast<char16_t>(c + 32);
    for (char16_t c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) fold[c] = static_cast<char16_t>(c + 32);
    for (char16_t c = 0x391; c <= 0x3A9; ++c)
        if (c != 0x3A2) fold[c] = static_cast<char16_t>(c + 32);
    CompleteCaseFold(fold.data());
    return fold;
}
const std::vector<char16_t> kFold = FakeFold();

std::size_t Find(const std::u16string& text, const std::u16string& word) {
    return FindFolded(text.data(), text.size(), SearchWords(word, kFold.data())[0], kFold.data());
}

SearchIndex::Key MemoOf(int year, int month, int day) { return {{year, month, day}, SearchIndex::kMemo}; }
}  // namespace

TEST(SearchWords, SplitAtBlanksAndTheIdeographicSpaceFoldedAndNeverInsideAPair) {
    EXPECT_EQ(SearchWords(u" \u00C4rztin\tTermin\u3000\u4F1A\u8B70  ", kFold.data()),
              (std::vector<std::u16string>{u"\u00E4rztin", u"termin", u"\u4F1A\u8B70"}));
    // Greek: capital, small and final sigma are one letter.
    EXPECT_EQ(Find(u"\u039F\u0394\u039F\u03A3", u"\u03BF\u03B4\u03BF\u03C2"), 0u);
    // A pair (U+1F600 is D83D DE00) is never entered from its second half,
    // nor left by its first.
    const std::u16string pairs = u"a\U0001F600b";
    EXPECT_EQ(Find(pairs, u"\xDE00" u"b"), std::u16string::npos);
    EXPECT_EQ(Find(pairs, u"a\xD83D"), std::u16string::npos);
    EXPECT_EQ(Find(pairs, u"\U0001F600B"), 1u);
}

TEST(SearchIndex, NewestFirstByteWideWhereItCanAndBoundedInWhatItKeeps) {
    SearchIndex index(40);  // bytes
    index.Reset({MemoOf(2020, 1, 2), MemoOf(2024, 5, 1), MemoOf(2020, 1, 2), MemoOf(2021, 12, 31)});
    ASSERT_EQ(index.Size(), 3u);
    EXPECT_EQ(index.KeyAt(0).date, (Date{2024, 5, 1}));
    EXPECT_EQ(index.KeyAt(2).date, (Date{2020, 1, 2}));
    EXPECT_EQ(index.StateAt(1), SearchIndex::State::unread);

    // Latin-1 text a byte a unit (25 bytes), Greek two (12): both kept.
    bool changed = false;
    EXPECT_EQ(index.Put(MemoOf(2024, 5, 1), u"first line\r\nTermin \u00C4rztin", &changed), 0u);
    EXPECT_TRUE(changed);
    index.Put(MemoOf(2021, 12, 31), u"\u039F\u0394\u039F\u03A3 x");
    EXPECT_EQ(index.KeptBytes(), 37u);
    const auto words = SearchWords(u"\u00E4RZTIN termin", kFold.data());
    std::u16string line;
    EXPECT_TRUE(index.Match(0, words, kFold.data(), 100, line));
    EXPECT_EQ(line, u"Termin \u00C4rztin");
    EXPECT_TRUE(index.Match(0, words, kFold.data(), 3, line));
    EXPECT_EQ(line, u"Ter");
    EXPECT_TRUE(index.Match(1, SearchWords(u"\u03C3", kFold.data()), kFold.data(), 100, line));
    EXPECT_FALSE(index.Match(1, words, kFold.data(), 100, line));

    // The same text again changes nothing; beyond the bound the text is not
    // kept, and a new date takes its place in the order.
    index.Put(MemoOf(2024, 5, 1), u"first line\r\nTermin \u00C4rztin", &changed);
    EXPECT_FALSE(changed);
    EXPECT_EQ(index.Put(MemoOf(2022, 6, 6), u"too much"), 1u);
    EXPECT_EQ(index.StateAt(1), SearchIndex::State::unkept);
    EXPECT_FALSE(index.Match(1, SearchWords(u"much", kFold.data()), kFold.data(), 100, line));
    EXPECT_EQ(index.Remove(MemoOf(2021, 12, 31)), 2u);
    EXPECT_EQ(index.Find(MemoOf(2020, 1, 2)), 2u);
    EXPECT_EQ(index.Remove(MemoOf(2021, 12, 31)), std::string::npos);
}
