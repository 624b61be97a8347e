// The memo store: one memo file (Remark) and one notice file (Notice) per
// date beside the program. The one process-wide MemoStore (Memos()) holds
// the two folders and the two file-name prefixes and is the only code that
// names them or builds a day file's path: every read, save, delete and
// month listing of the memo files goes through it. Every open is exclusive
// and lasts for one read or one write; the store caches nothing (the
// panel's grid keeps what it read while the files stay unchanged, and is
// told of this program's own saves: app/memo/month_memos.h).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/base/basic_types.h"
#include "core/memo/memo_format.h"
#include "core/memo/repeat_memo.h"

class DirectoryWatch;

class MemoStore {
public:
    // Each path name holds its string whole, however deep the program folder
    // (up to the longest path the platform gives), so a file path built from
    // it is never cut: one too long to open is refused by the reads and
    // writes below and named whole by a failed write's report.
    static constexpr std::size_t kPathBufferSize = kLongestPath + 16;

    // Computes the four path names below the running program's directory.
    // Called once before the reminder thread starts; after that they are
    // only read.
    void InitMemoPaths();
    // The same below a given directory (the window tests use a scratch one).
    void InitMemoPaths(const std::string& programDirectory);
    // The four path names as set (empty before InitMemoPaths or without a
    // directory).
    MemoPaths Paths() const;

    // The path of a date's file, for messages and for those placing files
    // by hand (the tests); empty before set-up.
    std::string MemoPath(const Date& date) const;
    std::string NoticePath(const Date& date) const;
    // The file name alone of a date's memo file, as a month listing gives it.
    std::string MemoFileName(const Date& date) const;

    // A date's memo or notice as ReadDayFile reads it: none when the file is
    // missing, held elsewhere, unreadable or its path too long.
    std::optional<std::string> ReadMemo(const Date& date, std::size_t limit = kMemoReadLimit) const;
    std::optional<std::string> ReadNotice(const Date& date,
                                          std::size_t limit = kNoticeReadLimit) const;
    std::optional<std::string> ReadMemo(int year, int month, int day) const {
        return ReadMemo(Date{year, month, day});
    }
    std::optional<std::string> ReadNotice(int year, int month, int day) const {
        return ReadNotice(Date{year, month, day});
    }
    // The editor's reads, as ReadDayFileForEdit.
    unsigned long ReadMemoForEdit(const Date& date, std::size_t limit, std::string& text) const;
    unsigned long ReadNoticeForEdit(const Date& date, std::size_t limit, std::string& text) const;

    // Save and delete, as WriteDayFile and DeleteDayFile. The memo's
    // listeners are told what the file holds afterwards.
    void SaveMemo(const Date& date, const char* bytes, std::size_t length);
    void SaveNotice(const Date& date, const char* bytes, std::size_t length);
    void DeleteMemo(const Date& date);

    // The repeating memos, one file each in the Repeat folder
    // ("Repeat_<n>.txt"), read whole as the folder lists them. A file that
    // does not read as one (held elsewhere, damaged) is left out.
    struct StoredRepeat {
        std::string name;  // file name alone
        RepeatMemo memo;
    };
    std::vector<StoredRepeat> ReadRepeats() const;
    // Writes `memo` under `name`, or under a new name when `name` is empty,
    // with the atomic save of WriteDayFile (creating the folder); returns
    // the name. Throws CFileException naming the file on any failure.
    std::string SaveRepeat(const std::string& name, const RepeatMemo& memo);
    // False when the file is still there (held elsewhere past the wait).
    bool DeleteRepeat(const std::string& name);
    // Counts this program's saves and deletes of repeating memos: a view of
    // them reads again when it moved.
    unsigned RepeatChanges() const { return m_repeatChanges; }
    // Starts `watch` on the Repeat folder; false when that cannot be done now.
    bool WatchRepeatFolder(DirectoryWatch& watch) const;
    // Whether the Repeat folder is there, from one look at its attributes.
    bool RepeatFolderPresent() const;

    // How long before a date's remind time its memo reminds ahead, in
    // minutes (0: at the time), kept in a file beside the notice file.
    int ReadAhead(const Date& date) const;
    // 0 deletes the file. Throws CFileException as SaveNotice.
    void SaveAhead(const Date& date, int minutes);

