#include "app/memo/memo_folder.h"

#include <windows.h>

#include "app/memo/memo_store.h"
#include "core/memo/memo_format.h"

namespace {
bool IsLeadByte(unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; }

long long KeyOf(const Date& d) {
    return (static_cast<long long>(d.year) * 100 + d.month) * 100 + d.day;
}

// The file part of RemarkPrefix ("Remark_"): what every memo file's name
// starts with.
std::string FileStem() {
    const std::string prefix = RemarkPrefix;
    const std::size_t slash = prefix.find_last_of('\\');
    return slash == std::string::npos ? prefix : prefix.substr(slash + 1);
}
}  // namespace

void MemoFolder::Refresh() {
    for (auto& entry : m_memos) entry.second.seen = false;
    const std::string stem = FileStem();
    const std::string pattern = std::string(RemarkDir) + "\\" + stem + "*.txt";
    WIN32_FIND_DATAA found{};
    HANDLE search = RemarkDir[0] ? ::FindFirstFileA(pattern.c_str(), &found) : INVALID_HANDLE_VALUE;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const auto date = DateOfDayFileName(found.cFileName, stem);
            if (!date) continue;
            const unsigned long long size =
                (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            const unsigned long long written =
                (static_cast<unsigned long long>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                found.ftLastWriteTime.dwLowDateTime;
            Memo& memo = m_memos[KeyOf(*date)];
            const bool fresh = memo.size != size || memo.written != written ||
                               memo.date != *date;
            memo.seen = true;
            if (!fresh) continue;
            std::string text;
            if (!ReadDayFile(MakeDayFilePath(RemarkPrefix, date->year, date->month, date->day),
                             kMemoReadLimit, text)) {
                // Held by a writer just now: read again at the next look.
                memo.size = memo.written = 0;
                memo.date = *date;
                memo.content.clear();
                continue;
            }
            memo.date = *date;
            memo.size = size;
            memo.written = written;
            memo.content = CutMemoHead(text);
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    for (auto it = m_memos.begin(); it != m_memos.end();)
        it = it->second.seen ? std::next(it) : m_memos.erase(it);
}

std::vector<MemoHit> MemoFolder::Find(const std::vector<std::string>& words) const {
    std::vector<MemoHit> hits;
    for (const auto& entry : m_memos) {
        if (auto line = MatchMemo(entry.second.content, words, &IsLeadByte))
            hits.push_back(MemoHit{entry.second.date, std::move(*line)});
    }
    SortNewestFirst(hits);
    return hits;
}

MemoFolder& TheMemoFolder() {
    static MemoFolder folder;
    return folder;
}
