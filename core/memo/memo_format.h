// Names and texts of the memo and notice files, with no file access: the date
// text, the program directory, the four memo path strings, the file path of a
// date, the memo record and its bracketed head, and the notice time.
//
// A file is opened only by a path of at most kMaxPathLength characters (a
// 256-byte path with its terminating zero). A path that does not fit is never
// cut short, since a cut path names some other file: it is
// built whole, FitsPathBuffer refuses it, and callers treat the file as not
// opened and a write to it as failed (the report naming the whole path).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

constexpr std::size_t kMaxPathLength = 255;
constexpr std::size_t kMemoReadLimit = 4096;     // bytes read from a memo file
constexpr std::size_t kNoticeReadLimit = 16;     // bytes read from a notice file
constexpr std::size_t kMemoContentLimit = 4095;  // bytes of content the editor takes

// True for a lead byte of a double-byte character of the ANSI code page
// (window code passes a wrapper of IsDBCSLeadByte). nullptr: single-byte text.
using LeadBytePredicate = bool (*)(unsigned char);

// Reads one date's file: the text of the read (see TextOfRead) when the file
// was opened, std::nullopt when it was not (missing, locked, path too long).
using DayTextReader = std::function<std::optional<std::string>(int year, int month, int day)>;

// "%d-%d-%d": 2008-1-5, 2008-12-31, 0-1-1, -1-12-31.
std::string DateText(int year, int month, int day);

// The directory of a module path: everything before its last backslash, found
// without mistaking the trail byte of a double-byte character for one. A path
// without a backslash is returned whole.
std::string ProgramDirectory(const std::string& modulePath, LeadBytePredicate isLeadByte);

// The memo folders below the program directory, memos first. A date's
// file in the first two is named "<folder>_<date>.txt"; the third holds the
// repeating memos, "Repeat_<n>.txt" each (core/memo/repeat_memo.h), which an
// older program never asks for. The backup program copies these folders
// whole.
constexpr const char* kMemoFolderNames[] = {"Remark", "Notice", "Repeat"};

// The four path strings below the program directory, whole.
struct MemoPaths {
    std::string remarkDir;     // <dir>\Remark
    std::string remarkPrefix;  // <dir>\Remark\Remark_
    std::string noticeDir;     // <dir>\Notice
    std::string noticePrefix;  // <dir>\Notice\Notice_
    std::string repeatDir;     // <dir>\Repeat
    // A date's remind-ahead minutes, beside its notice file in a file of its
    // own, so the notice file keeps its format: <dir>\Notice\Ahead_
    std::string aheadPrefix;
};
MemoPaths MakeMemoPaths(const std::string& programDirectory);

// prefix + DateText + ".txt", built whole from the prefix's value: a path
// that does not fit is returned whole too (never cut), for FitsPathBuffer to
// refuse and an error report to name. Empty for an empty prefix: the name
// alone would be a path relative to whatever the current directory is.
std::string MakeDayFilePath(const std::string& prefix, int year, int month, int day);
// The wildcard that names every day's file of a month: prefix + "2008-1-*.txt".
// Empty for an empty prefix.
std::string MonthFilePattern(const std::string& prefix, int year, int month);

// Whether a file path is one the memo store opens (1..kMaxPathLength
// characters); it opens no other.
bool FitsPathBuffer(const std::string& path);

// The text of a read: the bytes up to the first zero byte, at most `limit`
// of the `count` bytes read.
std::string TextOfRead(const char* bytes, std::size_t count, std::size_t limit);

// The memo file record: "[" + date text + "] " + content.
std::string MemoRecord(const std::string& dateText, const std::string& content);

// The editor's content of a memo file text: when the first "]" stands at a
// zero-based position p <= 11, the text from p + 2 on (empty when the text
// ends before that); otherwise the whole text.
std::string CutMemoHead(const std::string& memoFileText);

// The notice file record: the two time fields' texts as typed, joined by ":".
std::string NoticeText(const std::string& hourText, const std::string& minuteText);

// A notice text split at its first ":" (hour text before, minute text after);
// std::nullopt when the text holds no ":".
struct NoticeFields {
    std::string hour;
    std::string minute;
};
std::optional<NoticeFields> SplitNoticeText(const std::string& noticeText);

// The remind time of a notice text: each side read as ParseLeadingInt reads
// it (white space, sign, digits; none gives 0; saturating). ":30" is 0:30,
// "007:5" is 7:5. std::nullopt when the text holds no ":" (no remind time).
struct NoticeTime {
    int hour = 0;
    int minute = 0;
};
std::optional<NoticeTime> ParseNoticeTime(const std::string& noticeText);
