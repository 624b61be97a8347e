#include "app/sync/stored_memos.h"

#include <windows.h>

#include <map>

#include "app/memo/memo_store.h"
#include "core/memo/ical_export.h"
#include "core/memo/repeat_memo.h"
#include "core/tools/backup_rules.h"
#include "platform/file.h"
#include "platform/handles.h"

namespace {

std::string LookOf(const MemoStore::ListedFile& file) {
    return std::to_string(file.size) + "/" + std::to_string(file.written);
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    const FindHandle search(::FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!search) return names;
    do {
        names.push_back(found.cFileName);
    } while (::FindNextFileA(search.Get(), &found));
    return names;
}

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

}  // namespace

std::vector<MemoSide::Listed> StoredMemos::List() {
    MemoStore& store = Memos();
    std::map<int, std::pair<Date, std::string>> byDay;
    auto key = [](const Date& d) { return (d.year * 13 + d.month) * 32 + d.day; };
    for (const MemoStore::ListedFile& file : store.ListAllMemos().files)
        if (const std::optional<Date> date = store.DateOfMemoFile(file.name))
            byDay[key(*date)] = {*date, LookOf(file)};
    // A changed remind time alone changes the look too.
    for (const MemoStore::ListedFile& file : store.ListAllNotices().files) {
        const std::optional<Date> date = store.DateOfNoticeFile(file.name);
        if (!date) continue;
        const auto memo = byDay.find(key(*date));
        if (memo != byDay.end()) memo->second.second += " " + LookOf(file);
    }
    std::vector<Listed> all;
    all.reserve(byDay.size());
    for (auto& entry : byDay) all.push_back(Listed{EventUid(entry.second.first), std::move(entry.second.second)});
    for (const MemoStore::ListedFile& file : store.ListRepeats().files)
        all.push_back(Listed{RepeatUid(file.name), LookOf(file)});
    return all;
}

bool StoredMemos::Read(const std::string& uid, std::optional<MemoFiles>& files) {
    files.reset();
    MemoStore& store = Memos();
    std::string memo, notice;
    if (const std::optional<Date> date = DateOfEventUid(uid)) {
        if (store.ReadMemoForEdit(*date, kMemoReadLimit, memo) != 0) return false;
        if (store.ReadNoticeForEdit(*date, kNoticeReadLimit, notice) != 0) return false;
    } else {
        const std::string path = store.RepeatPath(RepeatFileOfUid(uid));
        if (path.empty() || MemoStore::ReadDayFileForEdit(path, kRepeatReadLimit, memo) != 0) return false;
    }
    if (memo.empty()) return true;
    files = MemoFiles{memo, std::nullopt};
    if (!notice.empty()) files->notice = notice;
    return true;
}

bool StoredMemos::KeepForRestore(const std::vector<std::pair<std::string, const char*>>& files) {
    std::vector<std::pair<std::string, const char*>> there;
    for (const auto& file : files)
        if (::GetFileAttributesA(file.first.c_str()) != INVALID_FILE_ATTRIBUTES) there.push_back(file);
    if (there.empty()) return true;
    if (m_backup.empty()) {
        const std::string root = Memos().BackupFolder();
        if (root.empty()) return false;
        ::CreateDirectoryA(root.c_str(), nullptr);
        const std::string name = sandrel::NextImportBackupName(
            FolderNames(root), sandrel::Day{m_today.year, m_today.month, m_today.day}, true);
        if (name.empty() || !::CreateDirectoryA((root + "\\" + name).c_str(), nullptr)) return false;
        m_backup = root + "\\" + name;
        m_backupName = name;
    }
    for (const auto& file : there) {
        const std::string folder = m_backup + "\\" + file.second;
        ::CreateDirectoryA(folder.c_str(), nullptr);
        if (!::CopyFileA(file.first.c_str(), (folder + "\\" + FileNameOf(file.first)).c_str(), FALSE))
            return false;
    }
    return true;
}

bool StoredMemos::Write(const std::string& uid, const std::optional<MemoFiles>& files) {
    MemoStore& store = Memos();
    const std::optional<Date> date = DateOfEventUid(uid);
    const std::string repeat = date ? std::string() : store.RepeatPath(RepeatFileOfUid(uid));
    if (!date && repeat.empty()) return false;
    // Nothing is replaced that could not be kept first.
    const bool kept = date ? KeepForRestore({{store.MemoPath(*date), "Remark"}, {store.NoticePath(*date), "Notice"}})
                           : KeepForRestore({{repeat, "Repeat"}});
    if (!kept) return false;
    try {
        if (!date) {
            if (!files) return MemoStore::DeleteDayFile(repeat);
            ::CreateDirectoryA(repeat.substr(0, repeat.find_last_of('\\')).c_str(), nullptr);
            store.WriteDayFile(repeat, files->memoFile.data(), files->memoFile.size());
            return true;
        }
        if (!files) {
            return MemoStore::DeleteDayFile(store.NoticePath(*date)) &&
                   MemoStore::DeleteDayFile(store.MemoPath(*date));
        }
        store.WriteDayFile(store.MemoPath(*date), files->memoFile.data(), files->memoFile.size());
        if (files->notice)
            store.WriteDayFile(store.NoticePath(*date), files->notice->data(), files->notice->size());
        else
            return MemoStore::DeleteDayFile(store.NoticePath(*date));
    } catch (const CFileException&) {
        return false;
    }
    return true;
}
