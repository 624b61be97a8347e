#include "app/memo/memo_store.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/file.h"
#include "platform/win_app.h"

char RemarkDir[kMemoPathsBufferSize];
char RemarkPrefix[kMemoPathsBufferSize];
char NoticeDir[kMemoPathsBufferSize];
char NoticePrefix[kMemoPathsBufferSize];

namespace {

// A save that meets the reminder thread's read waits this long, in steps.
constexpr int kReplaceAttempts = 6;
constexpr DWORD kReplacePauseMs = 20;


// A string longer than the platform's longest path stays empty rather than cut.
void CopyIntoBuffer(char (&buffer)[kMemoPathsBufferSize], const std::string& text) {
    std::memset(buffer, 0, sizeof buffer);
    if (text.size() < sizeof buffer) std::memcpy(buffer, text.data(), text.size());
}

// Whether the target may be replaced now: it must not be held by anyone (the
// exclusive sharing readers rely on) and must be writable, as a save that
// rewrote it in place would need. NO_ERROR also when it does not exist yet.
DWORD CheckTarget(const std::string& path) {
    HANDLE probe = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? NO_ERROR : error;
    }
    FileHandle owner(probe);
    return NO_ERROR;
}

// A file another open holds at the moment.
bool IsCollision(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Writes the new bytes to `temp`, flushed to the disk. Throws naming `path`;
// a partly written `temp` is removed.
void WriteWholeFile(const std::string& temp, const std::string& path, const char* bytes,
                    std::size_t length) {
    try {
        CFile file;
        CFileException error(CFileException::none, 0, temp);
        if (!file.Open(temp.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive,
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
    } catch (const CFileException& e) {
        ::DeleteFileA(temp.c_str());  // the file is closed by now
        throw CFileException(e.m_cause, e.m_lOsError, path);
    }
}

}  // namespace

void InitMemoPaths(const std::string& programDirectory) {
    // Without a directory the strings stay empty: the names alone would be
    // paths from the root of whatever drive is current.
    const MemoPaths paths =
        programDirectory.empty() ? MemoPaths{} : MakeMemoPaths(programDirectory);
    CopyIntoBuffer(RemarkDir, paths.remarkDir);
    CopyIntoBuffer(RemarkPrefix, paths.remarkPrefix);
    CopyIntoBuffer(NoticeDir, paths.noticeDir);
    CopyIntoBuffer(NoticePrefix, paths.noticePrefix);
}

void InitMemoPaths() {
    // Never a cut path: that would put the memos somewhere else. Without a
    // sound path every file reads as not opened.
    const std::string path = ModuleFilePath();
    InitMemoPaths(path.empty() ? std::string() : ProgramDirectory(path, IsAnsiLeadByte));
}

namespace {

// One read as ReadDayFile does it; the platform error when the file could
// not be opened or read, NO_ERROR when it was.
DWORD ReadOnce(const std::string& path, std::size_t limit, std::string& text) {
    text.clear();
    if (!FitsPathBuffer(path)) return ERROR_FILENAME_EXCED_RANGE;
    CFile file;
    CFileException error(CFileException::none, 0, path);
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareExclusive, &error))
        return error.m_lOsError != NO_ERROR ? error.m_lOsError : ERROR_OPEN_FAILED;
    std::vector<char> buffer(limit + 1, '\0');
    UINT got = 0;
    try {
        got = file.Read(buffer.data(), static_cast<UINT>(limit));
    } catch (const CFileException& e) {
        return e.m_lOsError != NO_ERROR ? e.m_lOsError : ERROR_READ_FAULT;
    }
    text = TextOfRead(buffer.data(), got, limit);
    return NO_ERROR;
}

// The editor waits this long for a file held elsewhere, in steps.
constexpr int kEditReadAttempts = 50;

}  // namespace

bool ReadDayFile(const std::string& path, std::size_t limit, std::string& text) {
    return ReadOnce(path, limit, text) == NO_ERROR;
}

unsigned long ReadDayFileForEdit(const std::string& path, std::size_t limit, std::string& text) {
    DWORD error = NO_ERROR;
    for (int attempt = 0; attempt < kEditReadAttempts; ++attempt) {
        if (attempt > 0) ::Sleep(kReplacePauseMs);
        error = ReadOnce(path, limit, text);
        if (!IsCollision(error)) break;
    }
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILENAME_EXCED_RANGE:  // no file there; a save reports the path
            return NO_ERROR;
        default:
            return error;
    }
}

void WriteDayFile(const std::string& path, const char* bytes, std::size_t length) {
    if (!FitsPathBuffer(path))
        throw CFileException(CFileException::badPath, ERROR_FILENAME_EXCED_RANGE, path);
    if (NoticeDir[0] != '\0') ::CreateDirectoryA(NoticeDir, nullptr);
    if (RemarkDir[0] != '\0') ::CreateDirectoryA(RemarkDir, nullptr);

    // The new bytes go to a file beside the target that no reader asks for
    // (readers only build "<prefix><date>.txt"), and then replace the target
    // in one step, so a crash or a full disk leaves the old memo whole.
    const std::string temp = path + ".tmp";
    WriteWholeFile(temp, path, bytes, length);

    DWORD error = NO_ERROR;
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (attempt > 0) ::Sleep(kReplacePauseMs);
        // Readers hold the file exclusively for one read; the replace waits
        // for them rather than slip under them.
        error = CheckTarget(path);
        if (error == NO_ERROR) {
            if (::MoveFileExA(temp.c_str(), path.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return;
            error = ::GetLastError();
            // A reader that came in after the check makes the replace fail
            // as access denied; the next check tells which it was.
            if (error == ERROR_ACCESS_DENIED) continue;
        }
        if (!IsCollision(error)) break;
    }
    ::DeleteFileA(temp.c_str());
    throw CFileException::FromOsError(error, path);
}

void DeleteDayFile(const std::string& path) {
    if (!FitsPathBuffer(path)) return;
    // A delete that meets the reminder thread's read waits for it like a save.
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (attempt > 0) ::Sleep(kReplacePauseMs);
        if (::DeleteFileA(path.c_str()) || !IsCollision(::GetLastError())) return;
    }
}
