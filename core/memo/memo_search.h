// Finding memos by the words they hold: the query's words, the match in one
// memo's text, the date a memo file's name stands for and the order of the
// hits. Text is in the ANSI code page: a double-byte character is matched
// whole, so a trail byte is never taken for the start of a character.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/base/basic_types.h"
#include "core/memo/memo_format.h"

// The query's words: split at spaces and tabs, empty ones dropped.
std::vector<std::string> QueryWords(const std::string& query, LeadBytePredicate isLeadByte);

// Where `word` first stands in `text`, starting at a character, with ASCII
// letters matched regardless of case and every other byte exactly;
// std::string::npos when nowhere (or for an empty word).
std::size_t FindWord(const std::string& text, const std::string& word,
                     LeadBytePredicate isLeadByte);

// The line of a memo's content to show for a query: std::nullopt unless
// every word is somewhere in the content; else the first line (without its
// line break) holding the first word, or, when the words lie on different
// lines, that line still. No words: std::nullopt.
std::optional<std::string> MatchMemo(const std::string& content,
                                     const std::vector<std::string>& words,
                                     LeadBytePredicate isLeadByte);

// The date of a memo file's name: `stem` (the prefix's file part, say
// "Remark_") + "2008-1-5" + ".txt", case-insensitive as the file system is;
// std::nullopt for any other name or an impossible date.
std::optional<Date> DateOfDayFileName(const std::string& name, const std::string& stem);

struct MemoHit {
    Date date;
    std::string line;
};
// Newest date first.
void SortNewestFirst(std::vector<MemoHit>& hits);
