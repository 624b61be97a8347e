#include "app/memo/month_memos.h"

#include <windows.h>

#include <algorithm>

#include "app/memo/memo_store.h"
#include "core/memo/memo_format.h"

namespace {
// FAT and exFAT keep write times to two seconds: a file read within that
// step of its write time may change again with the same stamp.
constexpr unsigned long long kTimeStep = 2ULL * 10000000ULL;  // in 100 ns units
constexpr DWORD kWatchRetryMs = 2000;  // the folder may come with the first save
// No memo on show is older than this (and the timer's period), whatever the
// watch reports.
constexpr DWORD kRecheckMs = 3000;

unsigned long long Join(DWORD high, DWORD low) {
    return (static_cast<unsigned long long>(high) << 32) | low;
}

unsigned long long Now() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return Join(now.dwHighDateTime, now.dwLowDateTime);
}

std::string Upper(std::string text) {
    if (!text.empty()) ::CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// A memo file's name in any form: its short (8.3) name keeps the extension.
bool IsTextFileName(const std::string& upper) {
    return upper.size() >= 4 && upper.compare(upper.size() - 4, 4, ".TXT") == 0;
}

}  // namespace

MonthMemos::Month& MonthMemos::Find(int year, int month) {
    auto found = std::find_if(m_months.begin(), m_months.end(), [&](const Month& m) {
        return m.year == year && m.month == month;
    });
    if (found != m_months.end()) return *found;
    if (m_months.size() >= kMonthsKept) {
        // The oldest goes, never the month the grid shows (kept at the back).
        m_months.erase(m_months.begin());
    }
    Month fresh;
    fresh.year = year;
    fresh.month = month;
    fresh.days.resize(31);
    for (int day = 1; day <= 31; ++day)
        fresh.days[day - 1].name = Upper(Memos().MemoFileName(Date{year, month, day}));
    m_months.insert(m_months.empty() ? m_months.end() : m_months.end() - 1, std::move(fresh));
    return m_months.size() == 1 ? m_months.back() : m_months[m_months.size() - 2];
}

void MonthMemos::ForgetAll() {
    for (Month& month : m_months) {
        month.watched = false;
        for (Day& day : month.days) day.known = false;
    }
    m_loadedChanged = true;
}

void MonthMemos::TakeChanges() {
    const DirectoryWatch::Changes changes = m_watch.Take();
    if (changes.everything) {
        ForgetAll();
        return;
    }
    for (const std::string& name : changes.names) {
        const std::string upper = Upper(name);
        bool named = false;
        for (Month& month : m_months)
            for (Day& day : month.days)
                if (day.name == upper) {
                    named = true;
                    day.known = false;
                    if (month.shown) m_loadedChanged = true;
                }
        // A memo file by another name than a day's (its short name): which
        // one changed, the listings tell. A day of a month not kept is none
        // of the grid's.
        if (!named && IsTextFileName(upper) && !Memos().DateOfMemoFile(name)) {
            for (Month& month : m_months) month.watched = false;
            m_recheckNow = true;
        }
    }
}

void MonthMemos::List(Month& month) {
    // The watch starts before the listing, so no change falls between them.
    if (!m_watch.Watching() && (m_lastStart == 0 || ::GetTickCount() - m_lastStart >= kWatchRetryMs)) {
        m_lastStart = ::GetTickCount() | 1;
        if (Memos().WatchMemoFolder(m_watch))
            for (Month& other : m_months) other.watched = false;
    }
    const MemoStore::MonthListing listing = Memos().ListMonth(month.year, month.month);
    std::vector<std::pair<std::string, Stamp>> files;
    for (const MemoStore::ListedFile& file : listing.files)
        files.emplace_back(Upper(file.name), Stamp{file.written, file.created, file.size});
    for (Day& day : month.days) {
        if (!listing.listed) {  // every day read as before, without the listing's help
            day.known = false;
            continue;
        }
        auto file = std::find_if(files.begin(), files.end(),
                                 [&day](const auto& entry) { return entry.first == day.name; });
        if (file == files.end()) {
            day.known = true;
            day.memo.reset();
            continue;
        }
        const bool settled = day.readAt > file->second.written + kTimeStep;
        if (!(day.known && day.memo && day.stamp == file->second && settled)) day.known = false;
        day.stamp = file->second;
    }
    month.watched = listing.listed && m_watch.Watching();
}

