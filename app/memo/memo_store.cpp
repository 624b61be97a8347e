#include "app/memo/memo_store.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/memo/memo_search.h"
#include "platform/directory_watch.h"
#include "platform/file.h"
#include "platform/handles.h"
#include "platform/whole_file.h"
#include "platform/win_app.h"

namespace {

// Static storage without a constructor or destructor: zero until
// InitMemoPaths, and still there while the reminder thread runs on after
// static destructors.
MemoStore g_memos;

// A save that meets the reminder thread's read waits this long, in steps.
constexpr int kReplaceAttempts = 6;


// A string longer than the platform's longest path stays empty rather than cut.
void CopyIntoBuffer(char (&buffer)[MemoStore::kPathBufferSize], const std::string& text) {
    std::memset(buffer, 0, sizeof buffer);
    if (text.size() < sizeof buffer) std::memcpy(buffer, text.data(), text.size());
}

// Writes the new bytes to `temp`, flushed to the disk. Throws naming `path`;
// a partly written `temp` is removed.
void WriteWholeFile(const std::string& temp, const std::string& path, const char* bytes,
                    std::size_t length) {
    try {
        WriteFlushedFile(temp, bytes, length);
    } catch (const CFileException& e) {
        ::DeleteFileA(temp.c_str());  // the file is closed by now
        throw CFileException(e.m_cause, e.m_lOsError, path);
    }
}

}  // namespace

MemoStore& Memos() { return g_memos; }

void MemoStore::InitMemoPaths(const std::string& programDirectory) {
    // Without a directory the strings stay empty: the names alone would be
    // paths from the root of whatever drive is current.
    const MemoPaths paths =
        programDirectory.empty() ? MemoPaths{} : MakeMemoPaths(programDirectory);
    CopyIntoBuffer(m_remarkDir, paths.remarkDir);
    CopyIntoBuffer(m_remarkPrefix, paths.remarkPrefix);
    CopyIntoBuffer(m_noticeDir, paths.noticeDir);
    CopyIntoBuffer(m_noticePrefix, paths.noticePrefix);
    CopyIntoBuffer(m_repeatDir, paths.repeatDir);
    CopyIntoBuffer(m_aheadPrefix, paths.aheadPrefix);
    ++m_repeatChanges;  // another folder: what was read of the old one is gone
}

void MemoStore::InitMemoPaths() {
    // Never a cut path: that would put the memos somewhere else. Without a
    // sound path every file reads as not opened.
    const std::string path = ModuleFilePath();
    InitMemoPaths(path.empty() ? std::string() : ProgramDirectory(path, IsAnsiLeadByte));
}

namespace {

// A read as ReadDayFile does it, tried `attempts` times while another open
// holds the file; the platform error when the file could not be opened or
// read, NO_ERROR when it was.
DWORD ReadText(const std::string& path, std::size_t limit, int attempts, std::string& text) {
    text.clear();
    if (!FitsPathBuffer(path)) return ERROR_FILENAME_EXCED_RANGE;
    std::string bytes;
    const DWORD error = ReadFileStart(path, CFile::shareExclusive, limit, attempts, bytes);
    if (error == NO_ERROR) text = TextOfRead(bytes.data(), bytes.size(), limit);
    return error;
}

// The editor waits this long for a file held elsewhere, in steps.
constexpr int kEditReadAttempts = 50;

}  // namespace

bool MemoStore::ReadDayFile(const std::string& path, std::size_t limit, std::string& text) {
    return ReadText(path, limit, 1, text) == NO_ERROR;
}

unsigned long MemoStore::ReadDayFileForEdit(const std::string& path, std::size_t limit,
                                            std::string& text) {
    const DWORD error = ReadText(path, limit, kEditReadAttempts, text);
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILENAME_EXCED_RANGE:  // no file there; a save reports the path
            return NO_ERROR;
        default:
            return error;
    }
}

void MemoStore::WriteDayFile(const std::string& path, const char* bytes, std::size_t length) const {
    if (!FitsPathBuffer(path))
        throw CFileException(CFileException::badPath, ERROR_FILENAME_EXCED_RANGE, path);
    if (m_noticeDir[0] != '\0') ::CreateDirectoryA(m_noticeDir, nullptr);
    if (m_remarkDir[0] != '\0') ::CreateDirectoryA(m_remarkDir, nullptr);

    // The new bytes go to a file beside the target that no reader asks for
    // (readers only build "<prefix><date>.txt"), and then replace the target
    // in one step, so a crash or a full disk leaves the old memo whole.
    const std::string temp = TempPath(path);
    WriteWholeFile(temp, path, bytes, length);

    const DWORD error = MoveWholeFile(temp, path, true, kReplaceAttempts);
    if (error == NO_ERROR) return;
    ::DeleteFileA(temp.c_str());
    throw CFileException::FromOsError(error, path);
}

