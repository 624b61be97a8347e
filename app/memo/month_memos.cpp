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

std::string FileNameOf(const std::string& path) {
    return path.substr(path.find_last_of('\\') + 1);
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
        fresh.days[day - 1].name = Upper(FileNameOf(MakeDayFilePath(RemarkPrefix, year, month, day)));
    m_months.insert(m_months.empty() ? m_months.end() : m_months.end() - 1, std::move(fresh));
    return m_months.size() == 1 ? m_months.back() : m_months[m_months.size() - 2];
}

void MonthMemos::TakeChanges() {
    const DirectoryWatch::Changes changes = m_watch.Take();
    if (changes.everything) {
        for (Month& month : m_months) {
            month.watched = false;
            for (Day& day : month.days) day.known = false;
        }
        m_loadedChanged = true;
        return;
    }
    for (const std::string& name : changes.names) {
        const std::string upper = Upper(name);
        for (std::size_t i = 0; i < m_months.size(); ++i)
            for (Day& day : m_months[i].days)
                if (day.name == upper) {
                    day.known = false;
                    if (i + 1 == m_months.size()) m_loadedChanged = true;
                }
    }
}

void MonthMemos::List(Month& month) {
    // The watch starts before the listing, so no change falls between them.
    if (!m_watch.Watching() && (m_lastStart == 0 || ::GetTickCount() - m_lastStart >= kWatchRetryMs)) {
        m_lastStart = ::GetTickCount() | 1;
        if (m_watch.Start(RemarkDir))
            for (Month& other : m_months) other.watched = false;
    }
    const std::string pattern = MonthFilePattern(RemarkPrefix, month.year, month.month);
    WIN32_FIND_DATAA found{};
    const FindHandle search(pattern.empty() || !FitsPathBuffer(pattern)
                                ? INVALID_HANDLE_VALUE
                                : ::FindFirstFileA(pattern.c_str(), &found));
    bool listed = false;
    std::vector<std::pair<std::string, Stamp>> listing;
    if (search) {
        listed = true;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            listing.emplace_back(
                Upper(found.cFileName),
                Stamp{Join(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime),
                      Join(found.ftCreationTime.dwHighDateTime, found.ftCreationTime.dwLowDateTime),
                      Join(found.nFileSizeHigh, found.nFileSizeLow)});
        } while (::FindNextFileA(search.Get(), &found));
    } else {
        const DWORD error = ::GetLastError();
        listed = !pattern.empty() && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
    }
    for (Day& day : month.days) {
        if (!listed) {  // every day read as before, without the listing's help
            day.known = false;
            continue;
        }
        auto file = std::find_if(listing.begin(), listing.end(),
                                 [&day](const auto& entry) { return entry.first == day.name; });
        if (file == listing.end()) {
            day.known = true;
            day.memo.reset();
            continue;
        }
        const bool settled = day.readAt > file->second.written + kTimeStep;
        if (!(day.known && day.memo && day.stamp == file->second && settled)) day.known = false;
        day.stamp = file->second;
    }
    month.watched = listed && m_watch.Watching();
}

void MonthMemos::Refresh(Month& month, int day) {
    Day& entry = month.days[day - 1];
    const std::string path = MakeDayFilePath(RemarkPrefix, month.year, month.month, day);
    std::string text;
    entry.readAt = Now();
    if (ReadDayFile(path, kMemoReadLimit, text)) {
        entry.memo = std::move(text);
        entry.known = true;
        return;
    }
    entry.memo.reset();
    // A file there but not read (held by its writer) is tried again at the
    // next look; a missing one is known to be missing.
    entry.known = ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
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
    Month& shown = m_months.back();
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
    if (!m_watch.Watching()) {
        std::string text;
        if (!ReadDayFile(MakeDayFilePath(RemarkPrefix, year, month, day), kMemoReadLimit, text))
            return std::nullopt;
        return text;
    }
    Month& kept = Find(year, month);
    if (!kept.watched) List(kept);
    if (!kept.days[day - 1].known) Refresh(kept, day);
    return kept.days[day - 1].memo;
}

void MonthMemos::Forget(int year, int month, int day) {
    if (day < 1 || day > 31) return;
    for (Month& kept : m_months)
        if (kept.year == year && kept.month == month) kept.days[day - 1].known = false;
}

bool MonthMemos::LoadedMonthChanged() {
    TakeChanges();
    return m_loadedChanged;
}
