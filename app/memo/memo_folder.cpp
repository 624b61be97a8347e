#include "app/memo/memo_folder.h"

#include <windows.h>

#include "app/memo/memo_store.h"
#include "core/memo/memo_format.h"
#include "platform/handles.h"

namespace {
long long KeyOf(const Date& d) {
    return (static_cast<long long>(d.year) * 100 + d.month) * 100 + d.day;
}
}  // namespace

void MemoFolder::Refresh() {
    for (auto& entry : m_memos) entry.second.seen = false;
    const MemoStore::MonthListing listing = Memos().ListAllMemos();
    for (const MemoStore::ListedFile& file : listing.files) {
        const auto date = Memos().DateOfMemoFile(file.name);
        if (!date) continue;
        Memo& memo = m_memos[KeyOf(*date)];
        const bool fresh = memo.size != file.size || memo.written != file.written || memo.date != *date;
        memo.seen = true;
        if (!fresh) continue;
        const auto text = Memos().ReadMemo(*date);
        memo.date = *date;
        if (!text) {
            // Held by a writer just now: read again at the next look.
            memo.size = memo.written = 0;
            memo.content.clear();
            continue;
        }
        memo.size = file.size;
        memo.written = file.written;
        memo.content = CutMemoHead(*text);
    }
    for (auto it = m_memos.begin(); it != m_memos.end();)
        it = it->second.seen ? std::next(it) : m_memos.erase(it);
}

std::vector<MemoHit> MemoFolder::Find(const std::vector<std::string>& words) const {
    std::vector<MemoHit> hits;
    for (const auto& entry : m_memos) {
        if (auto line = MatchMemo(entry.second.content, words, &IsAnsiLeadByte))
            hits.push_back(MemoHit{entry.second.date, std::move(*line)});
    }
    SortNewestFirst(hits);
    return hits;
}

MemoFolder& TheMemoFolder() {
    static MemoFolder folder;
    return folder;
}
