#include "platform/file.h"

CFileException::Cause CFileException::OsErrorToCause(DWORD osError) {
    switch (osError) {
    case NO_ERROR:
        return none;
    case ERROR_FILE_NOT_FOUND:
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BAD_NETPATH:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return accessDenied;
    case ERROR_INVALID_HANDLE:
        return invalidFile;
    case ERROR_CURRENT_DIRECTORY:
        return removeCurrentDir;
    case ERROR_CANNOT_MAKE:
        return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
        return badSeek;
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_GEN_FAILURE:
        return hardIO;
    case ERROR_SHARING_VIOLATION:
        return sharingViolation;
    case ERROR_LOCK_VIOLATION:
        return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return diskFull;
    case ERROR_HANDLE_EOF:
        return endOfFile;
    default:
        return genericException;
    }
}

CFileException CFileException::FromOsError(DWORD osError, const std::string& fileName) {
    return CFileException(OsErrorToCause(osError), osError, fileName);
}

std::string CFileException::ErrorMessage() const {
    const char* text = "An unexpected error occurred while accessing %1.";
    switch (m_cause) {
    case none:
    case genericException: break;
    case fileNotFound: text = "%1 was not found."; break;
    case badPath: text = "%1 contains an incorrect path."; break;
    case tooManyOpenFiles: text = "Could not open %1 because there are too many open files."; break;
    case accessDenied: text = "Access to %1 was denied."; break;
    case invalidFile: text = "An incorrect file handle was associated with %1."; break;
    case removeCurrentDir: text = "Could not remove %1 because it is the current directory."; break;
    case directoryFull: text = "Could not create %1 because the directory is full."; break;
    case badSeek: text = "Seek failed on %1"; break;
    case hardIO: text = "A hardware I/O error was reported while accessing %1."; break;
    case sharingViolation: text = "A sharing violation occurred while accessing %1."; break;
    case lockViolation: text = "A locking violation occurred while accessing %1."; break;
    case diskFull: text = "Disk full while accessing %1."; break;
    case endOfFile: text = "An attempt was made to access %1 past its end."; break;
    }
    std::string message(text);
    const std::size_t at = message.find("%1");
    const std::string name = m_strFileName.empty() ? std::string("an unnamed file") : m_strFileName;
    if (at != std::string::npos) message.replace(at, 2, name);
    return message;
}

bool CFile::Open(const char* fileName, UINT openFlags, CFileException* error) {
    m_file.Reset();
    m_fileName = fileName ? fileName : "";

    DWORD access = GENERIC_READ;
    switch (openFlags & 0x3) {
    case modeWrite: access = GENERIC_WRITE; break;
    case modeReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default: break;
    }
    DWORD share = 0;
    switch (openFlags & 0x70) {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: break;  // shareExclusive and the compatibility mode: no sharing
    }
    const DWORD disposition = (openFlags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;

    HANDLE handle = ::CreateFileA(m_fileName.c_str(), access, share, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (error) *error = CFileException::FromOsError(::GetLastError(), m_fileName);
        return false;
    }
    m_file.Reset(handle);
    return true;
}

UINT CFile::Read(void* buffer, UINT count) {
    DWORD got = 0;
    if (count != 0 && !::ReadFile(m_file.Get(), buffer, count, &got, nullptr)) ThrowLastError();
    return got;
}

void CFile::Write(const void* buffer, UINT count) {
    DWORD written = 0;
    if (count == 0) return;
    if (!::WriteFile(m_file.Get(), buffer, count, &written, nullptr)) ThrowLastError();
    // A short write without an error means the disk ran out of room.
    if (written != count)
        throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, m_fileName);
}

void CFile::Flush() {
    if (m_file && !::FlushFileBuffers(m_file.Get())) ThrowLastError();
}

void CFile::Close() {
    HANDLE handle = m_file.Release();
    if (handle != INVALID_HANDLE_VALUE && !::CloseHandle(handle)) ThrowLastError();
}

void CFile::ThrowLastError() const {
    throw CFileException::FromOsError(::GetLastError(), m_fileName);
}
