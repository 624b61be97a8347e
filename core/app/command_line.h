// The program's command-line switches. "/background" and "/now" are prefix
// tests without regard to case, so "/BACKGROUND" and "/nowhere" count too.
#pragma once

enum class StartMode { Shown, Background, BackupNow };

// True when `commandLine` begins with `switchText` (compared case-blind over
// the switch's length).
bool HasSwitchPrefix(const char* commandLine, const char* switchText);

// How a first copy starts: "/background" is tested first, then "/now".
StartMode FirstCopyStartMode(const char* commandLine);

// A second copy only asks for the backup run ("/now"); anything else shows
// the running copy's panel.
bool SecondCopyWantsBackup(const char* commandLine);

// "/logon-task=on", "=off" or "=query" (without regard to case, the word
// ending the line or followed by a blank): the run only switches the start
// at log-on on or off, or asks whether it is on, and ends with an exit code,
// also while another copy runs. Setup programs use it.
enum class LogOnTaskRequest { None, On, Off, Query, Invalid };
LogOnTaskRequest LogOnTaskSwitch(const char* commandLine);

// Exit codes of such a run.
constexpr int kLogOnTaskDone = 0;     // switched; for a query: it is on
constexpr int kLogOnTaskFailed = 1;   // not switched; for a query: it is off
constexpr int kLogOnTaskInvalid = 2;  // an unknown word after "="
