#include "tests/support/registry.h"

#include "core/settings/settings_rules.h"

RegistrySnapshot::RegistrySnapshot(HKEY root, const char* path, std::vector<std::string> names)
    : root_(root), path_(path) {
    for (std::string part = path_; !RegistryKeyExists(root, part.c_str());) {
        missing_.push_back(part);
        const std::size_t slash = part.rfind('\\');
        if (slash == std::string::npos) break;
        part.resize(slash);
    }
    RegKey key(root, path, KEY_READ);
    for (std::string& name : names) {
        Saved saved;
        saved.name = std::move(name);
        DWORD size = 0;
        if (key && ::RegQueryValueExA(key.Get(), saved.name.c_str(), nullptr, &saved.type, nullptr,
                                      &size) == ERROR_SUCCESS) {
            saved.data.resize(size);
            saved.present = ::RegQueryValueExA(key.Get(), saved.name.c_str(), nullptr, nullptr,
                                               saved.data.data(), &size) == ERROR_SUCCESS;
        }
        saved_.push_back(std::move(saved));
    }
}

RegistrySnapshot::~RegistrySnapshot() {
    if (RegKey key{root_, path_.c_str(), KEY_ALL_ACCESS}) {
        for (const Saved& saved : saved_) {
            if (saved.present)
                ::RegSetValueExA(key.Get(), saved.name.c_str(), 0, saved.type, saved.data.data(),
                                 static_cast<DWORD>(saved.data.size()));
            else
                ::RegDeleteValueA(key.Get(), saved.name.c_str());
        }
    }
    for (const std::string& part : missing_) ::RegDeleteKeyA(root_, part.c_str());
}

SavedSettings::SavedSettings()
    : settings_(HKEY_LOCAL_MACHINE, kSettingsKeyPath, {kTimeFormatValue, kDaysValue, kCleanOptionValue, kRemindMissedValue}),
      userRun_(HKEY_CURRENT_USER, kAutoRunKeyPath, {kAutoRunValueName}),
      machineRun_(HKEY_LOCAL_MACHINE, kAutoRunKeyPath, {kAutoRunValueName}) {}

void SavedSettings::DeleteSetting(const char* name) {
    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, name);
}

void SavedSettings::ClearAll() {
    DeleteSetting(kTimeFormatValue);
    DeleteSetting(kDaysValue);
    DeleteSetting(kRemindMissedValue);
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        ::RegDeleteKeyValueA(root, kAutoRunKeyPath, kAutoRunValueName);
}

RawValue ReadRawValue(HKEY root, const char* path, const char* name) {
    RawValue value;
    RegKey key(root, path, KEY_READ);
    DWORD size = 0, type = REG_NONE;
    if (!key || ::RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return value;
    std::string bytes(size, '\0');
    if (::RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]),
                           &size) != ERROR_SUCCESS)
        return value;
    bytes.resize(size);
    value.type = type;
    value.bytes = std::move(bytes);
    return value;
}

bool StoreRawValue(HKEY root, const char* path, const char* name, DWORD type, const void* data,
                   DWORD size) {
    RegKey key(root, path, KEY_ALL_ACCESS, true);
    return key && ::RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size) ==
                      ERROR_SUCCESS;
}

bool StoreTextValue(HKEY root, const char* path, const char* name, const std::string& text) {
    return StoreRawValue(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void StoreCleanOption(const char* text) {
    if (text) StoreTextValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, kCleanOptionValue, text);
    else ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, kCleanOptionValue);
}

std::string StoredCleanOption() {
    const RawValue value = ReadRawValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, kCleanOptionValue);
    if (value.type == REG_NONE) return "<none>";
    return value.bytes.substr(0, value.bytes.find('\0'));
}
