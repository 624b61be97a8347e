// Restoring a backup so that every memo is whole at every instant: each file
// is written in full (in a temp folder beside the memos) and then takes the
// memo's place in one step, a differing memo being kept aside, whole and in
// one step too, before. A journal in Backup names the restore while it runs;
// a run that finds one finishes that restore first. Finishing is always
// possible where undoing is not sure to be (an earlier text kept aside may
// have been edited since): the backup is only read, and every step leaves
// alone what is already as restored, so redoing the restore completes it.
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

enum class Result { kLeft, kRestored, kRestoredKeeping, kFailed };

// Puts the backed-up `bytes` of the memo or remind-time file `name` into `folder`.
Result RestoreMemo(const std::string& folder, const std::string& name, const std::string& bytes) {
    const std::string dst = folder + "\\" + name;
    // A save by Vellumo between the look at the memo and its replacement
    // would be lost: look again just before, and start over if it changed.
    for (int attempt = 0; attempt < 3; ++attempt) {
        Stamp before;
        const bool exists = StampOf(dst, &before);
        std::string current;
        if (exists && !ReadWhole(dst, &current)) return Result::kFailed;
        const RestoreStep step = ChooseRestoreStep(FileKind::kMemo, exists, current == bytes);
        if (step == RestoreStep::kLeave) return Result::kLeft;
        if (step == RestoreStep::kKeepAsideAndReplace && !KeepAside(folder, name, current)) return Result::kFailed;
        Stamp now;
        if (exists != StampOf(dst, &now) || (exists && !(now == before))) continue;
        if (!PlaceWhole(dst, TempFolder(folder) + "\\" + name, bytes, exists)) return Result::kFailed;
        return exists ? Result::kRestoredKeeping : Result::kRestored;
    }
    return Result::kFailed;
}

}  // namespace

Outcome Restore(const std::string& dir, const std::string& name) {
    Day day;
    const std::string source = dir + "\\Backup\\" + name;
    if (!ParseDayFolderName(name, &day) || !IsFolder(source))
        return {kNoSuchBackup, "There is no backup " + name + " in " + dir + "\\Backup."};
    const std::string journal = JournalPath(dir);
    if (!PlaceWhole(journal, journal + ".tmp", RestoreJournalText(name), true))
        return {kCopyFailed, "Restore failed: could not write " + journal + "; nothing was changed."};
    RemoveRestoreTemps(dir);

    RestoreCount count;
    for (const char* folder : kMemoFolderNames) {
        const std::string from = source + "\\" + folder;
        if (!IsFolder(from)) continue;
        const std::string to = dir + "\\" + folder;
        ::CreateDirectoryA(to.c_str(), nullptr);
        ::CreateDirectoryA(TempFolder(to).c_str(), nullptr);
        for (const std::string& file : NamesIn(from, false)) {
            const FileKind kind = KindOfName(file);
            const std::string dst = to + "\\" + file;
            std::string bytes;
            if (kind == FileKind::kKeptAside) {
                if (ChooseRestoreStep(kind, Exists(dst), false) == RestoreStep::kLeave) continue;
                if (ReadWhole(from + "\\" + file, &bytes) &&
                    PlaceWhole(dst, TempFolder(to) + "\\" + file, bytes, false))
                    ++count.restored;
                else
                    ++count.failed;
                continue;
            }
            if (!ReadWhole(from + "\\" + file, &bytes)) {
                ++count.failed;
                continue;
            }
            switch (RestoreMemo(to, file, bytes)) {
            case Result::kLeft:
                break;
            case Result::kRestoredKeeping:
                ++count.kept;
                ++count.restored;
                break;
            case Result::kRestored:
                ++count.restored;
                break;
            case Result::kFailed:
                ++count.failed;
                break;
            }
        }
    }
    RemoveRestoreTemps(dir);
    ::DeleteFileA(journal.c_str());
    return {count.failed ? kCopyFailed : kDone, RestoreMessage(name, count)};
}

bool FinishCutOffRestore(const std::string& dir, Outcome* outcome) {
    const std::string journal = JournalPath(dir);
    ::DeleteFileA((journal + ".tmp").c_str());  // a journal never put in place: nothing was changed
    if (!Exists(journal)) return false;
    std::string text, name;
    if (!ReadWhole(journal, &text, kJournalReadLimit) || !ParseRestoreJournal(text, &name)) {
        RemoveRestoreTemps(dir);
        ::DeleteFileA(journal.c_str());
        *outcome = {kCopyFailed, "Found an unreadable restore journal " + journal +
                                     " and removed it; every memo holds its earlier or its restored text."};
        return true;
    }
    const Outcome finished = Restore(dir, name);
    if (finished.code == kNoSuchBackup) {
        RemoveRestoreTemps(dir);
        ::DeleteFileA(journal.c_str());
        *outcome = {kNoSuchBackup, "A restore of backup " + name + " was cut off and cannot be finished: " +
                                       finished.message + " Every memo holds its earlier or its restored text."};
        return true;
    }
    *outcome = {finished.code, "Finished a restore that was cut off. " + finished.message};
    return true;
}

}  // namespace sandrel
