#include "app/settings/settings_store.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/memo/reminder_schedule.h"
#include "platform/handles.h"
#include "platform/logon_task.h"
#include "platform/win_app.h"

namespace {

HKEY AutoRunRoot() { return IsOldWindows() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

LONG SetText(HKEY key, const char* name, const std::string& text) {
    return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
}

}  // namespace

int ReadSettingValue(const char* name) {
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kSettingsKeyPath, KEY_READ) != ERROR_SUCCESS) return -1;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                           &size) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(value);
}

long WriteSettingValue(const char* name, int value) {
    RegKey key;
    const LONG opened = key.Create(HKEY_LOCAL_MACHINE, kSettingsKeyPath, KEY_ALL_ACCESS);
    if (opened != ERROR_SUCCESS) return opened;
    const DWORD data = static_cast<DWORD>(value);
    return ::RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                            sizeof data);
}

CleanOptionBits& SharedCleanOptionBits() {
    static CleanOptionBits bits;
    return bits;
}

CleanOptionBits ReadCleanOption() {
    const CleanOptionBits allSet(kAllCleanOptions);
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kSettingsKeyPath, KEY_READ) != ERROR_SUCCESS) return allSet;
    DWORD size = 0;
    if (::RegQueryValueExA(key.Get(), kCleanOptionValue, nullptr, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
        return allSet;
    std::vector<char> buffer(size + 1, '\0');  // one more: a stored text may lack its zero
    if (size > 0 && ::RegQueryValueExA(key.Get(), kCleanOptionValue, nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(buffer.data()),
                                       &size) != ERROR_SUCCESS)
        return allSet;
    // An existing value, even an empty one, is used as it stands; a text that
    // is not '0'/'1' reads like a missing one.
    return CleanOptionFromText(std::string(buffer.data(), ::strnlen(buffer.data(), size)));
}

int WriteCleanOption() {
    RegKey key;
    // Created like the number write does, so the selection is kept on a
    // machine where the settings dialog was never confirmed.
    if (key.Create(HKEY_LOCAL_MACHINE, kSettingsKeyPath, KEY_SET_VALUE) != ERROR_SUCCESS) return -1;
    return SetText(key.Get(), kCleanOptionValue, CleanOptionText(SharedCleanOptionBits())) ==
                   ERROR_SUCCESS
               ? 0
               : -1;
}

std::string ReadReminderStateText() {
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kUserKeyPath, KEY_QUERY_VALUE) != ERROR_SUCCESS) return "";
    DWORD size = 0;
    if (::RegQueryValueExA(key.Get(), kRemindersValue, nullptr, nullptr, nullptr, &size) !=
            ERROR_SUCCESS ||
        size == 0)
        return "";
    // The reader takes no more than its limit; a larger value was not written here.
    size = std::min<DWORD>(size, static_cast<DWORD>(kMaxReminderStateText));
    std::vector<char> buffer(size + 1, '\0');
    DWORD got = size;
    const LONG read = ::RegQueryValueExA(key.Get(), kRemindersValue, nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(buffer.data()), &got);
    if (read != ERROR_SUCCESS && read != ERROR_MORE_DATA) return "";
    return std::string(buffer.data(), ::strnlen(buffer.data(), std::min(got, size)));
}

long WriteReminderStateText(const std::string& text) {
    RegKey key;
    const LONG opened = key.Create(HKEY_CURRENT_USER, kUserKeyPath, KEY_SET_VALUE);
    if (opened != ERROR_SUCCESS) return opened;
    return SetText(key.Get(), kRemindersValue, text);
}

namespace {

AutoRunMechanism Mechanism() {
    if (AutoRunTestPlace().mechanism) return *AutoRunTestPlace().mechanism;
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExA(&info)) return AutoRunMechanism::LogOnTask;
    return AutoRunMechanismFor(info.dwMajorVersion, info.dwMinorVersion);
}

