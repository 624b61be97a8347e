#include "core/memo/announcement.h"

#include <cstddef>

namespace {

struct Line {
    std::size_t entry = 0;
    std::string text;
    std::vector<std::size_t> wordEnds;  // where the line may be cut, its end last
};

// The entries' lines, each with the places after its words.
std::vector<Line> LinesOf(const std::vector<std::string>& entries, LeadBytePredicate isLeadByte) {
    std::vector<Line> lines;
    for (std::size_t e = 0; e < entries.size(); ++e) {
        const std::string& entry = entries[e];
        std::size_t start = 0;
        do {
            std::size_t end = entry.find('\n', start);
            const bool lastLine = end == std::string::npos;
            if (lastLine) end = entry.size();
            Line line;
            line.entry = e;
            line.text = entry.substr(start, end - start);
            if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
            // Stepping over whole characters: a trail byte is never a space.
            for (std::size_t i = 0; i < line.text.size();) {
                const bool lead = isLeadByte != nullptr &&
                                  isLeadByte(static_cast<unsigned char>(line.text[i])) &&
                                  i + 1 < line.text.size();
                if (line.text[i] == ' ' && i > 0 && line.text[i - 1] != ' ') line.wordEnds.push_back(i);
                i += lead ? 2 : 1;
            }
            line.wordEnds.push_back(line.text.size());
            // A memo ending in a line break has no empty line after it.
            if (!(lastLine && line.text.empty() && start > 0)) lines.push_back(std::move(line));
            start = end + 1;
            if (lastLine) break;
        } while (true);
    }
    return lines;
}

std::string Counted(int n, const char* what) {
    return std::to_string(n) + " more " + what + (n == 1 ? "" : "s");
}

// The first `pieces` words of the lines, and the line that tells the rest.
std::string Render(const std::vector<Line>& lines, std::size_t entryCount, std::size_t pieces) {
    std::string text;
    std::size_t used = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (used + line.wordEnds.size() <= pieces) {
            text += line.text + "\n";
            used += line.wordEnds.size();
            continue;
        }
        // Cut inside this line, or before it.
        const std::size_t words = pieces - used;
        if (words > 0) text += line.text.substr(0, line.wordEnds[words - 1]) + "...\n";
        int moreLines = 0;
        for (std::size_t j = i; j < lines.size() && lines[j].entry == line.entry; ++j)
            ++moreLines;
        // A memo none of whose lines showed counts as a memo, not as lines.
        const bool entryStarted = words > 0 || (i > 0 && lines[i - 1].entry == line.entry);
        const int moreMemos = static_cast<int>(entryCount - line.entry) - (entryStarted ? 1 : 0);
        std::string rest;
        if (entryStarted) rest = Counted(moreLines, "line");
        if (moreMemos > 0) rest += (rest.empty() ? "" : " and ") + Counted(moreMemos, "memo");
        return text + "... and " + rest + " in the ticker.\n";
    }
    return text;
}

}  // namespace

std::string AnnouncementText(const std::vector<std::string>& entries, const AnnouncementFits& fits,
                             LeadBytePredicate isLeadByte) {
    const std::vector<Line> lines = LinesOf(entries, isLeadByte);
    std::size_t total = 0;
    for (const Line& line : lines) total += line.wordEnds.size();
    std::string whole = Render(lines, entries.size(), total);
    if (!fits || fits(whole)) return whole;
    // The most words that fit with the closing line: a box grows with them.
    std::size_t low = 0, high = total;  // render(low) is shown; render(high) does not fit
    while (high - low > 1) {
        const std::size_t mid = low + (high - low) / 2;
        if (fits(Render(lines, entries.size(), mid))) {
            low = mid;
        } else {
            high = mid;
        }
    }
    return Render(lines, entries.size(), low);
}
