#include "app/sync/sync_account.h"

#include <windows.h>

#include "core/settings/settings_rules.h"
#include "platform/handles.h"
#include "platform/protected_data.h"
#include "platform/user_files.h"

namespace {

const std::string kAccountKey = std::string(kUserKeyPath) + "\\CalendarServer";
constexpr std::size_t kStateLimit = 256u * 1024 * 1024;

std::string StatePath() {
    const std::string folder = UserDataFolder("Sync");
    return folder.empty() ? std::string() : folder + "state.txt";
}

}  // namespace

SyncAccount LoadSyncAccount() {
    SyncAccount account;
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kAccountKey.c_str(), KEY_READ) != ERROR_SUCCESS) return account;
    account.address = ReadRegText(key.Get(), "Address");
    account.user = ReadRegText(key.Get(), "User");
    account.calendar = ReadRegText(key.Get(), "Calendar");
    account.calendarName = ReadRegText(key.Get(), "CalendarName");
    account.reminders = ReadRegText(key.Get(), "Reminders") == "1";
    if (auto password = UnprotectForUser(ReadRegBytes(key.Get(), "Password")))
        account.password = std::move(*password);
    return account;
}

std::string SaveSyncAccount(const SyncAccount& account) {
    std::string sealed;
    if (!account.password.empty()) {
        const std::optional<std::string> protectedPassword = ProtectForUser(account.password);
        if (!protectedPassword)
            return "The password could not be protected for your user account, so it was not kept.";
        sealed = *protectedPassword;
    }
    RegKey key;
    if (key.Create(HKEY_CURRENT_USER, kAccountKey.c_str(), KEY_SET_VALUE) != ERROR_SUCCESS)
        return "The account could not be kept in the registry.";
    bool ok = WriteRegText(key.Get(), "Address", account.address);
    ok = WriteRegText(key.Get(), "User", account.user) && ok;
    ok = WriteRegText(key.Get(), "Calendar", account.calendar) && ok;
    ok = WriteRegText(key.Get(), "CalendarName", account.calendarName) && ok;
    ok = WriteRegText(key.Get(), "Reminders", account.reminders ? "1" : "0") && ok;
    ok = (sealed.empty() ? ::RegDeleteValueA(key.Get(), "Password") != ERROR_ACCESS_DENIED
                         : WriteRegBytes(key.Get(), "Password", sealed)) &&
         ok;
    return ok ? std::string() : "The account could not be kept in the registry.";
}

std::string LoadSyncStatus() {
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kAccountKey.c_str(), KEY_READ) != ERROR_SUCCESS) return std::string();
    return ReadRegText(key.Get(), "Status");
}

void SaveSyncStatus(const std::string& status) {
    RegKey key;
    if (key.Create(HKEY_CURRENT_USER, kAccountKey.c_str(), KEY_SET_VALUE) == ERROR_SUCCESS)
        WriteRegText(key.Get(), "Status", status);
}

std::string OthersPath() {
    const std::string folder = UserDataFolder("Sync");
    return folder.empty() ? std::string() : folder + "others.ics";
}

std::string LoadOtherEvents() {
    const std::string path = OthersPath();
    if (path.empty()) return std::string();
    return ReadWholeFile(path, kStateLimit).value_or(std::string());
}

void SaveOtherEvents(const std::string& ics) {
    const std::string path = OthersPath();
    if (path.empty()) return;
    if (ics.empty())
        ::DeleteFileA(path.c_str());
    else
        ReplaceFileWith(path, ics);
}

void ForgetSyncState() {
    SaveOtherEvents(std::string());
    const std::string path = StatePath();
    if (!path.empty()) ::DeleteFileA(path.c_str());
}

SyncState LoadSyncState() {
    SyncState state;
    const std::string path = StatePath();
    if (path.empty()) return state;
    if (const std::optional<std::string> text = ReadWholeFile(path, kStateLimit))
        ParseSyncState(*text, state);
    return state;
}

bool SaveSyncState(const SyncState& state) {
    const std::string path = StatePath();
    return !path.empty() && ReplaceFileWith(path, SyncStateText(state));
}
