#include "app/sync/stored_memos.h"

#include <windows.h>

#include <map>

#include "app/memo/memo_store.h"
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
    std::map<int, Listed> byDay;
    auto key = [](const Date& d) { return (d.year * 13 + d.month) * 32 + d.day; };
    for (const MemoStore::ListedFile& file : store.ListAllMemos().files)
        if (const std::optional<Date> date = store.DateOfMemoFile(file.name))
            byDay[key(*date)] = Listed{*date, LookOf(file)};
    // A changed remind time alone changes the look too.
    for (const MemoStore::ListedFile& file : store.ListAllNotices().files) {
        const std::optional<Date> date = store.DateOfNoticeFile(file.name);
        if (!date) continue;
        const auto memo = byDay.find(key(*date));
        if (memo != byDay.end()) memo->second.look += " " + LookOf(file);
    }
    std::vector<Listed> all;
    all.reserve(byDay.size());
    for (auto& entry : byDay) all.push_back(std::move(entry.second));
    return all;
}

bool StoredMemos::Read(const Date& date, std::optional<MemoFiles>& files) {
    files.reset();
    std::string memo, notice;
    if (Memos().ReadMemoForEdit(date, kMemoReadLimit, memo) != 0) return false;
    if (Memos().ReadNoticeForEdit(date, kNoticeReadLimit, notice) != 0) return false;
    if (memo.empty()) return true;
    files = MemoFiles{memo, std::nullopt};
    if (!notice.empty()) files->notice = notice;
    return true;
}

bool StoredMemos::KeepForRestore(const Date& date) {
    MemoStore& store = Memos();
    const std::string memo = store.MemoPath(date), notice = store.NoticePath(date);
    const bool hasMemo = ::GetFileAttributesA(memo.c_str()) != INVALID_FILE_ATTRIBUTES;
    const bool hasNotice = ::GetFileAttributesA(notice.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!hasMemo && !hasNotice) return true;
    if (m_backup.empty()) {
        const std::string root = store.BackupFolder();
        if (root.empty()) return false;
        ::CreateDirectoryA(root.c_str(), nullptr);
        const std::string name = sandrel::NextImportBackupName(
            FolderNames(root), sandrel::Day{m_today.year, m_today.month, m_today.day}, true);
        if (name.empty()) return false;
        const std::string folder = root + "\\" + name;
        if (!::CreateDirectoryA(folder.c_str(), nullptr) ||
            !::CreateDirectoryA((folder + "\\Remark").c_str(), nullptr) ||
            !::CreateDirectoryA((folder + "\\Notice").c_str(), nullptr))
            return false;
        m_backup = folder;
        m_backupName = name;
    }
    return (!hasMemo || ::CopyFileA(memo.c_str(), (m_backup + "\\Remark\\" + FileNameOf(memo)).c_str(), FALSE)) &&
           (!hasNotice ||
            ::CopyFileA(notice.c_str(), (m_backup + "\\Notice\\" + FileNameOf(notice)).c_str(), FALSE));
}

bool StoredMemos::Write(const Date& date, const std::optional<MemoFiles>& files) {
    // Nothing is replaced that could not be kept first.
    if (!KeepForRestore(date)) return false;
    MemoStore& store = Memos();
    try {
        if (!files) {
            return MemoStore::DeleteDayFile(store.NoticePath(date)) &&
                   MemoStore::DeleteDayFile(store.MemoPath(date));
        }
        store.WriteDayFile(store.MemoPath(date), files->memoFile.data(), files->memoFile.size());
        if (files->notice)
            store.WriteDayFile(store.NoticePath(date), files->notice->data(), files->notice->size());
        else
            return MemoStore::DeleteDayFile(store.NoticePath(date));
    } catch (const CFileException&) {
        return false;
    }
    return true;
}
