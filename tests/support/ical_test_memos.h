// A few hundred varied memos for the iCalendar tests, in Windows-1252 (see
// fake_code_pages.h) with their UTF-8 text written out beside them, so that
// what an export must carry is known apart from the code that converts it.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/memo/ical_time.h"
#include "core/memo/memo_format.h"

struct IcalTestMemo {
    Date date;
    std::string content;  // Windows-1252, CR LF line breaks
    std::string utf8;     // the same, UTF-8 with "\n" line breaks
    std::string summary;  // its first line that is not blank, UTF-8
    std::optional<std::string> notice;
    int hour = -1, minute = -1;  // the notice's remind time; -1: none (all-day)

    std::string MemoFile() const {
        return MemoRecord(DateText(date.year, date.month, date.day), content);
    }
};

// `oracleSafe` leaves out the texts that python-icalendar 4.0 reads
// otherwise than RFC 5545 has them: two backslashes in a row (it gives one)
// and a backslash before "n" (it gives a line break).
inline std::vector<IcalTestMemo> IcalTestMemos(int count, bool oracleSafe) {
    struct Piece {
        const char* ansi;
        const char* utf8;
    };
    static const Piece kPieces[] = {
        {"Dentist", "Dentist"},
        {"caf\xE9 cr\xE8me", "caf\xC3\xA9 cr\xC3\xA8me"},
        {"\x80 5,00; 3\\4", "\xE2\x82\xAC 5,00; 3\\4"},
        {"\x93quoted\x94 \x85", "\xE2\x80\x9Cquoted\xE2\x80\x9D \xE2\x80\xA6"},
        {"tab\there", "tab\there"},
        {"a,b;c\\\\d", "a,b;c\\\\d"},
        {"trailing space ", "trailing space "},
        {"\xC4\xD6\xDC\xDF \xFF\x8C", "\xC3\x84\xC3\x96\xC3\x9C\xC3\x9F \xC3\xBF\xC5\x92"},
        {"Meeting: 9:00 - room \"A\"", "Meeting: 9:00 - room \"A\""},
        {"C:\\new\\Notes", "C:\\new\\Notes"},
    };
    constexpr int kPieceCount = sizeof(kPieces) / sizeof(kPieces[0]);
    struct Remind {
        const char* text;
        int hour, minute;
    };
    static const Remind kReminds[] = {
        {nullptr, -1, -1}, {"1:30", 1, 30},   {"9:05", 9, 5}, {"9:5", 9, 5},    {"007:5", 7, 5},
        {":30", 0, 30},    {"23:59", 23, 59}, {"0:0", 0, 0},  {" 7:45", 7, 45}, {nullptr, -1, -1}};

    std::vector<IcalTestMemo> memos;
    std::set<std::int64_t> used;
    const std::int64_t first = DayNumber(Date{2000, 1, 1});
    for (int i = 0; i < count; ++i) {
        IcalTestMemo m;
        m.date = i == 0   ? Date{2024, 2, 29}
                 : i == 1 ? Date{2026, 12, 31}
                          : DateOfDayNumber(first + i * 41);
        if (!used.insert(DayNumber(m.date)).second) continue;
        std::vector<std::pair<std::string, std::string>> lines;
        if (i % 11 == 5) lines.emplace_back("", "");  // a blank first line
        for (int j = 0; j <= i % 4; ++j) {
            int k = (i * 7 + j * 3) % kPieceCount;
            if (oracleSafe && (k == 5 || k == 9)) k = 0;
            lines.emplace_back(kPieces[k].ansi + std::string(" #") + std::to_string(i),
                               kPieces[k].utf8 + std::string(" #") + std::to_string(i));
        }
        if (i % 13 == 7) lines.emplace_back("", "");  // ends with a line break
        if (i % 29 == 3) {
            // As long as a memo file can be while every reader sees all of it.
            const std::size_t length =
                kMemoReadLimit -
                MemoRecord(DateText(m.date.year, m.date.month, m.date.day), "").size();
            std::string ansi, utf8;
            for (int k = 0;
                 ansi.size() + std::string(kPieces[k % kPieceCount].ansi).size() < length; ++k) {
                const int p = oracleSafe && (k % kPieceCount == 5 || k % kPieceCount == 9)
                                  ? 0
                                  : k % kPieceCount;
                ansi += kPieces[p].ansi;
                utf8 += kPieces[p].utf8;
            }
            utf8 += std::string(length - ansi.size(), 'x');
            ansi += std::string(length - ansi.size(), 'x');
            lines.assign(1, {ansi, utf8});
        }
        for (std::size_t j = 0; j < lines.size(); ++j) {
            m.content += (j ? "\r\n" : "") + lines[j].first;
            m.utf8 += (j ? "\n" : "") + lines[j].second;
            if (m.summary.empty() && lines[j].second.find_first_not_of(" \t") != std::string::npos)
                m.summary = lines[j].second;
        }
        const Remind& r = kReminds[i % 10];
        if (r.text != nullptr) m.notice = std::string(r.text);
        m.hour = r.hour;
        m.minute = r.minute;
        memos.push_back(m);
    }
    return memos;
}
