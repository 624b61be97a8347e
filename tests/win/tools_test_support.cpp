#include "tests/win/tools_test_support.h"

#include "core/settings/settings_rules.h"

void StoreCleanOption(const char* text) {
    if (text) StoreTextValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, kCleanOptionValue, text);
    else ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, kCleanOptionValue);
}

std::string StoredCleanOption() {
    const RawValue value = ReadRawValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, kCleanOptionValue);
    if (value.type == REG_NONE) return "<none>";
    return value.bytes.substr(0, value.bytes.find('\0'));
}
