#include "core/memo/memo_search.h"

#include <algorithm>
#include <cctype>

#include "core/calendar/month_length.h"

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

// The line around `at`, without its line break.
template <class Unit>
TextLine LineAround(const Unit* text, std::size_t length, std::size_t at) {
    TextLine line;
    line.begin = at;
    while (line.begin > 0 && text[line.begin - 1] != Unit('\n')) --line.begin;
    line.end = at;
    while (line.end < length && text[line.end] != Unit('\n')) ++line.end;
    if (line.end > line.begin && text[line.end - 1] == Unit('\r')) --line.end;
    return line;
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// The first place of a folded word, compared unit by unit through the fold;
// a byte-wide text holds no surrogates, so every place is a character's.
template <class Unit>
std::size_t FindFoldedIn(const Unit* text, std::size_t length, const std::u16string& word,
                         const char16_t* fold) {
    const std::size_t m = word.size();
    if (m == 0 || m > length) return std::string::npos;
    const char16_t first = word[0];
    for (std::size_t i = 0; i + m <= length; ++i) {
        if (fold[text[i]] != first) continue;
        std::size_t j = 1;
        while (j < m && fold[text[i + j]] == word[j]) ++j;
        if (j < m) continue;
        // Not from the second half of a pair, nor ending in the first half.
        if (i > 0 && IsLowSurrogate(text[i]) && IsHighSurrogate(text[i - 1])) continue;
        if (i + m < length && IsHighSurrogate(text[i + m - 1]) && IsLowSurrogate(text[i + m]))
            continue;
        return i;
    }
    return std::string::npos;
}

template <class Unit>
std::optional<TextLine> MatchWordsIn(const Unit* text, std::size_t length,
                                     const std::vector<std::u16string>& words,
                                     const char16_t* fold) {
    if (words.empty()) return std::nullopt;
    std::size_t first = std::string::npos;
    for (const std::u16string& word : words) {
        const std::size_t at = FindFoldedIn(text, length, word, fold);
        if (at == std::string::npos) return std::nullopt;
        if (first == std::string::npos) first = at;
    }
    return LineAround(text, length, first);
}

bool ParseNumber(const std::string& text, std::size_t& at, int& value, std::size_t maxDigits) {
    const std::size_t start = at;
    value = 0;
    while (at < text.size() && at - start < maxDigits && text[at] >= '0' && text[at] <= '9')
        value = value * 10 + (text[at++] - '0');
    return at > start && (at >= text.size() || text[at] < '0' || text[at] > '9');
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
    const TextLine line = LineAround(content.data(), content.size(), first);
    return content.substr(line.begin, line.end - line.begin);
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
    if (!IsRealDate(date)) return std::nullopt;
    return date;
}

void SortNewestFirst(std::vector<MemoHit>& hits) {
    std::stable_sort(hits.begin(), hits.end(), [](const MemoHit& a, const MemoHit& b) {
        if (a.date.year != b.date.year) return a.date.year > b.date.year;
        if (a.date.month != b.date.month) return a.date.month > b.date.month;
        return a.date.day > b.date.day;
    });
}

// ------------------------------------------------------------ in UTF-16 --

void CompleteCaseFold(char16_t* lower) {
    lower[0x03C2] = 0x03C3;  // final sigma: a search for "σ" finds "ς" too
}

std::vector<std::u16string> SearchWords(const std::u16string& query, const char16_t* fold) {
    std::vector<std::u16string> words;
    std::u16string word;
    for (const char16_t unit : query) {
        if (unit == u' ' || unit == u'\t' || unit == 0x3000) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word.push_back(fold[unit]);
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

std::size_t FindFolded(const char16_t* text, std::size_t length, const std::u16string& word,
                       const char16_t* fold) {
    return FindFoldedIn(text, length, word, fold);
}

std::size_t FindFolded(const unsigned char* text, std::size_t length, const std::u16string& word,
                       const char16_t* fold) {
    return FindFoldedIn(text, length, word, fold);
}

std::optional<TextLine> MatchWords(const char16_t* text, std::size_t length,
                                   const std::vector<std::u16string>& words, const char16_t* fold) {
    return MatchWordsIn(text, length, words, fold);
}

std::optional<TextLine> MatchWords(const unsigned char* text, std::size_t length,
                                   const std::vector<std::u16string>& words, const char16_t* fold) {
    return MatchWordsIn(text, length, words, fold);
}
