// The settings store: the registry values under HKLM\SOFTWARE\Brakkon\Torvane08
// and the autorun entry. Each call opens its key, does one read, write or
// delete and closes it again; nothing is cached and nothing is shown.
#pragma once

#include "core/settings/settings_rules.h"

// The stored number (REG_DWORD, read whatever its type into four bytes), or
// -1 when the key or value is missing or longer than four bytes.
int ReadSettingValue(const char* name);
// Stores `value` as REG_DWORD, creating the settings key when needed.
// 0 on success, else the failing registry call's error code.
long WriteSettingValue(const char* name, int value);

// The process-wide clean-option bits: filled by the history cleaner from its
// check boxes, read by its worker, stored by WriteCleanOption.
CleanOptionBits& SharedCleanOptionBits();

// The stored CleanOption text as bits; all 32 set when the key or value is
// missing, unreadable or not a text of '0'/'1' (an empty text is no bits).
CleanOptionBits ReadCleanOption();
// Stores SharedCleanOptionBits() as its 32-character text, creating the
// settings key when needed. 0 on success, -1 on failure.
int WriteCleanOption();

// Autorun entry "Vellumo" under ...\CurrentVersion\Run, HKLM on Windows 2000
// and older, else HKCU.
bool IsAutoRunSet();   // true when the value exists, whatever its data
void SetAutoRun();     // "<quoted program path> /background"; silent on failure
void RemoveAutoRun();  // silent, also when there is no entry

// The running Windows is 2000 (5.0) or older.
bool IsOldWindows();
