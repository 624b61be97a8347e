#include "app/memo/month_memos.h"

#include <windows.h>

#include <algorithm>

#include "app/memo/memo_store.h"
#include "core/memo/memo_format.h"

namespace {
unsigned long long Join(DWORD high, DWORD low) {
    return (static_cast<unsigned long long>(high) << 32) | low;
}

std::string Upper(std::string text) {
    if (!text.empty()) ::CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}
}  // namespace

void MonthMemos::Load(int year, int month) {
    const int key = year * 12 + month;  // years stay within the month model's bounds
    Month now{key, {}};
    auto earlier = std::find_if(m_months.begin(), m_months.end(),
                                [key](const Month& m) { return m.key == key; });
    const Month* previous = earlier != m_months.end() ? &*earlier : nullptr;

    // One listing of the month's files; when the folder cannot be listed,
    // every day is read as before, without the listing's help.
    std::vector<std::pair<std::string, Stamp>> listing;
    bool listed = false;
    const std::string pattern = MonthFilePattern(RemarkPrefix, year, month);
    WIN32_FIND_DATAA found{};
    HANDLE search = pattern.empty() || !FitsPathBuffer(pattern)
                        ? INVALID_HANDLE_VALUE
                        : ::FindFirstFileA(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        listed = true;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            listing.emplace_back(
                Upper(std::string(RemarkDir) + '\\' + found.cFileName),
                Stamp{Join(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime),
                      Join(found.ftCreationTime.dwHighDateTime, found.ftCreationTime.dwLowDateTime),
                      Join(found.nFileSizeHigh, found.nFileSizeLow)});
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    } else {
        const DWORD error = ::GetLastError();
        listed = !pattern.empty() && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
    }

    for (int day = 1; day <= 31; ++day)
        m_memos[day - 1] = ReadDay(year, month, day, listed ? &listing : nullptr, previous, now);

    if (earlier != m_months.end()) m_months.erase(earlier);
    m_months.push_back(std::move(now));
    if (m_months.size() > kMonthsKept) m_months.erase(m_months.begin());
}

std::optional<std::string> MonthMemos::ReadDay(
    int year, int month, int day, const std::vector<std::pair<std::string, Stamp>>* listing,
    const Month* earlier, Month& now) {
    const std::string path = MakeDayFilePath(RemarkPrefix, year, month, day);
    std::string text;
    if (!listing) {
        if (!ReadDayFile(path, kMemoReadLimit, text)) return std::nullopt;
        return text;
    }
    const std::string upper = Upper(path);
    auto file = std::find_if(listing->begin(), listing->end(),
                             [&upper](const auto& entry) { return entry.first == upper; });
    if (file == listing->end()) return std::nullopt;
    if (earlier) {
        for (const Read& read : earlier->reads)
            if (read.path == upper && read.stamp == file->second) {
                now.reads.push_back(read);
                return read.text;
            }
    }
    if (!ReadDayFile(path, kMemoReadLimit, text)) return std::nullopt;
    now.reads.push_back(Read{upper, file->second, text});
    return text;
}

const std::optional<std::string>& MonthMemos::Memo(int day) const {
    static const std::optional<std::string> kNone;
    return day >= 1 && day <= 31 ? m_memos[day - 1] : kNone;
}
