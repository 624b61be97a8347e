// The memo files as the sync sees them: every date with a memo and every
// repeating memo, a quick look at their files (sizes and write times), their
// texts, and their replacement by what the server holds. What a replacement
// overwrites is first copied into a backup folder of this sync's own
// (Backup\<today>-sync-<n>), where the backup program's Restore finds it.
// Writes go straight to the files, never through the panel's listeners:
// the sync runs on a worker thread, and the panel reads again when told.
#pragma once

#include <string>

#include "core/sync/sync_engine.h"

class StoredMemos : public MemoSide {
public:
    explicit StoredMemos(const Date& today) : m_today(today) {}

    std::vector<Listed> List() override;
    bool Read(const std::string& uid, std::optional<MemoFiles>& files) override;
    bool Write(const std::string& uid, const std::optional<MemoFiles>& files) override;

    // The backup folder's name when this sync made one, else "".
    const std::string& BackupName() const { return m_backupName; }

private:
    // Copies the files into the backup folder (made on the first call).
    bool KeepForRestore(const std::vector<std::pair<std::string, const char*>>& files);

    Date m_today;
    std::string m_backup;  // its path, once made
    std::string m_backupName;
};
