// The memos of the month the panel shows, read for its grid, and of the
// few months shown before it. While the memo folder is watched (see
// platform/directory_watch.h), a month's files are listed once and a file is
// read again only when the watch names it: a month step then costs the same
// with thirty years of memos as with none, and an edit that keeps the size
// and puts the write time back is still seen. Without a watch (the folder
// not there yet, a file system without notifications), every load lists the
// month and reads a file again when its size or times changed, or when its
// write time was within the file system's time step of the last read.
//
// The watch is not trusted alone: every few seconds the months on show are
// listed again and compared (where others' writes bring no notification, as
// on network shares, no text is older than that), and the path is checked to
// still name the watched folder (one renamed away and another put in its
// place, or none). A notification naming no day (a short 8.3 name) or a
// read another program's open kept from the file has the months on show
// listed and read again at the next look.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/memo/memo_store.h"
#include "platform/directory_watch.h"

// The memo store's view for the grid: it lists and reads through the store,
// and the store tells it what this program's editor saved or deleted.
class MonthMemos {
public:
    MonthMemos();
    ~MonthMemos();
    MonthMemos(const MonthMemos&) = delete;
    MonthMemos& operator=(const MonthMemos&) = delete;

    // Reads the memos of the month as ReadDayFile does (the panel's limit).
    void Load(int year, int month);
    // The memo of `day` of the month loaded last; none when its file is
    // missing or could not be read.
    const std::optional<std::string>& Memo(int day) const;
    // The memo of any date: from what is kept when that month's files are
    // known and unchanged, else read from its file.
    std::optional<std::string> Read(int year, int month, int day);
    // True when a memo on show (of the month loaded last, or of a month read
    // since, for the digest) may read otherwise than when it was read: the
    // watch named its file, the periodic look found it changed, or the
    // folder was replaced. For a timer of about a second: between periodic
    // looks it asks the system nothing until a change was reported.
    bool LoadedMonthChanged();

private:
    struct Stamp {
        unsigned long long written = 0;
        unsigned long long created = 0;
        unsigned long long size = 0;
        bool operator==(const Stamp& o) const {
            return written == o.written && created == o.created && size == o.size;
        }
    };
    struct Day {
        std::string name;           // upper-cased file name: the file system ignores case
        bool known = false;         // `memo` is what the file holds now
        Stamp stamp;                // as listed (unwatched reads only)
        unsigned long long readAt = 0;
        std::optional<std::string> memo;
    };
    struct Month {
        int year = 0, month = 0;
        bool watched = false;  // listed while the watch ran: `known` days stay true
        bool shown = false;    // loaded last, or read since (the digest's)
        std::vector<Day> days;  // 31
    };
    static constexpr std::size_t kMonthsKept = 6;

    // This program changed a date's memo file (the editor saved or deleted
    // it): the next look sees that without waiting for the watch.
    static void Told(void* context, const MemoStore::MemoChange& change);
    void Take(const MemoStore::MemoChange& change);
    Month& Find(int year, int month);
    void TakeChanges();
    // Every month listed and read again at its next look.
    void ForgetAll();
    // Lists the month: a day whose file changed by the listing is to be read
    // again, one whose file went has no memo.
    void List(Month& month);
    void Refresh(Month& month, int day);
    // The periodic look: the folder still the watched one, the months on
    // show listed, what changed read again; the others listed at their next look.
    void Recheck();

    DirectoryWatch m_watch;
    unsigned long m_lastStart = 0;       // tick of the last try to start the watch
    unsigned long m_lastCheck = 0;       // tick of the last periodic look
    bool m_recheckNow = false;           // a notification named no day
    bool m_loadedChanged = false;
    std::vector<Month> m_months;         // the last loaded at the back
};
