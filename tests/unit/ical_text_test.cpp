// The text layer of the iCalendar files: folding, escaping, UTF-8 and the
// ANSI code page, content lines, dates.
#include "core/calendar/month_model.h"
#include "core/memo/ical_text.h"
#include "core/memo/ical_time.h"

#include <gtest/gtest.h>

#include "tests/support/fake_code_pages.h"

namespace {

std::vector<std::string> PhysicalLines(const std::string& folded) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    for (std::size_t end; (end = folded.find("\r\n", pos)) != std::string::npos; pos = end + 2)
        lines.push_back(folded.substr(pos, end - pos));
    EXPECT_EQ(folded.size(), pos) << "text after the last CR LF";
    return lines;
}

}  // namespace

TEST(IcalText, FoldingKeepsLinesShortAndUtf8SequencesWhole) {
    EXPECT_EQ(std::string(75, 'a') + "\r\n", FoldContentLine(std::string(75, 'a')));
    EXPECT_EQ(std::string(75, 'a') + "\r\n b\r\n", FoldContentLine(std::string(75, 'a') + "b"));
    // Two-, three- and four-byte characters at every offset against the fold.
    for (const std::string unit : {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"}) {
        for (int lead = 0; lead < 5; ++lead) {
            std::string line = "SUMMARY:" + std::string(lead, 'x');
            for (int i = 0; i < 80; ++i) line += unit;
            const std::string folded = FoldContentLine(line);
            const std::vector<std::string> lines = PhysicalLines(folded);
            ASSERT_GT(lines.size(), 2u);
            for (std::size_t i = 0; i < lines.size(); ++i) {
                EXPECT_LE(lines[i].size(), 75u);
                EXPECT_TRUE(IsUtf8(lines[i])) << "line " << i << " splits a character";
                EXPECT_TRUE(i == 0 || lines[i][0] == ' ');
                EXPECT_TRUE(i + 1 == lines.size() || lines[i].size() > 71u);  // filled
            }
            const std::vector<UnfoldedLine> back = UnfoldLines(folded);
            ASSERT_EQ(1u, back.size());
            EXPECT_EQ(line, back[0].text);
        }
    }
    // Unfolding: a tab continues too, LF alone ends a line, empty lines go,
    // and each content line knows the file line it starts on.
    const std::vector<UnfoldedLine> lines = UnfoldLines("A:1\r\n\tx\n\r\nB:2\r\n y\r\n  z");
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("A:1x", lines[0].text);
    EXPECT_EQ(1, lines[0].number);
    EXPECT_EQ("B:2y z", lines[1].text);
    EXPECT_EQ(4, lines[1].number);
}

TEST(IcalText, EscapingRoundTripsAndToleratesStrayBackslashes) {
    const std::string text = "a\\b;c,d\ne:f\\n";
    EXPECT_EQ("a\\\\b\\;c\\,d\\ne:f\\\\n", EscapeText(text));
    EXPECT_EQ(text, UnescapeText(EscapeText(text)));
    EXPECT_EQ("x\ny\nz", UnescapeText("x\\Ny\\nz"));
    EXPECT_EQ("\\x\\", UnescapeText("\\x\\"));  // not escapes: kept as they stand
    EXPECT_EQ("", EscapeText(""));
}

TEST(IcalText, Utf8IsCheckedStrictly) {
    EXPECT_TRUE(IsUtf8("plain \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"));
    for (const char* bad : {"\x80", "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xED\xA0\x80",
                            "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xE2\x82", "\xC3", "\xFF"})
        EXPECT_FALSE(IsUtf8(std::string("ok ") + bad + " ok")) << bad;
    std::string out;
    for (char32_t c : {U'A', U'\u00E9', U'\u20AC', U'\U0001F600'}) AppendUtf8(out, c);
    EXPECT_EQ("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", out);
}

TEST(IcalText, CodePageConversionCountsWhatItCannotCarry) {
    const AnsiCodePage cp1252 = fake_code_pages::Windows1252();
    int replaced = 0, dropped = 0;
    // Line breaks of every kind become one "\n"; controls but the tab go.
    EXPECT_EQ("\xE2\x82\xAC 5\n\xC3\xA9\n\nx\ty\xEF\xBF\xBDz",
              MemoTextToUtf8("\x80 5\r\n\xE9\r\n\nx\ty\x81\x01z\x7F", cp1252, replaced, dropped));
    EXPECT_EQ(1, replaced);  // 0x81 is no character of Windows-1252
    EXPECT_EQ(2, dropped);
    replaced = 0;
    EXPECT_EQ(
        "\x80 \xE9\r\n? ?x?",
        Utf8ToMemoText("\xE2\x82\xAC \xC3\xA9\n\xE6\xBC\xA2 \x01\xFFx\xC3", cp1252, replaced));
    EXPECT_EQ(4, replaced);  // U+6F22, the control, two bytes that are not UTF-8

    // A double-byte code page: pairs stay pairs, also with a trail byte that
    // is a backslash; a lead byte at the end has no character.
    const AnsiCodePage dbcs = fake_code_pages::DoubleByte();
    replaced = dropped = 0;
    const std::string ansi = "a\x81\x5C\xA5\r\n\x9F\xFC";
    const std::string utf8 = MemoTextToUtf8(ansi, dbcs, replaced, dropped);
    EXPECT_EQ(0, replaced + dropped);
    EXPECT_EQ(ansi, Utf8ToMemoText(utf8, dbcs, replaced));
    EXPECT_EQ(0, replaced);
    EXPECT_EQ("a\xEF\xBF\xBD", MemoTextToUtf8("a\x81", dbcs, replaced, dropped));
    EXPECT_EQ(1, replaced);

    // Cutting never splits a pair or a CR LF.
    const std::string text =
        "ab\x81\x5C"
        "c\r\nd";
    EXPECT_EQ(2u, AnsiCutLength(text, 3, &fake_code_pages::DoubleByteLead));
    EXPECT_EQ(4u, AnsiCutLength(text, 4, &fake_code_pages::DoubleByteLead));
    EXPECT_EQ(5u, AnsiCutLength(text, 6, &fake_code_pages::DoubleByteLead));
    EXPECT_EQ(7u, AnsiCutLength(text, 7, &fake_code_pages::DoubleByteLead));
    EXPECT_EQ(3u, AnsiCutLength(text, 3, nullptr));
    EXPECT_EQ(text.size(), AnsiCutLength(text, 100, nullptr));
}

TEST(IcalText, ContentLinesAndValues) {
    IcalProperty p;
    ASSERT_TRUE(
        ParseContentLine("dtStart;tzid=\"Europe/Berlin; a:b\";X-A=1,\"2,3\",:20260105T090000", p));
    EXPECT_EQ("DTSTART", p.name);
    ASSERT_EQ(2u, p.params.size());
    EXPECT_EQ("Europe/Berlin; a:b", *p.Param("TZID"));
    EXPECT_EQ((std::vector<std::string>{"1", "2,3", ""}), p.params[1].values);
    EXPECT_EQ("20260105T090000", p.value);
    ASSERT_TRUE(ParseContentLine("DESCRIPTION:a:b;c", p));
    EXPECT_EQ("a:b;c", p.value);
    for (const char* bad :
         {"", ":x", "NAME", "NA ME:x", "N;:x", "N;P:x", "N;P=\"x:y", "N;P=a\"b:x", "N_X:1"})
        EXPECT_FALSE(ParseContentLine(bad, p)) << bad;

    IcalTime t;
    ASSERT_TRUE(ParseIcalTime("20240229", t));
    EXPECT_TRUE(t.dateOnly);
    ASSERT_TRUE(ParseIcalTime("20261209T235960Z", t));
    EXPECT_TRUE(t.utc && !t.dateOnly && t.value.time.second == 60);
    for (const char* bad : {"20230229", "20261301", "20261200", "20261209T240000", "2026129",
                            "20261209T0900", "20261209X090000", "20261209T090000ZZ", "+0261209"})
        EXPECT_FALSE(ParseIcalTime(bad, t)) << bad;
    int offset = 0;
    ASSERT_TRUE(ParseUtcOffset("-0530", offset));
    EXPECT_EQ(-19800, offset);
    EXPECT_FALSE(ParseUtcOffset("0100", offset));
    // Day numbers agree with a plain day-by-day walk over leap and century years.
    Date d{1899, 12, 31};
    for (std::int64_t n = DayNumber(d); d.year < 2101; ++n) {
        ASSERT_EQ(n, DayNumber(d));
        ASSERT_EQ(d, DateOfDayNumber(n));
        d = d.day < DaysInMonth(d.year, d.month) ? Date{d.year, d.month, d.day + 1}
            : d.month < 12                       ? Date{d.year, d.month + 1, 1}
                                                 : Date{d.year + 1, 1, 1};
    }
    EXPECT_EQ(29, DaysInMonth(2000, 2));
    EXPECT_EQ(28, DaysInMonth(1900, 2));
    EXPECT_EQ(0, Weekday(Date{2026, 1, 4}));  // a Sunday
    EXPECT_EQ(Date({-1, 12, 31}), DateOfDayNumber(DayNumber(Date{0, 1, 1}) - 1));
}
