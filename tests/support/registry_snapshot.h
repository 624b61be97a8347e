// Registry values a test changes, put back as they were when it ends.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Remembers some values of one key (and which keys of its path were
// missing) and, when it goes, puts the values back or deletes them, and
// removes again the keys that were missing.
class RegistrySnapshot {
public:
    RegistrySnapshot(HKEY root, const char* path, std::vector<std::string> names);
    ~RegistrySnapshot();
    RegistrySnapshot(const RegistrySnapshot&) = delete;
    RegistrySnapshot& operator=(const RegistrySnapshot&) = delete;

private:
    struct Saved {
        std::string name;
        bool present = false;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };
    HKEY root_;
    std::string path_;
    std::vector<Saved> saved_;
    std::vector<std::string> missing_;  // innermost first
};

// One value (a settings value, the autorun entry).
class SavedRegistryValue : public RegistrySnapshot {
public:
    SavedRegistryValue(HKEY root, const char* path, const char* name)
        : RegistrySnapshot(root, path, {name}) {}
};

// Everything the program stores: TimeFormat, Days, CleanOption and
// RemindMissed under its settings key, and the autorun entry under both roots.
class SavedSettings {
public:
    SavedSettings();
    // Deletes TimeFormat, Days, RemindMissed and the autorun entry: nothing stored.
    static void ClearAll();
    static void DeleteSetting(const char* name);

private:
    RegistrySnapshot settings_;
    RegistrySnapshot userRun_;
    RegistrySnapshot machineRun_;
};

// Type and bytes of a value; type REG_NONE when it is missing.
struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
};
RawValue ReadRawValue(HKEY root, const char* path, const char* name);
// Stores a value, creating the key; false when it could not.
bool StoreRawValue(HKEY root, const char* path, const char* name, DWORD type, const void* data,
                   DWORD size);
bool StoreTextValue(HKEY root, const char* path, const char* name, const std::string& text);
