// The program's command-line switches. Both are prefix tests without regard
// to case, so "/BACKGROUND" and "/nowhere" count too.
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
