// The backup program's file-system steps, shared by backing up and
// restoring: listing, whole-file reads, and writes that put a file in place
// in one step so that no reader ever meets it half written.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sandrel {

// Names in `dir`: its plain files, or its subfolders.
std::vector<std::string> NamesIn(const std::string& dir, bool folders);
bool IsFolder(const std::string& path);
bool Exists(const std::string& path);
void RemoveTree(const std::string& dir);

// The whole file; false when it could not be read or is longer than
// `limit`. Vellumo holds a memo exclusively for the moment of one read or
// save: that is waited out.
bool ReadWhole(const std::string& path, std::string* bytes, std::size_t limit = SIZE_MAX);

// A memo or notice file read as the memo store reads it: at most `limit`
// bytes are kept, but more are read so that the caller sees that the file
// holds more (`bytes` then longer than `limit`). A file another open holds
// is waited for (about a second), so one held is never taken for a missing one.
enum class DayRead { kRead, kMissing, kNotReadable };
DayRead ReadDayFile(const std::string& path, std::size_t limit, std::string* bytes);

// Size and time of last write, read without opening the file (so without
// turning away a reader): tells whether a file changed between two looks.
struct Stamp {
    std::uint64_t size = 0;
    std::uint64_t written = 0;
    bool operator==(const Stamp& o) const { return size == o.size && written == o.written; }
};
bool StampOf(const std::string& path, Stamp* stamp);

// Writes `bytes` as the whole new file `path`, flushed to the disk.
bool WriteFlushed(const std::string& path, const std::string& bytes);
// Lets the whole file `temp` take the place of `target` in one step (a
// rename on one volume), replacing it when `replace`, else only where
// nothing is there. NO_ERROR, or the platform's error (ERROR_ALREADY_EXISTS
// or ERROR_FILE_EXISTS for a target that is there); the target is then as it
// was and `temp` stays.
DWORD MoveWhole(const std::string& temp, const std::string& target, bool replace);
// Both: puts `bytes` at `target` in one step, written to `temp` first; on
// failure `temp` is removed and the target is as it was.
bool PlaceWhole(const std::string& target, const std::string& temp, const std::string& bytes, bool replace);

}  // namespace sandrel