void MonthMemos::Refresh(Month& month, int day) {
    Day& entry = month.days[day - 1];
    const Date date{month.year, month.month, day};
    entry.readAt = Now();
    entry.memo = Memos().ReadMemo(date);
    if (entry.memo) {
        entry.known = true;
        return;
    }
    // A file there but not read (held by its writer) is tried again at the
    // next look, and at the next periodic one at the latest, with the month
    // listed again; a missing one is known to be missing.
    entry.known = ::GetFileAttributesA(Memos().MemoPath(date).c_str()) == INVALID_FILE_ATTRIBUTES;
    if (!entry.known) month.watched = false;
}

void MonthMemos::Recheck() {
    m_lastCheck = ::GetTickCount() | 1;
    m_recheckNow = false;
    if (m_watch.Watching() && !m_watch.SameFolder()) {
        m_watch.Stop();  // started again on the folder the path names now
        ForgetAll();
    }
    for (Month& month : m_months) {
        if (!month.shown) {
            month.watched = false;  // listed when it shows again
            continue;
        }
        std::vector<std::optional<std::string>> before;
        before.reserve(month.days.size());
        for (const Day& day : month.days) before.push_back(day.memo);
        List(month);
        for (int day = 1; day <= 31; ++day)
            if (!month.days[day - 1].known) Refresh(month, day);
        for (std::size_t i = 0; i < month.days.size(); ++i)
            if (month.days[i].memo != before[i]) m_loadedChanged = true;
    }
}

void MonthMemos::Load(int year, int month) {
    TakeChanges();
    // The loaded month moves to the back.
    Month& found = Find(year, month);
    if (&found != &m_months.back()) {
        Month moved = std::move(found);
        m_months.erase(m_months.begin() + (&found - m_months.data()));
        m_months.push_back(std::move(moved));
    }
    for (Month& kept : m_months) kept.shown = false;
    Month& shown = m_months.back();
    shown.shown = true;
    if (m_lastCheck == 0) m_lastCheck = ::GetTickCount() | 1;  // read just now
    if (!shown.watched) List(shown);
    for (int day = 1; day <= 31; ++day)
        if (!shown.days[day - 1].known) Refresh(shown, day);
    m_loadedChanged = false;
}

const std::optional<std::string>& MonthMemos::Memo(int day) const {
    static const std::optional<std::string> kNone;
    return day >= 1 && day <= 31 && !m_months.empty() ? m_months.back().days[day - 1].memo : kNone;
}

std::optional<std::string> MonthMemos::Read(int year, int month, int day) {
    TakeChanges();
    if (day < 1 || day > 31) return std::nullopt;
    // Unwatched, a listing per read would cost more than the read.
    if (!m_watch.Watching()) return Memos().ReadMemo(year, month, day);
    Month& kept = Find(year, month);
    kept.shown = true;
    if (!kept.watched) List(kept);
    if (!kept.days[day - 1].known) Refresh(kept, day);
    return kept.days[day - 1].memo;
}

MonthMemos::MonthMemos() { Memos().Listen(&MonthMemos::Told, this); }

MonthMemos::~MonthMemos() { Memos().StopListening(this); }

void MonthMemos::Told(void* context, const MemoStore::MemoChange& change) {
    static_cast<MonthMemos*>(context)->Take(change);
}

void MonthMemos::Take(const MemoStore::MemoChange& change) {
    const int day = change.date.day;
    if (day < 1 || day > 31) return;
    for (Month& kept : m_months) {
        if (kept.year != change.date.year || kept.month != change.date.month) continue;
        Day& entry = kept.days[day - 1];
        // Watched, what was written is what a read would give until the
        // watch names the file. Unwatched, the next listing's times decide,
        // so the day is read again.
        if (!change.known || !kept.watched) {
            entry.known = false;
            continue;
        }
        entry.known = true;
        if (change.bytes == nullptr) {
            entry.memo.reset();
        } else {
            const std::size_t count = change.length < kMemoReadLimit ? change.length : kMemoReadLimit;
            entry.memo = TextOfRead(change.bytes, count, kMemoReadLimit);
        }
    }
}

bool MonthMemos::LoadedMonthChanged() {
    TakeChanges();
    if (m_recheckNow || ::GetTickCount() - m_lastCheck >= kRecheckMs) Recheck();
    return m_loadedChanged;
}
