// The settings store: the registry values under HKLM\SOFTWARE\Brakkon\Torvane08
// and the autorun entry. Each call opens its key, does one read, write or
// delete and closes it again; nothing is cached and nothing is shown.
#pragma once

#include <optional>
#include <string>

#include "core/settings/logon_task_rules.h"
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

// The reminder check's kept text (HKCU, see kUserKeyPath): "" when there is
// none; at most kMaxReminderStateText bytes are read. The write stores it
// whole, creating the key when needed; 0 on success, else the error code.
std::string ReadReminderStateText();
long WriteReminderStateText(const std::string& text);

// The start at log-on. On Windows 2000 and XP the autorun entry "Vellumo"
// under ...\CurrentVersion\Run (HKLM on 2000 and older, else HKCU), with
// the data "<quoted program path> /background". From Vista on that entry
// cannot start a program that asks for elevation: there it is this account's
// log-on task "Vellumo (<the account's SID>)", which runs the same command
// line. A task an earlier version named "Vellumo (<user name>)" counts as
// this account's when it starts at this account's log-on (where the service
// keeps its trigger), and goes when the new one comes or the start is removed.
//
// Entry: true when it exists, whatever its data. Task: true when it exists,
// runs this program and starts at this account's log-on.
bool IsAutoRunSet();
// Entry: stored (failures are silent) and true. Task: registered, and then
// this program's own entry and task of the earlier name, left by an earlier
// version, removed (another program's stay); false when the Task Scheduler
// refused the task.
bool SetAutoRun();
// Entry: deleted, silently, also when there is none. Task: deleted unless it
// runs another program, and this program's own entry and task of the earlier
// name with it. True when nothing of this program's is left.
bool RemoveAutoRun();
// Entry: as IsAutoRunSet. Task: true when this account's task exists,
// whatever program it runs.
bool IsAutoRunSetForAnyCopy();

// For tests: the task's folder and the mechanism, in place of the Task
// Scheduler's root folder and the one the running Windows needs.
struct AutoRunPlace {
    std::string taskFolder = "\\";
    std::optional<AutoRunMechanism> mechanism;
};
AutoRunPlace& AutoRunTestPlace();

// The running Windows is 2000 (5.0) or older.
bool IsOldWindows();
