#include "platform/whole_file.h"

#include <vector>

#include "platform/file.h"
#include "platform/handles.h"

namespace {

// One open and one read; the platform error when either failed.
DWORD ReadOnce(const std::string& path, UINT share, std::size_t limit, std::string& bytes) {
    CFile file;
    CFileException error(CFileException::none, 0, path);
    if (!file.Open(path.c_str(), CFile::modeRead | share, &error))
        return error.m_lOsError != NO_ERROR ? error.m_lOsError : ERROR_OPEN_FAILED;
    std::vector<char> buffer(limit + 1, '\0');
    UINT got = 0;
    try {
        got = file.Read(buffer.data(), static_cast<UINT>(limit));
    } catch (const CFileException& e) {
        return e.m_lOsError != NO_ERROR ? e.m_lOsError : ERROR_READ_FAULT;
    }
    bytes.assign(buffer.data(), got);
    return NO_ERROR;
}

// Whether `target` may be replaced now: no one may hold it and it must be
// writable. NO_ERROR also when it is not there.
DWORD CheckTarget(const std::string& target) {
    HANDLE probe = ::CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? NO_ERROR : error;
    }
    FileHandle owner(probe);
    return NO_ERROR;
}

}  // namespace

bool IsSharingCollision(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

DWORD ReadFileStart(const std::string& path, UINT share, std::size_t limit, int attempts,
                    std::string& bytes) {
    DWORD error = NO_ERROR;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0) ::Sleep(kWholeFilePauseMs);
        bytes.clear();
        error = ReadOnce(path, share, limit, bytes);
        if (!IsSharingCollision(error)) break;
    }
    if (error != NO_ERROR) bytes.clear();
    return error;
}

void WriteFlushedFile(const std::string& path, const char* bytes, std::size_t length) {
    CFile file;
    CFileException error(CFileException::none, 0, path);
    if (!file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive,
                   &error))
        throw error;
    constexpr std::size_t kChunk = 1u << 20;
    for (std::size_t done = 0; done < length;) {
        const std::size_t n = length - done < kChunk ? length - done : kChunk;
        file.Write(bytes + done, static_cast<UINT>(n));
        done += n;
    }
    file.Flush();
    file.Close();
}

DWORD MoveWholeFile(const std::string& temp, const std::string& target, bool replace, int attempts) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    DWORD error = ERROR_GEN_FAILURE;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0) ::Sleep(kWholeFilePauseMs);
        // A reader holds the file exclusively for one read; the replace
        // waits for it rather than slip under it.
        error = replace ? CheckTarget(target) : NO_ERROR;
        if (error == NO_ERROR) {
            if (::MoveFileExA(temp.c_str(), target.c_str(), flags)) return NO_ERROR;
            error = ::GetLastError();
            // A reader that came in after the check turns the replace away
            // as access denied; the next check tells which it was.
            if (error == ERROR_ACCESS_DENIED) continue;
        }
        if (!IsSharingCollision(error)) break;
    }
    return error != NO_ERROR ? error : ERROR_GEN_FAILURE;
}
