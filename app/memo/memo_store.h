// The memo store: one memo file (Remark) and one notice file (Notice) per
// date beside the program, reached only through these free functions and the
// four path strings. Every open is exclusive and lasts for one read or one
// write; the store caches nothing (the panel's grid keeps what it read while
// the files stay unchanged: app/memo/month_memos.h).
#pragma once

#include <cstddef>
#include <string>

#include "core/memo/memo_format.h"

// The four path strings, process-wide and written only by InitMemoPaths,
// which the program calls once before the reminder thread starts; after that
// they are only read. They are plain arrays, so the reminder thread may read
// them until the process is gone, after static destructors have run. Each
// holds its string whole, however deep the program folder (up to the
// longest path the platform gives), so a file path built from it is never
// cut: one too long to open is refused by the reads and writes below and
// named whole by a failed write's report.
constexpr std::size_t kMemoPathsBufferSize = 32768 + 16;
extern char RemarkDir[kMemoPathsBufferSize];     // <dir>\Remark
extern char RemarkPrefix[kMemoPathsBufferSize];  // <dir>\Remark\Remark_
extern char NoticeDir[kMemoPathsBufferSize];     // <dir>\Notice
extern char NoticePrefix[kMemoPathsBufferSize];  // <dir>\Notice\Notice_

// Computes the four path strings below the running program's directory.
void InitMemoPaths();
// The same below a given directory (the window tests use a scratch one).
void InitMemoPaths(const std::string& programDirectory);

// MakeDayFilePath(prefix, year, month, day) (core/memo/memo_format.h) builds the
// path of a date's file from RemarkPrefix or NoticePrefix.

// Opens the existing file exclusively, reads at most `limit` bytes in one
// read and closes it. True when the file was opened; `text` is then the
// bytes up to the first zero byte (see TextOfRead), else empty. A missing,
// locked, unreadable or too long path reads as not opened. Never throws.
bool ReadDayFile(const std::string& path, std::size_t limit, std::string& text);

// The editor's read, which must not take a file held elsewhere for a missing
// one (its OK would then replace the memo it never showed). Like ReadDayFile,
// but a file that another open holds is waited for (about a second). Returns
// 0 when the file was read or does not exist (`text` then empty), else the
// platform error that kept an existing file from being read (a sharing
// violation when it stayed held); `text` is then empty.
unsigned long ReadDayFileForEdit(const std::string& path, std::size_t limit, std::string& text);

// Creates NoticeDir and RemarkDir (failures ignored), then replaces the file
// with exactly `length` bytes in one step: the old content stays whole until
// the new one is complete. A reader holding the file briefly is waited for
// (about 100 ms). Throws CFileException naming `path` on any failure, the
// old file then being left as it was.
void WriteDayFile(const std::string& path, const char* bytes, std::size_t length);

// Deletes the file; a missing file is no error.
void DeleteDayFile(const std::string& path);
