// Finding memos by their words off the panel's thread, for the find dialog.
// A worker thread lists the memo folder once and reads every memo once, into
// an index that lives only as long as the finder (core/memo/search_index.h),
// then matches each query against it newest date first and hands the hits
// over in batches as it finds them. Queries and matching are in UTF-16
// (platform/wide_text.h): case is folded by the system's rules, double-byte
// characters stay whole. The memo store tells the finder what this program
// saves or deletes meanwhile, and a watch of the folder what other programs
// change: the index stays current without listing the folder again.
//
// A repeating memo joins the index as one item on each of its dates from
// 1 January of last year to 31 December of next year (at most
// kRepeatDatesFound of them a memo), kind 1 + its place among the
// repeating memos, after the date's own memo: the years a user looks for a
// birthday or a bill in, bounded however often it comes. They are read
// when the folder is listed (the dialog opens, or the watch lost count).
//
// Threads: the worker alone owns the index, the case table, the watch and
// the scan. It shares with the dialog's thread only the members under
// "shared" below, each read and written with m_lock held: the query and its
// generation, the store's changes not yet taken, the hits not yet taken and
// the stop request. The worker posts `message` to `notify` when hits or the
// end of a search wait to be taken and no such message is on its way.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/memo/memo_store.h"
#include "core/base/basic_types.h"
#include "core/memo/search_index.h"
#include "platform/directory_watch.h"
#include "platform/handles.h"

class MemoFinder {
public:
    static constexpr std::size_t kLineUnits = 512;  // of a hit's line, more than a list shows
    static constexpr std::size_t kRepeatDatesFound = 1200;  // a daily memo's three years

    struct Hit {
        Date date;
        std::u16string line;  // the memo's line holding the first word
    };
    struct Batch {
        unsigned generation = 0;  // the search they belong to: a newer one starts afresh
        bool finished = false;    // every memo has been looked at for it
        std::vector<Hit> hits;    // newest first, after those taken before
    };

    // Starts the worker. `codePage`: the memo files' (CP_ACP; the tests name others).
    MemoFinder(HWND notify, UINT message, unsigned codePage = CP_ACP);
    // Stops the worker and frees everything it held.
    ~MemoFinder();
    MemoFinder(const MemoFinder&) = delete;
    MemoFinder& operator=(const MemoFinder&) = delete;

    // A new query, as typed: its generation, newer than any before. The hits
    // of earlier queries are no longer handed over.
    unsigned Seek(const std::u16string& query);
    // What the worker found since the last call.
    Batch Take();

private:
    struct Change {
        Date date;
        bool known = false;  // `gone` or `bytes` is what the file holds
        bool gone = false;
        std::string bytes;
    };
    static DWORD WINAPI Main(void* self);
    static void Told(void* context, const MemoStore::MemoChange& change);
    void Run();
    // The worker's steps; each returns soon, so a new query is seen at once.
    bool Pull();  // false: stop
    void List();
    void Load(std::size_t i);
    void Apply(const Change& change);
    void Watch();
    // The repeating memos' items on their dates, their texts read anew.
    std::vector<SearchIndex::Key> RepeatKeys();
    // The repeating memos again after their folder changed (or came).
    void WatchRepeats();
    void Restart();
    void Scan();
    void Publish(std::vector<Hit>& hits, bool finished);
    // A memo's searchable text; none when not read now (`missing` then
    // tells whether its file is gone).
    std::optional<std::u16string> ReadText(const Date& date, bool* missing);
    // An item's text: a repeating memo's from m_repeatTexts, else ReadText.
    std::optional<std::u16string> ItemText(const SearchIndex::Key& key, bool* missing);

    const HWND m_notify;
    const UINT m_message;
    const unsigned m_codePage;
    KernelHandle m_wake;  // auto-reset: a query, a change or the stop

    // shared (m_lock)
    CriticalSection m_lock;
    std::u16string m_query;
    unsigned m_generations = 0;  // the last generation given
    bool m_queryNew = false;
    std::vector<Change> m_changes;
    Batch m_out;
    bool m_posted = false;
    bool m_stop = false;

    // the worker's own
    SearchIndex m_index;
    std::vector<char16_t> m_fold;
    DirectoryWatch m_watch;
    DirectoryWatch m_repeatWatch;  // the Repeat folder; tried again while there is none
    DWORD m_repeatTried = 0;       // tick of the last try
    std::vector<std::u16string> m_words;
    std::vector<std::u16string> m_repeatTexts;  // [kind - 1]
    unsigned m_generation = 0;  // of the scan
    std::size_t m_load = 0;     // items before it are read
    std::size_t m_scan = 0;     // items before it are matched
    bool m_finished = true;     // the scan's end was handed over
    bool m_restart = false;

    KernelHandle m_thread;  // last: started when everything above is ready
};
