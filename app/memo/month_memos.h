// The memos of the month the panel shows, read for its grid with one look
// at the memo folder. A file whose size and times are those it had when last
// read is not opened again: a month step shows the same few months over and
// over, and each open is a trip through the file system. Any change of a
// file, by this program or another, reads it anew; a file that goes is gone
// from the grid at the next load.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

class MonthMemos {
public:
    // Reads the memos of the month as ReadDayFile does (the panel's limit).
    void Load(int year, int month);
    // The memo of `day` of the month loaded last; none when its file is
    // missing or could not be read.
    const std::optional<std::string>& Memo(int day) const;

private:
    struct Stamp {
        unsigned long long written = 0;
        unsigned long long created = 0;
        unsigned long long size = 0;
        bool operator==(const Stamp& o) const {
            return written == o.written && created == o.created && size == o.size;
        }
    };
    struct Read {
        std::string path;  // upper-cased: the file system ignores case
        Stamp stamp;
        std::string text;
    };
    struct Month {
        int key = 0;
        std::vector<Read> reads;
    };
    static constexpr std::size_t kMonthsKept = 3;

    std::optional<std::string> ReadDay(int year, int month, int day,
                                       const std::vector<std::pair<std::string, Stamp>>* listing,
                                       const Month* earlier, Month& now);

    std::vector<Month> m_months;  // the last loaded at the back
    std::optional<std::string> m_memos[31];
};
