// Reading the screen and the settings values from the driver (the picture
// and the saved values come from the shared test support).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/clock_face.h"
#include "tests/support/registry_snapshot.h"
#include "tests/support/screen_pixels.h"

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
