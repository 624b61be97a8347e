#include "platform/directory_watch.h"

namespace {
constexpr DWORD kWatched =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE |
    FILE_NOTIFY_CHANGE_CREATION | FILE_NOTIFY_CHANGE_ATTRIBUTES;
constexpr std::size_t kBufferBytes = 16384;  // a burst beyond it reads as "everything"
constexpr int kBatchesPerTake = 8;  // a steady stream of changes still lets Take return

std::string Narrow(const WCHAR* name, int length) {
    const int size = ::WideCharToMultiByte(CP_ACP, 0, name, length, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (size > 0) ::WideCharToMultiByte(CP_ACP, 0, name, length, &text[0], size, nullptr, nullptr);
    return text;
}
}  // namespace

bool DirectoryWatch::Start(const std::string& dir) {
    Stop();
    m_dir = FileHandle(::CreateFileA(dir.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    if (!m_dir || !IdentityOf(m_dir.Get(), m_identity)) {
        Stop();
        return false;
    }
    m_path = dir;
    m_event = KernelHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    m_buffer.assign(kBufferBytes / sizeof(DWORD), 0);
    if (!m_event || !Arm()) {
        Stop();
        return false;
    }
    return true;
}

bool DirectoryWatch::IdentityOf(HANDLE folder, Identity& identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(folder, &info)) return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.indexHigh = info.nFileIndexHigh;
    identity.indexLow = info.nFileIndexLow;
    return true;
}

bool DirectoryWatch::SameFolder() const {
    if (!m_pending) return false;
    const FileHandle now(::CreateFileA(m_path.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    Identity identity;
    return now && IdentityOf(now.Get(), identity) && identity.volume == m_identity.volume &&
           identity.indexHigh == m_identity.indexHigh && identity.indexLow == m_identity.indexLow;
}

bool DirectoryWatch::Arm() {
    m_overlapped = OVERLAPPED{};
    m_overlapped.hEvent = m_event.Get();
    m_pending = ::ReadDirectoryChangesW(m_dir.Get(), m_buffer.data(),
                                        static_cast<DWORD>(m_buffer.size() * sizeof(DWORD)),
                                        FALSE, kWatched, nullptr, &m_overlapped, nullptr) != FALSE;
    return m_pending;
}

void DirectoryWatch::Stop() {
    if (m_pending) {
        // The system writes into the buffer until the read has ended.
        ::CancelIo(m_dir.Get());
        DWORD bytes = 0;
        ::GetOverlappedResult(m_dir.Get(), &m_overlapped, &bytes, TRUE);
        m_pending = false;
    }
    m_dir = FileHandle();
    m_event = KernelHandle();
}

DirectoryWatch::Changes DirectoryWatch::Take() {
    Changes changes;
    // The next batch may be ready as soon as the read is armed again: a
    // change in it must not wait for the next look.
    for (int batch = 0; batch < kBatchesPerTake && m_pending; ++batch)
        if (!TakeBatch(changes)) break;
    return changes;
}

bool DirectoryWatch::TakeBatch(Changes& changes) {
    DWORD bytes = 0;
    if (!::GetOverlappedResult(m_dir.Get(), &m_overlapped, &bytes, FALSE)) {
        if (::GetLastError() == ERROR_IO_INCOMPLETE) return false;
        // The folder went, or the system gave the watch up.
        m_pending = false;
        Stop();
        changes.everything = true;
        return false;
    }
    m_pending = false;
    if (bytes == 0) {
        changes.everything = true;  // more changed than the buffer held
    } else {
        const auto* base = reinterpret_cast<const unsigned char*>(m_buffer.data());
        const std::size_t end = bytes < kBufferBytes ? bytes : kBufferBytes;
        std::size_t offset = 0;
        for (;;) {
            if (offset + sizeof(FILE_NOTIFY_INFORMATION) > end) break;
            const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(base + offset);
            const std::size_t nameBytes = record->FileNameLength;
            const std::size_t nameAt = offset + offsetof(FILE_NOTIFY_INFORMATION, FileName);
            if (nameAt + nameBytes > end) break;
            changes.names.push_back(
                Narrow(record->FileName, static_cast<int>(nameBytes / sizeof(WCHAR))));
            if (record->NextEntryOffset == 0) break;
            offset += record->NextEntryOffset;
        }
    }
    if (!Arm()) {
        Stop();
        changes.everything = true;
        return false;
    }
    return true;
}