std::string MemoStore::TempPath(const std::string& path) {
    char id[16];
    std::snprintf(id, sizeof id, ".%lx.tmp", static_cast<unsigned long>(::GetCurrentProcessId()));
    return path + id;
}

bool MemoStore::DeleteDayFile(const std::string& path) {
    if (!FitsPathBuffer(path)) return true;  // no file can be there
    // A delete that meets the reminder thread's read waits for it like a save.
    DWORD error = NO_ERROR;
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (attempt > 0) ::Sleep(kWholeFilePauseMs);
        if (::DeleteFileA(path.c_str())) return true;
        error = ::GetLastError();
        if (!IsSharingCollision(error)) break;
    }
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME;
}

// ------------------------------------------------------------- by date --

MemoPaths MemoStore::Paths() const {
    return MemoPaths{m_remarkDir,    m_remarkPrefix, m_noticeDir,
                     m_noticePrefix, m_repeatDir,    m_aheadPrefix};
}

std::string MemoStore::MemoPath(const Date& date) const {
    return MakeDayFilePath(m_remarkPrefix, date.year, date.month, date.day);
}

std::string MemoStore::NoticePath(const Date& date) const {
    return MakeDayFilePath(m_noticePrefix, date.year, date.month, date.day);
}

std::string MemoStore::MemoFileName(const Date& date) const {
    const std::string path = MemoPath(date);
    return path.substr(path.find_last_of('\\') + 1);
}

std::optional<std::string> MemoStore::ReadMemo(const Date& date, std::size_t limit) const {
    std::string text;
    if (!ReadDayFile(MemoPath(date), limit, text)) return std::nullopt;
    return text;
}

std::optional<std::string> MemoStore::ReadNotice(const Date& date, std::size_t limit) const {
    std::string text;
    if (!ReadDayFile(NoticePath(date), limit, text)) return std::nullopt;
    return text;
}

unsigned long MemoStore::ReadMemoForEdit(const Date& date, std::size_t limit,
                                         std::string& text) const {
    return ReadDayFileForEdit(MemoPath(date), limit, text);
}

unsigned long MemoStore::ReadNoticeForEdit(const Date& date, std::size_t limit,
                                           std::string& text) const {
    return ReadDayFileForEdit(NoticePath(date), limit, text);
}

void MemoStore::SaveMemo(const Date& date, const char* bytes, std::size_t length) {
    WriteDayFile(MemoPath(date), bytes, length);  // a failure leaves the file as it was
    MemoChange change;
    change.date = date;
    change.known = true;
    change.bytes = bytes;
    change.length = length;
    Tell(change);
}

void MemoStore::SaveNotice(const Date& date, const char* bytes, std::size_t length) {
    WriteDayFile(NoticePath(date), bytes, length);
}

void MemoStore::DeleteMemo(const Date& date) {
    MemoChange change;
    change.date = date;
    change.known = DeleteDayFile(MemoPath(date));
    Tell(change);
}

MemoStore::MonthListing MemoStore::ListMonth(int year, int month) const {
    return List(MonthFilePattern(m_remarkPrefix, year, month));
}

MemoStore::MonthListing MemoStore::ListAllMemos() const {
    return List(m_remarkPrefix[0] ? std::string(m_remarkPrefix) + "*.txt" : std::string());
}

std::optional<Date> MemoStore::DateOfMemoFile(const std::string& name) const {
    const std::string prefix = m_remarkPrefix;
    return DateOfDayFileName(name, prefix.substr(prefix.find_last_of('\\') + 1));
}

MemoStore::MonthListing MemoStore::ListAllNotices() const {
    return List(m_noticePrefix[0] ? std::string(m_noticePrefix) + "*.txt" : std::string());
}

std::optional<Date> MemoStore::DateOfNoticeFile(const std::string& name) const {
    const std::string prefix = m_noticePrefix;
    return DateOfDayFileName(name, prefix.substr(prefix.find_last_of('\\') + 1));
}

std::string MemoStore::BackupFolder() const {
    const std::string remark = m_remarkDir;
    const std::size_t slash = remark.find_last_of('\\');
    return slash == std::string::npos ? std::string() : remark.substr(0, slash) + "\\Backup";
}

MemoStore::MonthListing MemoStore::List(const std::string& pattern) const {
    MonthListing listing;
    WIN32_FIND_DATAA found{};
    const FindHandle search(pattern.empty() || !FitsPathBuffer(pattern)
                                ? INVALID_HANDLE_VALUE
                                : ::FindFirstFileA(pattern.c_str(), &found));
    if (!search) {
        const DWORD error = ::GetLastError();
        listing.listed =
            !pattern.empty() && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
        return listing;
    }
    listing.listed = true;
    const auto join = [](DWORD high, DWORD low) {
        return (static_cast<unsigned long long>(high) << 32) | low;
    };
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        ListedFile file;
        file.name = found.cFileName;
        file.written = join(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime);
        file.created = join(found.ftCreationTime.dwHighDateTime, found.ftCreationTime.dwLowDateTime);
        file.size = join(found.nFileSizeHigh, found.nFileSizeLow);
        listing.files.push_back(std::move(file));
    } while (::FindNextFileA(search.Get(), &found));
    return listing;
}

