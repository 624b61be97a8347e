// Which files of one folder changed since the last look, from the file
// system's own change notification: a cache of the folder's files then needs
// neither to list the folder again nor to trust a size and a write time that
// another program may have put back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/handles.h"

class DirectoryWatch {
public:
    DirectoryWatch() = default;
    ~DirectoryWatch() { Stop(); }
    DirectoryWatch(const DirectoryWatch&) = delete;
    DirectoryWatch& operator=(const DirectoryWatch&) = delete;

    // Watches the files of `dir` (not its subfolders) for names, sizes and
    // write times; false when it cannot (the folder is missing, or its file
    // system gives no notifications).
    bool Start(const std::string& dir);
    // True while the path the watch started with still names the folder
    // watched. The watch follows its folder when that is renamed: a folder
    // put in its place (a restore by swapping folders, a sync client making
    // it anew) or none at all is seen only here. Asks the system each time.
    bool SameFolder() const;
    // Ends the watch; any change after it goes unseen.
    void Stop();
    bool Watching() const { return m_pending; }

    struct Changes {
        bool everything = false;         // the system lost count, or the watch ended
        std::vector<std::string> names;  // the files named, as in the folder
    };
    // What changed since the last call, every batch the system has ready.
    // Never waits: an empty answer means nothing was reported yet. After
    // `everything` because the watch ended, Watching() is false.
    Changes Take();

private:
    bool Arm();
    // The batch the last read ended with, into `changes`; false when the
    // read is still waiting.
    bool TakeBatch(Changes& changes);

    // What tells one folder from another: its volume and its index there
    // (not its creation time, which moves under Wine as files come and go).
    struct Identity {
        DWORD volume = 0, indexHigh = 0, indexLow = 0;
    };
    static bool IdentityOf(HANDLE folder, Identity& identity);

    std::string m_path;
    Identity m_identity;
    FileHandle m_dir;
    KernelHandle m_event;
    OVERLAPPED m_overlapped{};
    std::vector<DWORD> m_buffer;  // DWORD-aligned, as the records need
    bool m_pending = false;
};
