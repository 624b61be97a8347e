// The settings store against the real registry. Every test puts back the
// values and keys it touched.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/settings/settings_store.h"
#include "platform/handles.h"
#include "tests/support/in_process.h"
#include "tests/support/registry.h"
#include "tests/support/task_scheduler.h"

namespace {

RegistrySnapshot SettingsSnapshot() {
    return RegistrySnapshot(HKEY_LOCAL_MACHINE, kSettingsKeyPath,
                            {kTimeFormatValue, kDaysValue, kCleanOptionValue});
}

void DeleteSettingsKey() {
    if (RegKey key{HKEY_LOCAL_MACHINE, kSettingsKeyPath, KEY_ALL_ACCESS}) {
        for (const char* name : {kTimeFormatValue, kDaysValue, kCleanOptionValue})
            ::RegDeleteValueA(key.Get(), name);
    }
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
}

void StoreRaw(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_TRUE(StoreRawValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, name, type, data, size));
}

void StoreText(const char* name, const std::string& text) {
    StoreRaw(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

}  // namespace

TEST(SettingsStore, WithoutTheKeyEverythingReadsAsItsDefault) {
    RegistrySnapshot saved = SettingsSnapshot();
    DeleteSettingsKey();
    EXPECT_EQ(-1, ReadSettingValue(kTimeFormatValue));
    EXPECT_EQ(-1, ReadSettingValue(kDaysValue));
    EXPECT_EQ(24, HourFormatFromStored(ReadSettingValue(kTimeFormatValue)));
    EXPECT_EQ(1, DaysFromStored(ReadSettingValue(kDaysValue)));
    EXPECT_TRUE(ReadCleanOption().all());

    // The cleaner's selection is kept on a fresh machine too: the write
    // creates the key.
    SharedCleanOptionBits() = CleanOptionBits(0x7);
    EXPECT_EQ(0, WriteCleanOption());
    const RawValue stored = ReadRawValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, kCleanOptionValue);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored.type);
    EXPECT_EQ(std::string(29, '0') + "111" + std::string(1, '\0'), stored.bytes);
    EXPECT_EQ(CleanOptionBits(0x7), ReadCleanOption());
    SharedCleanOptionBits() = CleanOptionBits(kAllCleanOptions);
}

TEST(SettingsStore, NumbersAreStoredAsDwordsAndClampedByTheReaders) {
    RegistrySnapshot saved = SettingsSnapshot();
    DeleteSettingsKey();
    EXPECT_EQ(0, WriteSettingValue(kDaysValue, 0));  // creates the key
    EXPECT_EQ(0, ReadSettingValue(kDaysValue));
    EXPECT_EQ(1, DaysFromStored(ReadSettingValue(kDaysValue)));
    WriteSettingValue(kDaysValue, 8);
    EXPECT_EQ(1, DaysFromStored(ReadSettingValue(kDaysValue)));
    WriteSettingValue(kDaysValue, 5);
    EXPECT_EQ(5, DaysFromStored(ReadSettingValue(kDaysValue)));

    WriteSettingValue(kTimeFormatValue, 13);
    EXPECT_EQ(13, ReadSettingValue(kTimeFormatValue));
    EXPECT_EQ(24, HourFormatFromStored(ReadSettingValue(kTimeFormatValue)));
    WriteSettingValue(kTimeFormatValue, 12);
    EXPECT_EQ(12, HourFormatFromStored(ReadSettingValue(kTimeFormatValue)));
    const RawValue stored = ReadRawValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, kTimeFormatValue);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), stored.type);
    EXPECT_EQ(4u, stored.bytes.size());

    // Whatever the stored type: up to four bytes are the number, more fail.
    const BYTE two[] = {7, 0};
    StoreRaw(kDaysValue, REG_BINARY, two, sizeof two);
    EXPECT_EQ(7, ReadSettingValue(kDaysValue));
    StoreText(kDaysValue, "12345");
    EXPECT_EQ(-1, ReadSettingValue(kDaysValue));
}

TEST(SettingsStore, CleanOptionTextsAsStored) {
    RegistrySnapshot saved = SettingsSnapshot();
    struct Case { std::string text; unsigned long bits; };
    const std::string forty = "1" + std::string(30, '0') + "1" + std::string(8, '1');
    for (const Case& c : {Case{"101", 0x5}, Case{"", 0},  // an existing empty text: no bits
                          Case{forty, 0x80000001ul}, Case{"10x", kAllCleanOptions},
                          Case{"2", kAllCleanOptions}}) {
        StoreText(kCleanOptionValue, c.text);
        EXPECT_EQ(CleanOptionBits(c.bits), ReadCleanOption()) << "\"" << c.text << "\"";
    }
    // A text stored without its terminating zero.
    StoreRaw(kCleanOptionValue, REG_SZ, "110", 3);
    EXPECT_EQ(CleanOptionBits(0x6), ReadCleanOption());
}

