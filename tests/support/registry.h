// The registry: values a test changes put back when it ends, raw reads and
// writes, and the program's stored values as a driver reads them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/handles.h"

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

inline bool RegistryKeyExists(HKEY root, const char* path) {
    return RegKey(root, path, KEY_READ).Valid();
}

// The CleanOption value: store a text, or delete it with nullptr. The
// settings key is created first, as the settings dialog would have.
void StoreCleanOption(const char* text);
// The stored text, or "<none>".
std::string StoredCleanOption();

// The settings values as a driver of the running program reads them, apart
// from the program's own names.
constexpr char kSettingsKey[] = "SOFTWARE\\Brakkon\\Torvane08";

// A settings value as the driver reads it: -1 when missing.
inline int StoredSetting(const char* name) {
    DWORD value = 0, size = sizeof value;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                       &size) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(value);
}
inline void StoreSetting(const char* name, int value) {
    const DWORD v = static_cast<DWORD>(value);
    ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKey, name, REG_DWORD, &v, sizeof v);
}
inline void DeleteSetting(const char* name) {
    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKey, name);
}

// The reminder check's kept text, per user: "" when there is none.
constexpr char kUserKey[] = "Software\\Brakkon\\Torvane08";
inline std::string KeptReminders() {
    char text[4096] = {};
    DWORD size = sizeof text - 1;
    if (::RegGetValueA(HKEY_CURRENT_USER, kUserKey, "Reminders", RRF_RT_REG_SZ, nullptr, text,
                       &size) != ERROR_SUCCESS)
        return "";
    return text;
}
inline void ForgetReminders() { ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kUserKey, "Reminders"); }