bool IsRunValueSet() {
    RegKey key;
    if (key.Open(AutoRunRoot(), kAutoRunKeyPath, KEY_QUERY_VALUE) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    return ::RegQueryValueExA(key.Get(), kAutoRunValueName, nullptr, nullptr, nullptr, &size) ==
           ERROR_SUCCESS;
}

void SetRunValue() {
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;  // none, or cut short: not this program's path
    RegKey key;
    if (key.Open(AutoRunRoot(), kAutoRunKeyPath, KEY_SET_VALUE) != ERROR_SUCCESS) return;
    SetText(key.Get(), kAutoRunValueName, AutoRunData(std::string(path, n)));
}

void RemoveRunValue() {
    RegKey key;
    if (key.Open(AutoRunRoot(), kAutoRunKeyPath, KEY_SET_VALUE) != ERROR_SUCCESS) return;
    ::RegDeleteValueA(key.Get(), kAutoRunValueName);
}

// The entry an earlier version wrote, when it starts this program: from
// Vista on it only gets the start blocked at every log-on.
bool RemoveOwnRunValue(const std::string& exePath) {
    RegKey key;
    if (key.Open(AutoRunRoot(), kAutoRunKeyPath, KEY_QUERY_VALUE | KEY_SET_VALUE) != ERROR_SUCCESS)
        return true;  // no Run key: no entry
    DWORD size = 0;
    if (::RegQueryValueExA(key.Get(), kAutoRunValueName, nullptr, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
        return true;
    std::vector<char> data(size + 1, '\0');
    if (::RegQueryValueExA(key.Get(), kAutoRunValueName, nullptr, nullptr,
                           reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return false;
    if (!RunValueIsThisProgram(std::string(data.data(), ::strnlen(data.data(), size)), exePath))
        return true;
    return ::RegDeleteValueA(key.Get(), kAutoRunValueName) == ERROR_SUCCESS;
}

AccountIdentity ThisAccount() { return AccountIdentity{CurrentUserAccount(), CurrentUserSid()}; }

TaskFacts FactsOf(const ScheduledTask& task) {
    return TaskFacts{task.exists, task.command, task.logOnUsers};
}

// This account's task, and the one an earlier version named by the user part
// alone (another account of the same user name may own that one).
struct OwnTasks {
    ScheduledTask current, earlier;
    std::string currentName, earlierName;
};

OwnTasks ReadOwnTasks(const AccountIdentity& who) {
    OwnTasks tasks;
    const std::string& folder = AutoRunTestPlace().taskFolder;
    if (!who.sid.empty()) {
        tasks.currentName = LogOnTaskName(who.sid);
        tasks.current = ReadScheduledTask(folder, tasks.currentName);
    }
    if (!who.account.empty()) {
        tasks.earlierName = EarlierLogOnTaskName(who.account);
        tasks.earlier = ReadScheduledTask(folder, tasks.earlierName);
    }
    return tasks;
}

// A task of the earlier name goes with this program's start at log-on when
// it is this account's and may be removed; true when it is gone or stays.
bool RemoveEarlierTask(const OwnTasks& tasks, const AccountIdentity& who,
                       const std::string& exePath) {
    const ScheduledTask& task = tasks.earlier;
    if (!task.exists || !StartsAtLogOnOf(FactsOf(task), who) ||
        !MayRemoveTask(OwnerOfTask(task.exists, task.command, exePath)))
        return true;
    return DeleteScheduledTask(AutoRunTestPlace().taskFolder, tasks.earlierName);
}

bool StartsThisProgram(const ScheduledTask& task, const AccountIdentity& who,
                       const std::string& exePath) {
    return OwnerOfTask(task.exists, task.command, exePath) == TaskOwner::ThisProgram &&
           StartsAtLogOnOf(FactsOf(task), who);
}

}  // namespace

AutoRunPlace& AutoRunTestPlace() {
    static AutoRunPlace place;
    return place;
}

bool IsAutoRunSet() {
    if (Mechanism() == AutoRunMechanism::RunValue) return IsRunValueSet();
    const std::string exePath = ModuleFilePath();
    if (exePath.empty()) return false;
    const AccountIdentity who = ThisAccount();
    const OwnTasks tasks = ReadOwnTasks(who);
    return StartsThisProgram(tasks.current, who, exePath) ||
           StartsThisProgram(tasks.earlier, who, exePath);
}

bool IsAutoRunSetForAnyCopy() {
    if (Mechanism() == AutoRunMechanism::RunValue) return IsRunValueSet();
    const AccountIdentity who = ThisAccount();
    const OwnTasks tasks = ReadOwnTasks(who);
    return (tasks.current.exists && StartsAtLogOnOf(FactsOf(tasks.current), who)) ||
           (tasks.earlier.exists && StartsAtLogOnOf(FactsOf(tasks.earlier), who));
}

bool SetAutoRun() {
    if (Mechanism() == AutoRunMechanism::RunValue) {
        SetRunValue();
        return true;
    }
    const std::string exePath = ModuleFilePath();
    const AccountIdentity who = ThisAccount();
    if (exePath.empty() || who.account.empty() || who.sid.empty() ||
        !RegisterScheduledTask(AutoRunTestPlace().taskFolder, LogOnTaskName(who.sid),
                               LogOnTaskXml(who.account, exePath), who.account))
        return false;
    // What an earlier version left would start the program a second time.
    RemoveOwnRunValue(exePath);
    RemoveEarlierTask(ReadOwnTasks(who), who, exePath);
    return true;
}

bool RemoveAutoRun() {
    if (Mechanism() == AutoRunMechanism::RunValue) {
        RemoveRunValue();
        return true;
    }
    const std::string exePath = ModuleFilePath();
    const AccountIdentity who = ThisAccount();
    if (exePath.empty() || who.sid.empty()) return false;
    const bool runValueGone = RemoveOwnRunValue(exePath);
    const OwnTasks tasks = ReadOwnTasks(who);
    if (!tasks.current.answered) return false;  // the service could not be asked
    const ScheduledTask& task = tasks.current;
    const bool taskGone = !MayRemoveTask(OwnerOfTask(task.exists, task.command, exePath)) ||
                          DeleteScheduledTask(AutoRunTestPlace().taskFolder, tasks.currentName);
    return runValueGone && taskGone && RemoveEarlierTask(tasks, who, exePath);
}

bool IsOldWindows() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExA(&info)) return false;
    return IsOldWindows(info.dwMajorVersion, info.dwMinorVersion);
}
