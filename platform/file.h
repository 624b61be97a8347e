// CFile: a file handle with the open modes the program uses, and
// CFileException, whose text is the standard one naming the file. Nothing
// here shows it: the window that ran the failed step does.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "platform/exception.h"
#include "platform/handles.h"

class CFileException : public CException {
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    CFileException(Cause cause, DWORD osError, std::string fileName)
        : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}

    // The cause of a platform error code (GetLastError).
    static Cause OsErrorToCause(DWORD osError);
    // The exception for a platform error code on `fileName`.
    static CFileException FromOsError(DWORD osError, const std::string& fileName);

    // The standard text of the cause with the file name in place of %1,
    // e.g. "Access to C:\x.txt was denied."
    std::string ErrorMessage() const override;

    Cause m_cause;
    DWORD m_lOsError;
    std::string m_strFileName;
};

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,  // no other open of the file while this one lasts
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,  // create, or truncate an existing file to zero length
    };

    CFile() = default;
    ~CFile() = default;  // closes without reporting
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // False (and `error` filled when given) when the file cannot be opened.
    bool Open(const char* fileName, UINT openFlags, CFileException* error = nullptr);
    bool IsOpen() const { return static_cast<bool>(m_file); }
    const std::string& GetFilePath() const { return m_fileName; }

    // Each throws CFileException naming the file when the platform call fails.
    UINT Read(void* buffer, UINT count);
    void Write(const void* buffer, UINT count);
    void Flush();  // to the disk, not only out of this process
    void Close();

private:
    [[noreturn]] void ThrowLastError() const;

    FileHandle m_file;
    std::string m_fileName;
};