TEST(SettingsStore, AutoRunEntry) {
    AsOnWindowsXp xp;
    // Wine reports a Windows after 2000: the entry belongs to the user.
    ASSERT_FALSE(IsOldWindows());
    const HKEY root = HKEY_CURRENT_USER;
    RegistrySnapshot savedKey(root, kAutoRunKeyPath, {kAutoRunValueName});
    RegistrySnapshot savedMachine(HKEY_LOCAL_MACHINE, kAutoRunKeyPath, {kAutoRunValueName});
    // The store does not create the Run key; a user's profile has it.
    const RegKey key(root, kAutoRunKeyPath, KEY_ALL_ACCESS, true);
    ASSERT_TRUE(key.Valid());
    ::RegDeleteValueA(key.Get(), kAutoRunValueName);

    EXPECT_FALSE(IsAutoRunSet());
    RemoveAutoRun();  // nothing to remove: silent
    EXPECT_FALSE(IsAutoRunSet());

    // Any data counts, an older copy's path for instance.
    const std::string old = "C:\\Old\\Vellumo.exe";
    ::RegSetValueExA(key.Get(), kAutoRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(old.c_str()),
                     static_cast<DWORD>(old.size() + 1));
    EXPECT_TRUE(IsAutoRunSet());

    SetAutoRun();  // replaced by this program's own path
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    const RawValue stored = ReadRawValue(root, kAutoRunKeyPath, kAutoRunValueName);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored.type);
    EXPECT_EQ("\"" + std::string(module) + "\" /background" + std::string(1, '\0'), stored.bytes);
    EXPECT_EQ(static_cast<DWORD>(REG_NONE),
              ReadRawValue(HKEY_LOCAL_MACHINE, kAutoRunKeyPath, kAutoRunValueName).type);

    RemoveAutoRun();
    EXPECT_FALSE(IsAutoRunSet());
}

TEST(SettingsStore, FromVistaOnTheStartAtLogOnIsThisUsersTask) {
    // Wine reports a Windows after XP: the Run value cannot start an
    // elevated program there, the task can.
    ASSERT_FALSE(AutoRunTestPlace().mechanism.has_value());
    SavedSettings saved;
    SavedSettings::ClearAll();
    SavedTask savedTask;
    const std::string task = ThisUsersTaskName();
    const bool kept = SchedulerKeepsDefinitions();
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string own = AutoRunData(module), other = AutoRunData("D:\\Other\\Vellumo.exe");

    // The entry an earlier version left goes when the task comes; another
    // copy's entry stays.
    ASSERT_TRUE(StoreTextValue(HKEY_CURRENT_USER, kAutoRunKeyPath, kAutoRunValueName, own));
    EXPECT_FALSE(IsAutoRunSet()) << "an entry that cannot start the program";
    ASSERT_TRUE(SetAutoRun());
    EXPECT_TRUE(TaskExists(task));
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kAutoRunKeyPath, kAutoRunValueName).type,
              static_cast<DWORD>(REG_NONE));
    EXPECT_TRUE(IsAutoRunSetForAnyCopy());
    // Wine's Task Scheduler drops the action, so there the task cannot be
    // told for this program's.
    EXPECT_EQ(IsAutoRunSet(), kept);
    StoreTextValue(HKEY_CURRENT_USER, kAutoRunKeyPath, kAutoRunValueName, other);
    ASSERT_TRUE(SetAutoRun());
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kAutoRunKeyPath, kAutoRunValueName).bytes,
              other + std::string(1, '\0'));

    EXPECT_TRUE(RemoveAutoRun());
    EXPECT_FALSE(TaskExists(task));
    EXPECT_FALSE(IsAutoRunSetForAnyCopy());
    EXPECT_TRUE(RemoveAutoRun()) << "nothing to remove";
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kAutoRunKeyPath, kAutoRunValueName).bytes,
              other + std::string(1, '\0'));

    // Another copy's task: not this program's, and removing leaves it,
    // where the service tells what it runs.
    ASSERT_TRUE(RegisterTaskRunning(task, "\"D:\\Other\\Vellumo.exe\""));
    EXPECT_FALSE(IsAutoRunSet());
    EXPECT_TRUE(IsAutoRunSetForAnyCopy());
    RemoveAutoRun();
    EXPECT_EQ(TaskExists(task), kept);
}

TEST(SettingsStore, TheTaskIsNamedByTheAccountsSidAndReplacesTheOneNamedByTheUserName) {
    SavedTask savedTask;
    SavedRegistryValue savedEntry(HKEY_CURRENT_USER, kAutoRunKeyPath, kAutoRunValueName);
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string own = "\"" + std::string(module) + "\"";
    // An earlier version's task of this program is this account's start at
    // log-on (another account of the same user name may own that name; the
    // service here tells by the trigger where it keeps one).
    ASSERT_TRUE(RegisterTaskRunning(EarlierTaskName(), own));
    EXPECT_TRUE(IsAutoRunSetForAnyCopy());
    EXPECT_EQ(IsAutoRunSet(), SchedulerKeepsDefinitions());
    ASSERT_TRUE(SetAutoRun());
    EXPECT_TRUE(TaskExists(ThisUsersTaskName()));
    EXPECT_FALSE(TaskExists(EarlierTaskName())) << "it would start the program a second time";

    ASSERT_TRUE(RegisterTaskRunning(EarlierTaskName(), own));
    EXPECT_TRUE(RemoveAutoRun());
    EXPECT_FALSE(TaskExists(ThisUsersTaskName()));
    EXPECT_FALSE(TaskExists(EarlierTaskName()));
    EXPECT_FALSE(IsAutoRunSetForAnyCopy());
}
