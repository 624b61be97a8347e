#include "core/memo/digest.h"

#include <climits>

#include "core/calendar/month_length.h"

namespace {

constexpr std::size_t kPiece = 16;

// Position of the first space at or after `from`, stepping over double-byte
// characters; npos when there is none. `from` must start a character.
std::size_t FindSpace(const std::string& text, std::size_t from, LeadBytePredicate isLeadByte) {
    for (std::size_t i = from; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ') return i;
        if (isLeadByte != nullptr && isLeadByte(c)) ++i;
    }
    return std::string::npos;
}

// Spaces at first, first + 17, first + 34, ... while below `bound`.
void InsertEvery17(std::string& text, std::size_t first, std::size_t bound) {
    for (std::size_t p = first; p < bound; p += kPiece + 1) text.insert(p, 1, ' ');
}

}  // namespace

std::string BreakLongWords(std::string text, LeadBytePredicate isLeadByte) {
    std::size_t q = FindSpace(text, 0, isLeadByte);
    if (q == std::string::npos) {
        InsertEvery17(text, kPiece, text.size());
        return text;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t n = (q - start) / kPiece;
        for (std::size_t k = n; k >= 1; --k) text.insert(start + kPiece * k, 1, ' ');
        start = q + n + 1;  // just behind the space, which moved right by n
        if (start >= text.size()) break;
        q = FindSpace(text, start, isLeadByte);
        if (q == std::string::npos) break;
    }
    const std::size_t length = text.size();
    if (length > start && length - start > kPiece) InsertEvery17(text, start + kPiece - 1, length);
    return text;
}

std::vector<std::string> DigestEntries(int year, int month, int startDay, int days,
                                       const DayTextReader& readMemo,
                                       LeadBytePredicate isLeadByte) {
    std::vector<std::string> entries;
    int y = year, m = month, d = startDay;
    for (int i = 0; i < days; ++i) {
        if (std::optional<std::string> text = readMemo(y, m, d))
            entries.push_back(text->size() > kPiece ? BreakLongWords(std::move(*text), isLeadByte)
                                                    : std::move(*text));
        if (d + 1 > DaysInMonth(y, m)) {
            d = 1;
            if (++m > 12) {
                if (y == INT_MAX) break;  // no year after the last one
                m = 1;
                ++y;
            }
        } else {
            ++d;
        }
    }
    return entries;
}

std::string JoinDigest(const std::vector<std::string>& entries) {
    std::string digest;
    for (const std::string& entry : entries) {
        digest += entry;
        digest += '\n';
    }
    return digest;
}

std::string BuildDigest(int year, int month, int startDay, int days,
                        const DayTextReader& readMemo, LeadBytePredicate isLeadByte) {
    return JoinDigest(DigestEntries(year, month, startDay, days, readMemo, isLeadByte));
}

std::string NoMemoText(int days) {
    if (days <= 1) return "\n\nNo memo today. Please click a date to add notes.\n\n\n\n\n\n";
    return "\n\nNo memo in " + std::to_string(days) +
           " days. Please click a date to add notes.\n\n\n\n\n\n";
}

std::string TickerText(const std::string& digest, int days) {
    return digest.empty() ? NoMemoText(days) : digest + "\n\n\n";
}
