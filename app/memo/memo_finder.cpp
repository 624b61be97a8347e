#include "app/memo/memo_finder.h"

#include <utility>

#include "core/memo/memo_format.h"
#include "core/memo/repeat_memo.h"
#include "platform/wide_text.h"

namespace {
// Work between two looks at the shared state: about a millisecond each.
constexpr std::size_t kLoadSlice = 16;       // memo files read
constexpr std::size_t kScanSlice = 128;      // items matched
constexpr DWORD kWatchPollMs = 250;          // the folder watch asked this often
constexpr SIZE_T kWorkerStack = 256 * 1024;  // reserved; the worker keeps its data on the heap
}  // namespace

MemoFinder::MemoFinder(HWND notify, UINT message, unsigned codePage)
    : m_notify(notify), m_message(message), m_codePage(codePage),
      m_wake(::CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    Memos().Listen(&MemoFinder::Told, this);
    if (m_wake)
        m_thread = KernelHandle(::CreateThread(nullptr, kWorkerStack, &MemoFinder::Main, this,
                                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
}

MemoFinder::~MemoFinder() {
    Memos().StopListening(this);
    if (!m_thread) return;
    {
        LockGuard<CriticalSection> hold(m_lock);
        m_stop = true;
    }
    ::SetEvent(m_wake.Get());
    ::WaitForSingleObject(m_thread.Get(), INFINITE);
}

unsigned MemoFinder::Seek(const std::u16string& query) {
    unsigned generation = 0;
    {
        LockGuard<CriticalSection> hold(m_lock);
        m_query = query;
        m_queryNew = true;
        generation = ++m_generations;
    }
    ::SetEvent(m_wake.Get());
    return generation;
}

MemoFinder::Batch MemoFinder::Take() {
    LockGuard<CriticalSection> hold(m_lock);
    Batch batch = std::move(m_out);
    m_out.generation = batch.generation;
    m_out.finished = false;
    m_out.hits.clear();
    m_posted = false;
    return batch;
}

void MemoFinder::Told(void* context, const MemoStore::MemoChange& change) {
    auto* self = static_cast<MemoFinder*>(context);
    Change copy;
    copy.date = change.date;
    copy.known = change.known;
    copy.gone = change.bytes == nullptr;
    if (change.bytes != nullptr) {
        // As a read of the file would give it.
        const std::size_t count = change.length < kMemoReadLimit ? change.length : kMemoReadLimit;
        copy.bytes = TextOfRead(change.bytes, count, kMemoReadLimit);
    }
    {
        LockGuard<CriticalSection> hold(self->m_lock);
        self->m_changes.push_back(std::move(copy));
    }
    ::SetEvent(self->m_wake.Get());
}

DWORD WINAPI MemoFinder::Main(void* self) {
    static_cast<MemoFinder*>(self)->Run();
    return 0;
}

void MemoFinder::Run() {
    m_fold = SystemLowerCase();
    CompleteCaseFold(m_fold.data());
    List();
    while (Pull()) {
        Watch();
        if (m_restart) Restart();
        if (!m_finished && m_words.empty()) {  // no words: an empty list at once
            std::vector<Hit> none;
            Publish(none, true);
            continue;
        }
        const bool scannable = m_scan < m_index.Size() &&
                               m_index.StateAt(m_scan) != SearchIndex::State::unread;
        if (!m_words.empty() && scannable) {
            Scan();
        } else if (m_load < m_index.Size()) {
            for (std::size_t n = 0; n < kLoadSlice && m_load < m_index.Size(); ++n, ++m_load)
                if (m_index.StateAt(m_load) == SearchIndex::State::unread) Load(m_load);
        } else {
            if (!m_finished) {
                std::vector<Hit> none;
                Publish(none, true);
            }
            ::WaitForSingleObject(m_wake.Get(), kWatchPollMs);  // the watches are asked
        }
    }
    // Everything the worker held goes with it, not with the finder.
    m_index = SearchIndex();
    std::vector<char16_t>().swap(m_fold);
    m_watch.Stop();
    m_repeatWatch.Stop();
}

bool MemoFinder::Pull() {
    std::vector<Change> changes;
    {
        LockGuard<CriticalSection> hold(m_lock);
        if (m_stop) return false;
        if (m_queryNew) {
            m_queryNew = false;
            m_words = SearchWords(m_query, m_fold.data());
            m_generation = m_generations;
            m_scan = 0;
            m_finished = false;
            m_restart = false;
        }
        changes.swap(m_changes);
    }
    for (const Change& change : changes) Apply(change);
    return true;
}

void MemoFinder::List() {
    // The watches start first, so no change falls between them and the listing.
    Memos().WatchMemoFolder(m_watch);
    Memos().WatchRepeatFolder(m_repeatWatch);
    m_repeatTried = ::GetTickCount();
    std::vector<SearchIndex::Key> keys = RepeatKeys();
    for (const MemoStore::ListedFile& file : Memos().ListAllMemos().files)
        if (const auto date = Memos().DateOfMemoFile(file.name)) keys.push_back({*date, SearchIndex::kMemo});
    m_index.Reset(std::move(keys));
    m_load = 0;
}

std::vector<SearchIndex::Key> MemoFinder::RepeatKeys() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    const Date from{now.wYear - 1, 1, 1}, to{now.wYear + 1, 12, 31};
    std::vector<SearchIndex::Key> keys;
    m_repeatTexts.clear();
    for (const MemoStore::StoredRepeat& stored : Memos().ReadRepeats()) {
        m_repeatTexts.push_back(Utf16Of(stored.memo.text.data(), stored.memo.text.size(), m_codePage));
        const int kind = static_cast<int>(m_repeatTexts.size());
        for (const Date& date : RepeatDates(stored.memo, from, to, kRepeatDatesFound)) keys.push_back({date, kind});
    }
    return keys;
}

std::optional<std::u16string> MemoFinder::ReadText(const Date& date, bool* missing) {
    *missing = false;
    const auto text = Memos().ReadMemo(date);
    if (!text) {
        // Gone, or held by its writer just now (then read at each search).
        *missing = ::GetFileAttributesA(Memos().MemoPath(date).c_str()) == INVALID_FILE_ATTRIBUTES;
        return std::nullopt;
    }
    const std::string content = CutMemoHead(*text);
    return Utf16Of(content.data(), content.size(), m_codePage);
}

std::optional<std::u16string> MemoFinder::ItemText(const SearchIndex::Key& key, bool* missing) {
    if (key.kind == SearchIndex::kMemo) return ReadText(key.date, missing);
    *missing = false;
    return m_repeatTexts[static_cast<std::size_t>(key.kind - 1)];
}

void MemoFinder::Load(std::size_t i) {
    const SearchIndex::Key key = m_index.KeyAt(i);
    bool missing = false;
    const auto text = ItemText(key, &missing);
    // A file gone since the listing stays, empty, till its change is told.
    if (text || missing)
        m_index.Put(key, text ? *text : std::u16string());
    else
        m_index.PutUnkept(key);
}

void MemoFinder::Apply(const Change& change) {
    const SearchIndex::Key key{change.date, SearchIndex::kMemo};
    bool missing = change.gone;
    std::optional<std::u16string> text;
    if (!change.known) {
        text = ReadText(change.date, &missing);
    } else if (!change.gone) {
        const std::string content = CutMemoHead(change.bytes);
        text = Utf16Of(content.data(), content.size(), m_codePage);
    }
    std::size_t at = std::string::npos;
    bool changed = true;
    if (missing) {
        at = m_index.Remove(key);
        if (at == std::string::npos) return;
        if (at < m_load) --m_load;
    } else if (text) {
        at = m_index.Put(key, *text, &changed);
    } else {
        at = m_index.PutUnkept(key);
    }
    // A change among the memos already matched shows in a search afresh.
    if (changed && at < m_scan) m_restart = true;
}

void MemoFinder::Watch() {
    WatchRepeats();
    if (!m_watch.Watching()) return;
    const DirectoryWatch::Changes changes = m_watch.Take();
    if (changes.everything) {
        List();  // the system lost count: everything is read again
        m_restart = true;
        return;
    }
    for (const std::string& name : changes.names)
        if (const auto date = Memos().DateOfMemoFile(name)) {
            Change change;
            change.date = *date;
            Apply(change);
        }
}

void MemoFinder::WatchRepeats() {
    bool reread = false;
    if (m_repeatWatch.Watching()) {
        const DirectoryWatch::Changes changes = m_repeatWatch.Take();
        reread = changes.everything || !changes.names.empty();
    }
    // Without a folder (no repeating memo yet, or its folder went) the
    // first one saved makes it: looked for now and then, not at every step.
    if (!m_repeatWatch.Watching() && ::GetTickCount() - m_repeatTried >= kWatchPollMs) {
        m_repeatTried = ::GetTickCount();
        reread = Memos().WatchRepeatFolder(m_repeatWatch) || reread;
    }
    if (!reread) return;
    // A few files, read whole: the memos keep their texts.
    m_index.ResetOtherKinds(RepeatKeys());
    m_load = 0;
    m_restart = true;
}

void MemoFinder::Restart() {
    m_restart = false;
    if (m_words.empty()) return;
    {
        LockGuard<CriticalSection> hold(m_lock);
        m_generation = ++m_generations;
    }
    m_scan = 0;
    m_finished = false;
}

void MemoFinder::Scan() {
    std::vector<Hit> hits;
    std::u16string line;
    for (std::size_t n = 0; n < kScanSlice && m_scan < m_index.Size(); ++n, ++m_scan) {
        const SearchIndex::State state = m_index.StateAt(m_scan);
        if (state == SearchIndex::State::unread) break;
        const SearchIndex::Key key = m_index.KeyAt(m_scan);
        const Date date = key.date;
        if (state == SearchIndex::State::kept) {
            if (m_index.Match(m_scan, m_words, m_fold.data(), kLineUnits, line))
                hits.push_back(Hit{date, line});
            continue;
        }
        bool missing = false;
        const auto text = ItemText(key, &missing);
        if (!text) continue;
        if (const auto found = MatchWords(text->data(), text->size(), m_words, m_fold.data()))
            hits.push_back(Hit{date, LineOf(text->data(), *found, kLineUnits)});
    }
    if (!hits.empty()) Publish(hits, false);
}

void MemoFinder::Publish(std::vector<Hit>& hits, bool finished) {
    bool post = false;
    {
        LockGuard<CriticalSection> hold(m_lock);
        if (m_out.generation != m_generation) {
            m_out.generation = m_generation;
            m_out.hits.clear();
        }
        for (Hit& hit : hits) m_out.hits.push_back(std::move(hit));
        m_out.finished = finished;
        post = !m_posted;
        m_posted = true;
    }
    if (finished) m_finished = true;
    if (post) ::PostMessageA(m_notify, m_message, 0, 0);
}
