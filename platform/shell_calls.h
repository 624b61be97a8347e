// The shell's calls the program makes, through shell32.dll loaded on the
// first of them: the panel shows without the shell library's load, which
// no part of its start-up needs.
#pragma once

#include <windows.h>

#include <shellapi.h>

// Shell_NotifyIconA; FALSE when the shell library cannot be had.
BOOL ShellNotifyIcon(DWORD message, NOTIFYICONDATAA* data);
// ShellExecuteA; SE_ERR_DLLNOTFOUND when the shell library cannot be had.
HINSTANCE ShellOpen(HWND owner, const char* verb, const char* file, const char* parameters,
                    const char* directory, int show);
