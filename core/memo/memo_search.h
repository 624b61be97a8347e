// Finding memos by the words they hold: the query's words, the match in one
// memo's text, the date a memo file's name stands for and the order of the
// hits. The first functions take text in the ANSI code page as it is (a
// double-byte character is matched whole, so a trail byte is never taken
// for the start of a character; only ASCII letters fold); the find dialog
// matches in UTF-16 by the system's case rules (the second part).
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

// ------------------------------------------------------------ in UTF-16 --
// The find dialog's matching, on text the platform has turned into UTF-16.
// Case is folded by a table of 65536 units (`fold`): the system's lower case
// of each unit (see CompleteCaseFold), so any script the system knows is
// matched regardless of case. A match never starts or ends inside a
// surrogate pair.

// Makes the system's lower-case table a fold: letters with two lower-case
// forms (the Greek final sigma) are made one.
void CompleteCaseFold(char16_t* lower);

// The query's words, folded: split at spaces, tabs and ideographic spaces,
// empty ones dropped. This is the one place that names the separators.
std::vector<std::u16string> SearchWords(const std::u16string& query, const char16_t* fold);

// Where the folded `word` first stands in `text` (`length` units; a memo
// without a unit above 0xFF may be kept a byte a unit); npos when nowhere
// or for an empty word.
std::size_t FindFolded(const char16_t* text, std::size_t length, const std::u16string& word,
                       const char16_t* fold);
std::size_t FindFolded(const unsigned char* text, std::size_t length, const std::u16string& word,
                       const char16_t* fold);

// A memo's line to show, as [begin, end) of its text, without the line break.
struct TextLine {
    std::size_t begin = 0, end = 0;
};
// Every word somewhere in the text: the line holding the first word's first
// place. No words, or a word missing: std::nullopt.
std::optional<TextLine> MatchWords(const char16_t* text, std::size_t length,
                                   const std::vector<std::u16string>& words, const char16_t* fold);
std::optional<TextLine> MatchWords(const unsigned char* text, std::size_t length,
                                   const std::vector<std::u16string>& words, const char16_t* fold);
