// Rules of the settings values, with no registry access: the clean-option
// bits and their 32-character text, the clamps applied to Days and
// TimeFormat, the autorun data and which Windows keeps autorun under
// HKEY_LOCAL_MACHINE.
#pragma once

#include <bitset>
#include <optional>
#include <string>

// Registry names.
constexpr const char* kSettingsKeyPath = "SOFTWARE\\Brakkon\\Torvane08";  // under HKLM
constexpr const char* kTimeFormatValue = "TimeFormat";
constexpr const char* kDaysValue = "Days";
constexpr const char* kCleanOptionValue = "CleanOption";
// 0: reminders whose time passed while the program was not running or the
// machine slept are not shown late. Any other number, or none, shows them.
constexpr const char* kRemindMissedValue = "RemindMissed";
// Per user (HKEY_CURRENT_USER): what the reminder check has shown, dismissed
// or snoozed, one REG_SZ text. Kept apart from the machine's settings key so
// that each user has reminders of their own and no write needs HKLM.
constexpr const char* kUserKeyPath = "Software\\Brakkon\\Torvane08";
constexpr const char* kRemindersValue = "Reminders";
constexpr const char* kAutoRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kAutoRunValueName = "Vellumo";

// Bits 0..8 are the history cleaner's nine items; 9..31 are never set.
using CleanOptionBits = std::bitset<32>;
constexpr unsigned long kAllCleanOptions = 0xFFFFFFFFul;  // the default: everything selected

// 32 characters '0'/'1', bit 31 first: bits 0, 1, 2 give 29 zeros and "111".
std::string CleanOptionText(const CleanOptionBits& bits);

// Strict reading: of the text only the first min(length, 32) characters count,
// the last counted one being bit 0; bits without a character are clear ("101"
// is bits 0 and 2, "" no bit). std::nullopt when a counted character is
// neither '0' nor '1'.
std::optional<CleanOptionBits> ParseCleanOptionText(const std::string& text);

// The bits to use for a stored text: ParseCleanOptionText, or all 32 bits set
// when the text is invalid (as for a missing value).
CleanOptionBits CleanOptionFromText(const std::string& text);

// Days as read (-1 when missing): below 1 or above 7 reads as 1.
int DaysFromStored(int stored);
// Days as written: 0 or less becomes 1, above 7 becomes 7.
int DaysToStore(int days);
// Hour format from TimeFormat as read (-1 when missing): exactly 12 gives 12,
// anything else 24.
int HourFormatFromStored(int stored);

// RemindMissed as read (-1 when missing): only an explicit 0 turns it off.
inline bool RemindMissedFromStored(int stored) { return stored != 0; }

// Autorun data: the quoted program path and " /background".
std::string AutoRunData(const std::string& exePath);

// Windows 2000 and older (major < 5, or 5.0): autorun lives under
// HKEY_LOCAL_MACHINE; from 5.1 (XP) on under HKEY_CURRENT_USER.
bool IsOldWindows(unsigned major, unsigned minor);