    // One memo file of a month as the folder lists it.
    struct ListedFile {
        std::string name;  // file name alone, as the file system gives it
        unsigned long long written = 0;
        unsigned long long created = 0;
        unsigned long long size = 0;
    };
    struct MonthListing {
        // False when the folder could not be asked (the files then unknown);
        // true with no files when the month or the folder has none.
        bool listed = false;
        std::vector<ListedFile> files;
    };
    MonthListing ListMonth(int year, int month) const;
    // Every memo file of the folder, for a search over all of them.
    MonthListing ListAllMemos() const;
    // The date a listed memo file's name stands for; none for any other name.
    std::optional<Date> DateOfMemoFile(const std::string& name) const;
    // The repeating memos' files as the folder lists them, and the path of
    // one by its name ("" for a name the store does not give one).
    MonthListing ListRepeats() const;
    std::string RepeatPath(const std::string& name) const;
    // Every notice file, and the date of a listed one's name.
    MonthListing ListAllNotices() const;
    std::optional<Date> DateOfNoticeFile(const std::string& name) const;
    // The folder the backups go into, beside the memo folders.
    std::string BackupFolder() const;

    // Starts `watch` on the memo folder; false when that cannot be done now.
    bool WatchMemoFolder(DirectoryWatch& watch) const;

    // What this program's save or delete left in a date's memo file: `bytes`
    // (`length` of them) when it was written whole, null when it is gone.
    // `known` is false when the outcome is not known (a delete that the
    // file's holder kept from happening): the file must be read again.
    struct MemoChange {
        Date date;
        bool known = false;
        const char* bytes = nullptr;
        std::size_t length = 0;
    };
    using Listener = void (*)(void* context, const MemoChange& change);
    // A listener is called on the thread that saves (the window thread).
    // Only a few are held; the month caches of the panel use them.
    void Listen(Listener listener, void* context);
    void StopListening(void* context);

    // The primitives, by path.

    // Opens the existing file exclusively, reads at most `limit` bytes in
    // one read and closes it. True when the file was opened; `text` is then
    // the bytes up to the first zero byte (see TextOfRead), else empty. A
    // missing, locked, unreadable or too long path reads as not opened.
    // Never throws.
    static bool ReadDayFile(const std::string& path, std::size_t limit, std::string& text);

    // The editor's read, which must not take a file held elsewhere for a
    // missing one (its OK would then replace the memo it never showed). Like
    // ReadDayFile, but a file that another open holds is waited for (about a
    // second). Returns 0 when the file was read or does not exist (`text`
    // then empty), else the platform error that kept an existing file from
    // being read (a sharing violation when it stayed held); `text` is then
    // empty.
    static unsigned long ReadDayFileForEdit(const std::string& path, std::size_t limit,
                                            std::string& text);

    // Creates the notice and memo folders (failures ignored), then replaces
    // the file with exactly `length` bytes in one step: the old content
    // stays whole until the new one is complete. A reader holding the file
    // briefly is waited for (about 100 ms). Throws CFileException naming
    // `path` on any failure, the old file then being left as it was.
    void WriteDayFile(const std::string& path, const char* bytes, std::size_t length) const;

    // The file a save of `path` writes first, beside it: named for this
    // process, so that no other writer (another copy of the program at its
    // restart, the backup program's import) ever writes the same one or
    // moves this one's bytes into place.
    static std::string TempPath(const std::string& path);

    // Deletes the file; a missing file is no error. False when the file is
    // still there (held elsewhere past the wait).
    static bool DeleteDayFile(const std::string& path);

private:
    void Tell(const MemoChange& change) const;
    MonthListing List(const std::string& pattern) const;

    // Plain arrays in the one static store, which has no destructor: the
    // reminder thread may read them until the process is gone, after static
    // destructors have run.
    char m_remarkDir[kPathBufferSize];     // <dir>\Remark
    char m_remarkPrefix[kPathBufferSize];  // <dir>\Remark\Remark_
    char m_noticeDir[kPathBufferSize];     // <dir>\Notice
    char m_noticePrefix[kPathBufferSize];  // <dir>\Notice\Notice_
    char m_repeatDir[kPathBufferSize];     // <dir>\Repeat
    char m_aheadPrefix[kPathBufferSize];   // <dir>\Notice\Ahead_
    unsigned m_repeatChanges;
    struct Slot {
        Listener listener;
        void* context;
    };
    static constexpr std::size_t kListeners = 8;
    Slot m_listeners[kListeners];
};

// The program's one memo store.
MemoStore& Memos();
