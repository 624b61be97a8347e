#include "core/memo/memo_search.h"

#include <algorithm>
#include <cctype>

namespace {
// The byte count of the character starting at `i`: 2 for a lead byte with a
// byte after it, else 1.
std::size_t CharLength(const std::string& text, std::size_t i, LeadBytePredicate isLeadByte) {
    const auto c = static_cast<unsigned char>(text[i]);
    return isLeadByte && isLeadByte(c) && i + 1 < text.size() ? 2 : 1;
}

char Fold(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x80 ? static_cast<char>(std::tolower(u)) : c;
}

bool MatchesAt(const std::string& text, std::size_t at, const std::string& word,
               LeadBytePredicate isLeadByte) {
    if (text.size() - at < word.size()) return false;
    for (std::size_t i = 0; i < word.size();) {
        const std::size_t length = CharLength(word, i, isLeadByte);
        if (length == 2) {
            // A double-byte character: both bytes exactly, and the text's
            // character there must be two bytes too.
            if (text[at + i] != word[i] || text[at + i + 1] != word[i + 1]) return false;
        } else if (CharLength(text, at + i, isLeadByte) != 1 || Fold(text[at + i]) != Fold(word[i])) {
            return false;
        }
        i += length;
    }
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool ParseNumber(const std::string& text, std::size_t& at, int& value, std::size_t maxDigits) {
    const std::size_t start = at;
    value = 0;
    while (at < text.size() && at - start < maxDigits && text[at] >= '0' && text[at] <= '9')
        value = value * 10 + (text[at++] - '0');
    return at > start && (at >= text.size() || text[at] < '0' || text[at] > '9');
}

int DaysIn(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}
}  // namespace

std::vector<std::string> QueryWords(const std::string& query, LeadBytePredicate isLeadByte) {
    std::vector<std::string> words;
    std::string word;
    for (std::size_t i = 0; i < query.size();) {
        const std::size_t length = CharLength(query, i, isLeadByte);
        if (length == 1 && IsBlank(query[i])) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word.append(query, i, length);
        }
        i += length;
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

std::size_t FindWord(const std::string& text, const std::string& word,
                     LeadBytePredicate isLeadByte) {
    if (word.empty()) return std::string::npos;
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i, isLeadByte))
        if (MatchesAt(text, i, word, isLeadByte)) return i;
    return std::string::npos;
}

std::optional<std::string> MatchMemo(const std::string& content,
                                     const std::vector<std::string>& words,
                                     LeadBytePredicate isLeadByte) {
    if (words.empty()) return std::nullopt;
    std::size_t first = std::string::npos;
    for (const std::string& word : words) {
        const std::size_t at = FindWord(content, word, isLeadByte);
        if (at == std::string::npos) return std::nullopt;
        if (first == std::string::npos) first = at;
    }
    // Line breaks are control bytes, never a double-byte character's trail.
    const std::size_t lineStart = content.rfind('\n', first);
    const std::size_t begin = lineStart == std::string::npos ? 0 : lineStart + 1;
    std::size_t end = content.find('\n', first);
    if (end == std::string::npos) end = content.size();
    if (end > begin && content[end - 1] == '\r') --end;
    return content.substr(begin, end - begin);
}

std::optional<Date> DateOfDayFileName(const std::string& name, const std::string& stem) {
    auto startsWith = [&](std::size_t at, const std::string& part) {
        if (name.size() - at < part.size()) return false;
        for (std::size_t i = 0; i < part.size(); ++i)
            if (Fold(name[at + i]) != Fold(part[i])) return false;
        return true;
    };
    if (name.size() < stem.size() || !startsWith(0, stem)) return std::nullopt;
    std::size_t at = stem.size();
    Date date;
    if (!ParseNumber(name, at, date.year, 9) || at >= name.size() || name[at++] != '-')
        return std::nullopt;
    if (!ParseNumber(name, at, date.month, 2) || at >= name.size() || name[at++] != '-')
        return std::nullopt;
    if (!ParseNumber(name, at, date.day, 2)) return std::nullopt;
    // Only the name the memo store itself gives the date: "2008-01-05"
    // would be some other file than the one the editor opens.
    const std::string canonical = stem + DateText(date.year, date.month, date.day) + ".txt";
    if (name.size() != canonical.size() || !startsWith(0, canonical)) return std::nullopt;
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > DaysIn(date.year, date.month))
        return std::nullopt;
    return date;
}

void SortNewestFirst(std::vector<MemoHit>& hits) {
    std::stable_sort(hits.begin(), hits.end(), [](const MemoHit& a, const MemoHit& b) {
        if (a.date.year != b.date.year) return a.date.year > b.date.year;
        if (a.date.month != b.date.month) return a.date.month > b.date.month;
        return a.date.day > b.date.day;
    });
}
