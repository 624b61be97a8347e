#include "companions/sandrel/sandrel_files.h"

#include "platform/file.h"
#include "platform/handles.h"
#include "platform/whole_file.h"

namespace sandrel {

namespace {

// Vellumo's reads and saves hold a memo for a moment; a step that meets one
// tries again this often, kWholeFilePauseMs apart.
constexpr int kAttempts = 10;

}  // namespace

std::vector<std::string> NamesIn(const std::string& dir, bool folders) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    FindHandle find(::FindFirstFileA((dir + "\\*").c_str(), &data));
    if (!find) return names;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folders) names.push_back(name);
    } while (::FindNextFileA(find.Get(), &data));
    return names;
}

bool IsFolder(const std::string& path) {
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTree(const std::string& dir) {
    for (const std::string& sub : NamesIn(dir, true)) RemoveTree(dir + "\\" + sub);
    for (const std::string& file : NamesIn(dir, false)) {
        const std::string path = dir + "\\" + file;
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
    }
    ::RemoveDirectoryA(dir.c_str());
}

bool ReadWhole(const std::string& path, std::string* bytes, std::size_t limit) {
    bytes->clear();
    FileHandle file;
    for (int attempt = 0; attempt < kAttempts && !file; ++attempt) {
        if (attempt > 0) ::Sleep(kWholeFilePauseMs);
        file.Reset(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && !IsSharingCollision(::GetLastError())) return false;
    }
    if (!file) return false;
    char chunk[16384];
    DWORD got = 0;
    while (::ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr)) {
        if (got == 0) return true;
        if (got > limit - bytes->size()) return false;
        bytes->append(chunk, got);
    }
    return false;
}

DayRead ReadDayFile(const std::string& path, std::size_t limit, std::string* bytes) {
    const DWORD error = ReadFileStart(path, CFile::shareDenyWrite, limit + 1, 5 * kAttempts, *bytes);
    if (error == NO_ERROR) return DayRead::kRead;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return DayRead::kMissing;
    return DayRead::kNotReadable;
}

bool ReadState(const std::string& path, FileState* state) {
    std::string bytes;
    if (ReadWhole(path, &bytes, kJournalReadLimit)) {
        *state = StateOfBytes(bytes);
        return true;
    }
    const DWORD error = ::GetLastError();
    if (!Exists(path) && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
        *state = FileState{};
        return true;
    }
    return false;
}

bool WriteFlushed(const std::string& path, const std::string& bytes) {
    try {
        WriteFlushedFile(path, bytes.data(), bytes.size());
        return true;
    } catch (const CFileException&) {
        return false;
    }
}

DWORD MoveWhole(const std::string& temp, const std::string& target, bool replace) {
    return MoveWholeFile(temp, target, replace, kAttempts);
}

bool PlaceWhole(const std::string& target, const std::string& temp, const std::string& bytes, bool replace) {
    if (WriteFlushed(temp, bytes) && MoveWhole(temp, target, replace) == NO_ERROR) return true;
    ::DeleteFileA(temp.c_str());
    return false;
}

Placed PlaceIfUnchanged(const std::string& target, const std::string& temp, const std::string& bytes,
                        const FileState& expected) {
    if (!WriteFlushed(temp, bytes)) {
        ::DeleteFileA(temp.c_str());
        return Placed::kFailed;
    }
    FileState now;
    Placed placed = Placed::kFailed;
    if (ReadState(target, &now) && now != expected) {
        placed = Placed::kChanged;
    } else if (now == expected) {
        // Where nothing was, the move takes only an empty place: a file
        // made since is found taken, never replaced.
        const DWORD error = MoveWhole(temp, target, expected.exists);
        if (error == NO_ERROR) return Placed::kWritten;
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) placed = Placed::kChanged;
    }
    ::DeleteFileA(temp.c_str());
    return placed;
}

}  // namespace sandrel
