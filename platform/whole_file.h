// Whole-file steps on files that another program may hold for a moment (the
// memo files, which Vellumo and the backup program both read and replace):
// the start of a file read in one open, a file written whole and flushed,
// and a whole file put in another's place in one step, so that no reader
// ever meets one half written. A step that meets another open tries again,
// kWholeFilePauseMs apart, as often as its caller says.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

constexpr DWORD kWholeFilePauseMs = 20;

// Whether `error` means another open holds the file at the moment.
bool IsSharingCollision(DWORD error);

// The first `limit` bytes of `path` (all of a shorter file) in `bytes`, read
// in one open that shares the file as `share` says (CFile::shareExclusive,
// CFile::shareDenyWrite, ...). A file another open holds is tried again, up
// to `attempts` tries in all. NO_ERROR, or the platform's error of the last
// try (`bytes` then empty).
DWORD ReadFileStart(const std::string& path, UINT share, std::size_t limit, int attempts,
                    std::string& bytes);

// Writes `length` bytes as the whole new file `path` (made anew, or cut to
// nothing first), held exclusively meanwhile, and flushes them to the disk.
// Throws CFileException naming `path`; a part written stays.
void WriteFlushedFile(const std::string& path, const char* bytes, std::size_t length);

// Lets the whole file `temp` take the place of `target` in one step (a
// rename on one volume, written through). With `replace`, a target that is
// there is replaced once no other open holds it and it can be written, as a
// save that rewrote it in place would need; without, only an empty place is
// taken (ERROR_ALREADY_EXISTS or ERROR_FILE_EXISTS for a target that is
// there). Up to `attempts` tries. NO_ERROR, or the platform's error; the
// target is then as it was and `temp` stays.
DWORD MoveWholeFile(const std::string& temp, const std::string& target, bool replace, int attempts);
