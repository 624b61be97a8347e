// The backup program's file-system steps, shared by backing up and
// restoring: listing, whole-file reads, and writes that put a file in place
// in one step so that no reader ever meets it half written.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "core/tools/backup_rules.h"

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

// What the file holds now (missing, or the state of its bytes); false when
// it is there but could not be read.
bool ReadState(const std::string& path, FileState* state);

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
// The same, but only while the target still holds what it held when the
// caller looked (`expected`), checked once the new bytes are written, just
// before they take its place: a save by another program in the meantime is
// never replaced (and a file made meanwhile where none was is never
// replaced at all). kChanged when it was found changed; the target is then
// as the other program left it.
enum class Placed { kWritten, kChanged, kFailed };
Placed PlaceIfUnchanged(const std::string& target, const std::string& temp, const std::string& bytes,
                        const FileState& expected);

}  // namespace sandrel
