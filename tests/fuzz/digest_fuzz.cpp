// The ticker digest: BreakLongWords only adds spaces, leaves text without
// long words alone, and adds at most one space per 16 bytes; the digest walks
// consecutive dates and keeps every memo's text; the announcement shows the
// memos' start as they are, cuts only at whole characters and counts the rest.
#include <climits>
#include <cstdint>
#include <tuple>
#include <vector>

#include "core/memo/announcement.h"
#include "core/memo/digest.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Longest run of bytes before a space, and the bytes after the last space.
void Runs(const std::string& text, std::size_t* longestBeforeSpace, std::size_t* tail) {
    *longestBeforeSpace = 0;
    std::size_t run = 0;
    for (char c : text) {
        if (c == ' ') {
            if (run > *longestBeforeSpace) *longestBeforeSpace = run;
            run = 0;
        } else {
            ++run;
        }
    }
    *tail = run;
}

void CheckBreak(const std::string& text) {
    for (LeadBytePredicate lead : {static_cast<LeadBytePredicate>(nullptr), &FuzzLeadByte}) {
        const std::string out = BreakLongWords(text, lead);
        FUZZ_CHECK(OnlySpacesAdded(text, out));
        FUZZ_CHECK(out.size() <= text.size() + text.size() / 16 + 1);
    }
    // Without double-byte text: words shorter than a piece stay as they are.
    std::size_t longest = 0, tail = 0;
    Runs(text, &longest, &tail);
    if (longest < 16 && tail <= 16) FUZZ_CHECK(BreakLongWords(text, nullptr) == text);
    if (longest >= 16 || tail > 16) FUZZ_CHECK(BreakLongWords(text, nullptr) != text);
}

bool WholeDoubleByteText(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!FuzzLeadByte(static_cast<unsigned char>(text[i]))) continue;
        if (i + 1 >= text.size() || static_cast<unsigned char>(text[i + 1]) < 0x40) return false;
        ++i;
    }
    return true;
}

bool IsBoundary(const std::string& text, std::size_t pos) {
    std::size_t i = 0;
    while (i < pos) i += FuzzLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    return i == pos;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1)
        lines.push_back(text.substr(from, nl - from));
    FUZZ_CHECK(from == text.size());  // every line ends in "\n"
    return lines;
}

void CheckAnnouncement(const std::vector<std::string>& entries, std::size_t limit) {
    const auto fits = [limit](const std::string& text) { return text.size() <= limit; };
    for (LeadBytePredicate lead : {static_cast<LeadBytePredicate>(nullptr), &FuzzLeadByte}) {
        const std::string whole = AnnouncementText(entries, nullptr, lead);
        Lines(whole);  // every line ends in "\n"
        const std::string shown = AnnouncementText(entries, fits, lead);
        if (whole.size() <= limit) {
            FUZZ_CHECK(shown == whole);
            continue;
        }
        // What the box has of the memos is the whole text's start, a line
        // cut with "..." only after a whole character; a last line counts
        // the rest.
        const std::size_t close = shown.rfind("... and ");
        FUZZ_CHECK(close != std::string::npos);
        FUZZ_CHECK(shown.size() >= 16 && shown.compare(shown.size() - 16, 16, " in the ticker.\n") == 0);
        std::string body = shown.substr(0, close);
        if (body.size() >= 4 && body.compare(body.size() - 4, 4, "...\n") == 0) {
            body.resize(body.size() - 4);
            if (lead != nullptr && WholeDoubleByteText(whole)) FUZZ_CHECK(IsBoundary(whole, body.size()));
        }
        FUZZ_CHECK(whole.compare(0, body.size(), body) == 0);
    }
}

void CheckDigest(FuzzInput& in, const std::vector<std::string>& texts) {
    int year = in.Int();
    if (in.Bool()) year = 1 + static_cast<int>(static_cast<unsigned>(year) % 4000);
    const int month = 1 + in.Byte() % 12;
    const int startDay = 1 + in.Byte() % 31;
    // The program asks for 1..7 days; a few more and some "none" as well.
    const int days = static_cast<int>(in.Byte() % 12) - 2;
    const std::uint8_t openMask = in.Byte();
    std::vector<std::tuple<int, int, int>> asked;
    std::size_t next = 0;
    const DayTextReader reader = [&](int y, int m, int d) -> std::optional<std::string> {
        const std::size_t i = asked.size();
        asked.emplace_back(y, m, d);
        if (((openMask >> (i % 8)) & 1) == 0 || texts.empty()) return std::nullopt;
        return texts[next++ % texts.size()];
    };
    const std::vector<std::string> entries =
        DigestEntries(year, month, startDay, days, reader, &FuzzLeadByte);
    FUZZ_CHECK(asked.size() <= static_cast<std::size_t>(days < 0 ? 0 : days));
    if (year < INT_MAX) FUZZ_CHECK(asked.size() == static_cast<std::size_t>(days < 0 ? 0 : days));
    FUZZ_CHECK(entries.size() == next);
    for (std::size_t i = 0; i < entries.size(); ++i)
        FUZZ_CHECK(OnlySpacesAdded(texts[i % texts.size()], entries[i]));
    // Dates follow each other by one day (a start day the month lacks is
    // read once, then the next month begins).
    for (std::size_t i = 1; i < asked.size(); ++i) {
        const auto [y0, m0, d0] = asked[i - 1];
        const auto [y1, m1, d1] = asked[i];
        if (d0 > CivilMonthLength(y0, m0)) {
            FUZZ_CHECK(i == 1 && d1 == 1 && (m1 == m0 % 12 + 1));
            continue;
        }
        FUZZ_CHECK(DaysFromCivil(y1, static_cast<unsigned>(m1), static_cast<unsigned>(d1)) ==
                   DaysFromCivil(y0, static_cast<unsigned>(m0), static_cast<unsigned>(d0)) + 1);
    }
    std::string joined;
    for (const std::string& e : entries) joined += e + "\n";
    asked.clear();
    next = 0;
    FUZZ_CHECK(BuildDigest(year, month, startDay, days, reader, &FuzzLeadByte) == joined);
    const std::string ticker = TickerText(joined, days);
    FUZZ_CHECK(joined.empty() ? ticker == NoMemoText(days) : ticker == joined + "\n\n\n");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMemoReadLimit + 64) return -1;
    FuzzInput in(data, size);
    const std::size_t limit = 3 + in.Byte() % 150;
    FuzzInput numbers(data, size);
    const std::string rest = in.Rest();
    CheckBreak(rest);
    // The rest split at '|' into memo texts.
    std::vector<std::string> texts;
    std::size_t from = 0;
    for (std::size_t bar; (bar = rest.find('|', from)) != std::string::npos; from = bar + 1)
        texts.push_back(rest.substr(from, bar - from));
    texts.push_back(rest.substr(from));
    CheckAnnouncement(texts, limit);
    CheckDigest(numbers, texts);
    return 0;
}
