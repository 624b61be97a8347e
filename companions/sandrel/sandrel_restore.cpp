// Restoring a backup so that every memo is whole at every instant: each file
// is written in full (in a temp folder beside the memos) and then takes the
// memo's place in one step, a differing memo being kept aside, whole and in
// one step too, before. Before it changes anything, the restore writes a
// journal in Backup that names each file it is to change with what the file
// held then and what it gets, and adds a line for each file it has dealt
// with. A restore cut off is finished later only where its journal shows the
// file untouched since (FinishStep): the backup is only read, every step
// leaves alone what is already as restored, and a file someone changed since
// is never replaced.
#include "companions/sandrel/sandrel.h"

#include "companions/sandrel/sandrel_files.h"
#include "core/memo/memo_format.h"

namespace sandrel {

namespace {

std::string JournalPath(const std::string& dir) { return dir + "\\Backup\\restore.journal"; }
std::string TempFolder(const std::string& memoFolder) { return memoFolder + "\\" + kRestoreTempFolder; }

// Removes what a cut-off restore left half made.
void RemoveRestoreTemps(const std::string& dir) {
    for (const char* folder : kMemoFolderNames) RemoveTree(TempFolder(dir + "\\" + folder));
}

// Forgets a restore: its temp folders and its journal.
void RemoveJournal(const std::string& dir) {
    RemoveRestoreTemps(dir);
    ::DeleteFileA(JournalPath(dir).c_str());
}

bool IsTaken(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

// Keeps `bytes` (the memo `name` in `folder`) under its first free keep name,
// or finds them already kept under one (a restore redone after a cut).
bool KeepAside(const std::string& folder, const std::string& name, const std::string& bytes) {
    const std::string temp = TempFolder(folder) + "\\" + BeforeRestoreName(name);
    if (!WriteFlushed(temp, bytes)) {
        ::DeleteFileA(temp.c_str());
        return false;
    }
    bool kept = false;
    for (int n = 1; n <= kKeepNamesTried && !kept; ++n) {
        // Trying the name is also the test whether it is taken: one lookup
        // of a name that is not there, in a folder of thousands, costs.
        const std::string keep = folder + "\\" + KeepName(name, n);
        const DWORD error = MoveWhole(temp, keep, false);
        if (error == NO_ERROR) return true;
        if (!IsTaken(error)) break;
        std::string there;
        kept = ReadWhole(keep, &there) && there == bytes;
    }
    ::DeleteFileA(temp.c_str());
    return kept;
}

enum class Result { kLeft, kRestored, kRestoredKeeping, kChanged, kFailed };

// Puts the backed-up `bytes` of the memo or remind-time file `name` into
// `folder`. With `expected` (finishing a cut-off restore) only while the
// file holds that: kChanged when it does not.
Result RestoreMemo(const std::string& folder, const std::string& name, const std::string& bytes,
                   const FileState* expected) {
    const std::string dst = folder + "\\" + name;
    // A save by Vellumo between the look at the memo and its replacement
    // would be lost: it is looked at again just before, and a change found
    // then starts the step over.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string current;
        const bool exists = ReadWhole(dst, &current);
        if (!exists && Exists(dst)) return Result::kFailed;
        const FileState now = exists ? StateOfBytes(current) : FileState{};
        if (expected && now != *expected) return Result::kChanged;
        const RestoreStep step = ChooseRestoreStep(FileKind::kMemo, exists, current == bytes);
        if (step == RestoreStep::kLeave) return Result::kLeft;
        if (step == RestoreStep::kKeepAsideAndReplace && !KeepAside(folder, name, current)) return Result::kFailed;
        switch (PlaceIfUnchanged(dst, TempFolder(folder) + "\\" + name, bytes, now)) {
        case Placed::kWritten:
            return exists ? Result::kRestoredKeeping : Result::kRestored;
        case Placed::kChanged:
            continue;
        case Placed::kFailed:
            return Result::kFailed;
        }
    }
    return Result::kFailed;
}

// What a restore or its finishing did, file by file.
struct Tally {
    RestoreCount restore;
    FinishCount finish;
};

// The journal of the running restore, to which each file dealt with is added.
class Progress {
public:
    explicit Progress(const std::string& path)
        : file_(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {
        if (file_) ::SetFilePointer(file_.Get(), 0, nullptr, FILE_END);
    }
    // Not flushed each time: a line lost in a power cut only leaves that
    // file to be judged by what it holds.
    void Done(std::size_t index) {
        const std::string line = JournalDoneLine(index);
        DWORD written = 0;
        if (file_) ::WriteFile(file_.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }

private:
    FileHandle file_;
};

// Restores each file of `journal` not dealt with yet from the backup it
// names. When `finishing` a cut-off restore, only files still as it left
// them; otherwise a memo changed since the journal was written is kept
// aside and replaced like any other.
void Apply(const std::string& dir, const RestoreJournal& journal, bool finishing, Tally* tally) {
    for (const char* folder : kMemoFolderNames) {
        const std::string to = dir + "\\" + folder;
        ::CreateDirectoryA(to.c_str(), nullptr);
        ::CreateDirectoryA(TempFolder(to).c_str(), nullptr);
    }
    Progress progress(JournalPath(dir));
    for (std::size_t i = 0; i < journal.entries.size(); ++i) {
        const JournalEntry& entry = journal.entries[i];
        if (entry.done) {
            ++tally->finish.already;
            continue;
        }
        const std::string to = dir + "\\" + entry.folder;
        const std::string dst = to + "\\" + entry.name;
        const std::string shown = entry.folder + "\\" + entry.name;
        if (finishing) {
            FileState now;
            if (!ReadState(dst, &now)) {
                ++tally->finish.failed;
                continue;
            }
            const FinishStep step = ChooseFinishStep(entry, now);
            if (step != FinishStep::kFinish) {
                if (step == FinishStep::kLeave) ++tally->finish.already;
                if (step == FinishStep::kDrop) tally->finish.dropped.push_back(shown);
                progress.Done(i);
                continue;
            }
        }
        // The backup as the journal saw it: a backup of the same day made
        // since has other texts, which this restore never chose.
        std::string bytes;
        if (!ReadWhole(dir + "\\Backup\\" + journal.backup + "\\" + shown, &bytes) ||
            StateOfBytes(bytes) != entry.after) {
            ++(finishing ? tally->finish.failed : tally->restore.failed);
            continue;
        }
        Result result;
        if (KindOfName(entry.name) == FileKind::kKeptAside) {
            // An earlier text comes back only where none of that name is.
            switch (PlaceIfUnchanged(dst, TempFolder(to) + "\\" + entry.name, bytes, FileState{})) {
            case Placed::kWritten:
                result = Result::kRestored;
                break;
            case Placed::kChanged:
                result = Result::kChanged;
                break;
            default:
                result = Result::kFailed;
            }
        } else {
            result = RestoreMemo(to, entry.name, bytes, finishing ? &entry.before : nullptr);
        }
        switch (result) {
        case Result::kLeft:
            ++tally->finish.already;
            break;
        case Result::kRestoredKeeping:
            ++tally->restore.kept;
            [[fallthrough]];
        case Result::kRestored:
            ++tally->restore.restored;
            ++tally->finish.finished;
            break;
        case Result::kChanged:
            tally->finish.dropped.push_back(shown);
            break;
        case Result::kFailed:
            ++(finishing ? tally->finish.failed : tally->restore.failed);
            continue;
        }
        progress.Done(i);
    }
}

// The journal a cut-off restore left, read.
CutOffState ReadJournal(const std::string& dir, RestoreJournal* journal) {
    const std::string path = JournalPath(dir);
    ::DeleteFileA((path + ".tmp").c_str());  // a journal never put in place: nothing was changed
    if (!Exists(path)) return CutOffState::kNone;
    std::string text;
    if (!ReadWhole(path, &text, kJournalReadLimit) || !ParseRestoreJournal(text, journal))
        return CutOffState::kUnreadable;
    return CutOffState::kPending;
}

}  // namespace

Outcome Restore(const std::string& dir, const std::string& name) {
    BackupName backup;
    const std::string source = dir + "\\Backup\\" + name;
    if (!ParseBackupName(name, &backup) || !IsFolder(source))
        return {kNoSuchBackup, "There is no backup " + name + " in " + dir + "\\Backup."};

    // The files to change, each with what it holds now and what it gets.
    RestoreJournal journal;
    journal.backup = name;
    Tally tally;
    for (const char* folder : kMemoFolderNames) {
        const std::string from = source + "\\" + folder;
        if (!IsFolder(from)) continue;
        for (const std::string& file : NamesIn(from, false)) {
            std::string bytes;
            FileState now;
            if (!ReadWhole(from + "\\" + file, &bytes) || !ReadState(dir + "\\" + folder + "\\" + file, &now)) {
                ++tally.restore.failed;
                continue;
            }
            JournalEntry entry{folder, file, now, StateOfBytes(bytes), false};
            const bool kept = KindOfName(file) == FileKind::kKeptAside;
            const bool change = kept ? !now.exists : now != entry.after;
            if (change) journal.entries.push_back(entry);
        }
    }
    // Nothing to change: nothing that could be cut off.
    const std::string path = JournalPath(dir);
    if (!journal.entries.empty()) {
        if (!PlaceWhole(path, path + ".tmp", RestoreJournalText(journal), true))
            return {kCopyFailed, "Restore failed: could not write " + path + "; nothing was changed."};
        RemoveRestoreTemps(dir);
        Apply(dir, journal, false, &tally);
        RemoveJournal(dir);
    }
    return {tally.restore.failed ? kCopyFailed : kDone, RestoreMessage(name, tally.restore)};
}

CutOffState FindCutOffRestore(const std::string& dir, std::string* backup) {
    RestoreJournal journal;
    const CutOffState state = ReadJournal(dir, &journal);
    if (state == CutOffState::kPending) *backup = journal.backup;
    return state;
}

bool FinishCutOffRestore(const std::string& dir, Outcome* outcome) {
    RestoreJournal journal;
    switch (ReadJournal(dir, &journal)) {
    case CutOffState::kNone:
        return false;
    case CutOffState::kUnreadable:
        RemoveJournal(dir);
        *outcome = {kCopyFailed, "Found an unreadable restore journal " + JournalPath(dir) +
                                     " and removed it; every memo holds its earlier or its restored text."};
        return true;
    case CutOffState::kPending:
        break;
    }
    const std::string& name = journal.backup;
    if (!IsFolder(dir + "\\Backup\\" + name)) {
        RemoveJournal(dir);
        *outcome = {kNoSuchBackup, "A restore of backup " + name + " was cut off and cannot be finished: there is "
                                   "no backup " + name + " in " + dir + "\\Backup any more. Every memo holds its "
                                   "earlier or its restored text."};
        return true;
    }
    if (!journal.listed) {
        RemoveJournal(dir);
        *outcome = {kDone, "A restore of backup " + name + " was cut off by an earlier version of Sandrel, whose "
                           "journal does not tell which files it changed, so it was not finished. Every memo "
                           "holds its earlier or its restored text; restore " + name + " again to finish it."};
        return true;
    }
    RemoveRestoreTemps(dir);
    Tally tally;
    Apply(dir, journal, true, &tally);
    RemoveJournal(dir);
    *outcome = {tally.finish.failed ? kCopyFailed : kDone, FinishMessage(name, tally.finish)};
    return true;
}

Outcome DropCutOffRestore(const std::string& dir) {
    std::string name;
    if (FindCutOffRestore(dir, &name) != CutOffState::kPending) return {};
    RemoveJournal(dir);
    return {kDone, "The restore of backup " + name +
                       " that was cut off was dropped: every memo stays as it is now, holding its earlier or its "
                       "restored text."};
}

}  // namespace sandrel
