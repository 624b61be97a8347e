// Every memo of the memo folder, for finding memos by their words: one
// listing of the folder, and each file read through the memo store. A file
// whose size and write time are those it had at the last look is not read
// again, so a search as the user types costs the listing and the matching;
// memos written meanwhile, by this program or another, are read anew.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/base/basic_types.h"
#include "core/memo/memo_search.h"

class MemoFolder {
public:
    // Looks at the memo folder again: new and changed files are read,
    // files gone are dropped.
    void Refresh();
    // The dates whose memo holds every word, each with its line to show,
    // newest first.
    std::vector<MemoHit> Find(const std::vector<std::string>& words) const;
    std::size_t Count() const { return m_memos.size(); }

private:
    struct Memo {
        Date date;
        unsigned long long size = 0;
        unsigned long long written = 0;
        std::string content;  // the editor's content: the head cut off
        bool seen = false;
    };
    std::map<long long, Memo> m_memos;  // by date
};

// The program's one folder index: it lives as long as the process, so a
// second search starts from what the first read.
MemoFolder& TheMemoFolder();
