#include "app/memo/repeat_occurrences.h"

#include "core/calendar/month_length.h"

void RepeatOccurrences::Update() {
    bool reread = !m_loaded || Memos().RepeatChanges() != m_changes;
    if (m_watch.Watching()) {
        const DirectoryWatch::Changes changes = m_watch.Take();
        if (changes.everything || !changes.names.empty()) reread = true;
    }
    if (!m_watch.Watching()) {
        // No folder, no repeating memos: while it is still missing, the
        // empty set read last time stands. One look at its attributes costs
        // less than a watch and a listing that would both fail at every step.
        if (!reread && m_repeats.empty() && !Memos().RepeatFolderPresent()) return;
        // Started before the read, so a change after it is seen. Without a
        // watch (a file system without notifications) every look reads again.
        Memos().WatchRepeatFolder(m_watch);
        reread = true;
    }
    if (!reread) return;
    m_changes = Memos().RepeatChanges();
    m_repeats = Memos().ReadRepeats();
    m_months.clear();
    m_loaded = true;
}

RepeatOccurrences::Month& RepeatOccurrences::Expand(int year, int month) {
    for (std::size_t i = 0; i < m_months.size(); ++i)
        if (m_months[i].year == year && m_months[i].month == month) return m_months[i];
    if (m_months.size() >= kMonthsKept) m_months.erase(m_months.begin());
    Month shown;
    shown.year = year;
    shown.month = month;
    shown.days.resize(31);
    shown.records.resize(31);
    shown.recordsMade.resize(31);
    const int length = DaysInMonth(year, month);
    if (length > 0)
        for (std::size_t i = 0; i < m_repeats.size(); ++i)
            for (const Date& d : RepeatDates(m_repeats[i].memo, Date{year, month, 1},
                                             Date{year, month, length}, 31))
                shown.days[static_cast<std::size_t>(d.day - 1)].push_back(i);
    m_months.push_back(std::move(shown));
    return m_months.back();
}

std::vector<const RepeatMemo*> RepeatOccurrences::On(int year, int month, int day) {
    std::vector<const RepeatMemo*> on;
    if (m_repeats.empty() || day < 1 || day > 31) return on;
    for (std::size_t i : Expand(year, month).days[static_cast<std::size_t>(day - 1)])
        on.push_back(&m_repeats[i].memo);
    return on;
}

std::optional<std::string> RepeatOccurrences::DayText(const std::optional<std::string>& own,
                                                      int year, int month, int day) {
    if (m_repeats.empty() || day < 1 || day > 31) return own;
    Month& shown = Expand(year, month);
    const std::size_t at = static_cast<std::size_t>(day - 1);
    if (!shown.recordsMade[at]) {
        std::vector<const RepeatMemo*> on;
        for (std::size_t i : shown.days[at]) on.push_back(&m_repeats[i].memo);
        shown.records[at] = RepeatRecords(Date{year, month, day}, on);
        shown.recordsMade[at] = true;
    }
    return JoinDayText(own, shown.records[at]);
}

const std::vector<MemoStore::StoredRepeat>& RepeatOccurrences::All() {
    Update();
    return m_repeats;
}
