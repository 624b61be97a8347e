// The settings store against the real registry. Every test puts back the
// values and keys it touched.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace {

// Remembers some values of one key (and whether the key was there) and puts
// them back when the scope ends.
class RegistrySnapshot {
public:
    RegistrySnapshot(HKEY root, const char* path, std::vector<std::string> names)
        : root_(root), path_(path) {
        // The keys of the path that are missing now, outermost last.
        std::string part = path;
        for (;;) {
            HKEY probe = nullptr;
            if (::RegOpenKeyExA(root, part.c_str(), 0, KEY_READ, &probe) == ERROR_SUCCESS) {
                ::RegCloseKey(probe);
                break;
            }
            missing_.push_back(part);
            const std::size_t slash = part.rfind('\\');
            if (slash == std::string::npos) break;
            part.resize(slash);
        }
        HKEY key = nullptr;
        keyExisted_ = ::RegOpenKeyExA(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
        for (std::string& name : names) {
            Saved saved{std::move(name), false, 0, {}};
            DWORD size = 0;
            if (keyExisted_ && ::RegQueryValueExA(key, saved.name.c_str(), nullptr, &saved.type,
                                                  nullptr, &size) == ERROR_SUCCESS) {
                saved.data.resize(size);
                saved.present = ::RegQueryValueExA(key, saved.name.c_str(), nullptr, nullptr,
                                                   saved.data.data(), &size) == ERROR_SUCCESS;
            }
            saved_.push_back(std::move(saved));
        }
        if (key) ::RegCloseKey(key);
    }
    ~RegistrySnapshot() {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(root_, path_, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
            for (const Saved& saved : saved_) {
                if (saved.present)
                    ::RegSetValueExA(key, saved.name.c_str(), 0, saved.type, saved.data.data(),
                                     static_cast<DWORD>(saved.data.size()));
                else
                    ::RegDeleteValueA(key, saved.name.c_str());
            }
            ::RegCloseKey(key);
        }
        for (const std::string& part : missing_) ::RegDeleteKeyA(root_, part.c_str());
    }
    RegistrySnapshot(const RegistrySnapshot&) = delete;
    RegistrySnapshot& operator=(const RegistrySnapshot&) = delete;

private:
    struct Saved {
        std::string name;
        bool present;
        DWORD type;
        std::vector<BYTE> data;
    };
    HKEY root_;
    const char* path_;
    bool keyExisted_ = false;
    std::vector<Saved> saved_;
    std::vector<std::string> missing_;
};

RegistrySnapshot SettingsSnapshot() {
    return RegistrySnapshot(HKEY_LOCAL_MACHINE, kSettingsKeyPath,
                            {kTimeFormatValue, kDaysValue, kCleanOptionValue});
}

void DeleteSettingsKey() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_ALL_ACCESS, &key) ==
        ERROR_SUCCESS) {
        for (const char* name : {kTimeFormatValue, kDaysValue, kCleanOptionValue})
            ::RegDeleteValueA(key, name);
        ::RegCloseKey(key);
    }
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
}

void StoreRaw(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, 0,
                                               KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
}

void StoreText(const char* name, const std::string& text) {
    StoreRaw(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

// Type and bytes of a value; type REG_NONE when it is missing.
struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
};
RawValue ReadRaw(HKEY root, const char* path, const char* name) {
    RawValue value;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    char data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = REG_NONE;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) ==
        ERROR_SUCCESS) {
        value.type = type;
        value.bytes.assign(data, size);
    }
    ::RegCloseKey(key);
    return value;
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
    const RawValue stored = ReadRaw(HKEY_LOCAL_MACHINE, kSettingsKeyPath, kCleanOptionValue);
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
    const RawValue stored = ReadRaw(HKEY_LOCAL_MACHINE, kSettingsKeyPath, kTimeFormatValue);
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
    // Wine reports a Windows after 2000: the entry belongs to the user.
    ASSERT_FALSE(IsOldWindows());
    const HKEY root = HKEY_CURRENT_USER;
    RegistrySnapshot savedKey(root, kAutoRunKeyPath, {kAutoRunValueName});
    RegistrySnapshot savedMachine(HKEY_LOCAL_MACHINE, kAutoRunKeyPath, {kAutoRunValueName});
    HKEY key = nullptr;  // the store does not create the Run key; a user's profile has it
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(root, kAutoRunKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                                               nullptr, &key, nullptr));
    ::RegDeleteValueA(key, kAutoRunValueName);

    EXPECT_FALSE(IsAutoRunSet());
    RemoveAutoRun();  // nothing to remove: silent
    EXPECT_FALSE(IsAutoRunSet());

    // Any data counts, an older copy's path for instance.
    const std::string old = "C:\\Old\\Vellumo.exe";
    ::RegSetValueExA(key, kAutoRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(old.c_str()),
                     static_cast<DWORD>(old.size() + 1));
    EXPECT_TRUE(IsAutoRunSet());

    SetAutoRun();  // replaced by this program's own path
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    const RawValue stored = ReadRaw(root, kAutoRunKeyPath, kAutoRunValueName);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored.type);
    EXPECT_EQ("\"" + std::string(module) + "\" /background" + std::string(1, '\0'), stored.bytes);
    EXPECT_EQ(static_cast<DWORD>(REG_NONE),
              ReadRaw(HKEY_LOCAL_MACHINE, kAutoRunKeyPath, kAutoRunValueName).type);

    RemoveAutoRun();
    EXPECT_FALSE(IsAutoRunSet());
    ::RegCloseKey(key);
}
