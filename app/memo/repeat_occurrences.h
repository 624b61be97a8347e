// The repeating memos as the grid, the digest, Find and the reminder thread
// see them: read once through the memo store and again only when this
// program saved one or the folder's watch named a change, and expanded only
// for the months asked, each kept until they change. One object per thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "app/memo/memo_store.h"
#include "platform/directory_watch.h"

class RepeatOccurrences {
public:
    // Reads the memos again when they changed. Called once at the start of
    // each look (a month laid out, a digest, a reminder pass); the questions
    // below answer from what it read.
    void Update();
    // The repeating memos on `day` of a month.
    std::vector<const RepeatMemo*> On(int year, int month, int day);
    // A date's own memo text (as read from its file) with the occurrences
    // on that date after it (DayTextWithRepeats).
    std::optional<std::string> DayText(const std::optional<std::string>& own, int year, int month,
                                       int day);
    // Every repeating memo, read again when changed.
    const std::vector<MemoStore::StoredRepeat>& All();

private:
    struct Month {
        int year = 0, month = 0;
        std::vector<std::vector<std::size_t>> days;  // [day - 1]: indices into m_repeats
        // [day - 1]: the day's RepeatRecords, made when first asked for: a
        // month shown again joins them to its memos without making them anew.
        std::vector<std::string> records;
        std::vector<bool> recordsMade;
    };
    static constexpr std::size_t kMonthsKept = 8;

    Month& Expand(int year, int month);

    DirectoryWatch m_watch;
    bool m_loaded = false;
    unsigned m_changes = 0;
    std::vector<MemoStore::StoredRepeat> m_repeats;
    std::vector<Month> m_months;  // the last expanded at the back
};