bool MemoStore::WatchMemoFolder(DirectoryWatch& watch) const { return watch.Start(m_remarkDir); }

// ------------------------------------------------------ repeating memos --

namespace {
constexpr const char* kRepeatStem = kRepeatFileStem;
unsigned RepeatNumber(const std::string& name) { return RepeatFileNumber(name); }
}  // namespace

std::vector<MemoStore::StoredRepeat> MemoStore::ReadRepeats() const {
    std::vector<StoredRepeat> found;
    if (m_repeatDir[0] == '\0') return found;
    const std::string dir = m_repeatDir;
    for (const ListedFile& file : List(dir + "\\" + kRepeatStem + "*.txt").files) {
        if (RepeatNumber(file.name) == 0) continue;
        std::string text;
        if (!ReadDayFile(dir + "\\" + file.name, kRepeatReadLimit, text)) continue;
        if (std::optional<RepeatMemo> memo = ReadRepeatFile(text))
            found.push_back(StoredRepeat{file.name, std::move(*memo)});
    }
    // In the order they were made, whatever order the folder lists them in.
    std::sort(found.begin(), found.end(), [](const StoredRepeat& a, const StoredRepeat& b) {
        return RepeatNumber(a.name) < RepeatNumber(b.name);
    });
    return found;
}

std::string MemoStore::SaveRepeat(const std::string& name, const RepeatMemo& memo) {
    const std::string dir = m_repeatDir;
    std::string chosen = name;
    if (chosen.empty()) {
        // One past the highest number there: a deleted memo's name is not
        // taken again at once by another.
        unsigned highest = 0;
        for (const ListedFile& file : List(dir + "\\" + kRepeatStem + "*.txt").files)
            highest = std::max(highest, RepeatNumber(file.name));
        chosen = kRepeatStem + std::to_string(highest + 1) + ".txt";
    }
    if (!dir.empty()) ::CreateDirectoryA(dir.c_str(), nullptr);
    const std::string text = RepeatFileText(memo);
    WriteDayFile(dir.empty() ? std::string() : dir + "\\" + chosen, text.data(), text.size());
    ++m_repeatChanges;
    return chosen;
}

bool MemoStore::DeleteRepeat(const std::string& name) {
    if (m_repeatDir[0] == '\0' || RepeatNumber(name) == 0) return true;
    const bool gone = DeleteDayFile(std::string(m_repeatDir) + "\\" + name);
    ++m_repeatChanges;
    return gone;
}

MemoStore::MonthListing MemoStore::ListRepeats() const {
    MonthListing listing =
        List(m_repeatDir[0] ? std::string(m_repeatDir) + "\\" + kRepeatStem + "*.txt" : std::string());
    listing.files.erase(std::remove_if(listing.files.begin(), listing.files.end(),
                                       [](const ListedFile& f) { return RepeatNumber(f.name) == 0; }),
                        listing.files.end());
    return listing;
}

std::string MemoStore::RepeatPath(const std::string& name) const {
    if (m_repeatDir[0] == '\0' || RepeatNumber(name) == 0) return std::string();
    return std::string(m_repeatDir) + "\\" + name;
}

bool MemoStore::WatchRepeatFolder(DirectoryWatch& watch) const { return watch.Start(m_repeatDir); }

bool MemoStore::RepeatFolderPresent() const {
    if (m_repeatDir[0] == '\0') return false;
    const DWORD attributes = ::GetFileAttributesA(m_repeatDir);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int MemoStore::ReadAhead(const Date& date) const {
    std::string text;
    if (!ReadDayFile(MakeDayFilePath(m_aheadPrefix, date.year, date.month, date.day), 16, text))
        return 0;
    return AheadOfFileText(text);
}

void MemoStore::SaveAhead(const Date& date, int minutes) {
    const std::string path = MakeDayFilePath(m_aheadPrefix, date.year, date.month, date.day);
    if (minutes <= 0) {
        DeleteDayFile(path);
        return;
    }
    const std::string text = AheadFileText(minutes);
    WriteDayFile(path, text.data(), text.size());
}

// ------------------------------------------------------------ listeners --

void MemoStore::Listen(Listener listener, void* context) {
    for (Slot& slot : m_listeners)
        if (slot.listener == nullptr) {
            slot = Slot{listener, context};
            return;
        }
}

void MemoStore::StopListening(void* context) {
    for (Slot& slot : m_listeners)
        if (slot.context == context) slot = Slot{nullptr, nullptr};
}

void MemoStore::Tell(const MemoChange& change) const {
    for (const Slot& slot : m_listeners)
        if (slot.listener != nullptr) slot.listener(slot.context, change);
}
