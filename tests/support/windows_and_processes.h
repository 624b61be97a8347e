// Processes and windows: pumping and waiting, a parent window for controls
// under test, a throwaway program folder and the copies started from it,
// finding the program's windows, and other processes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/tray/tray_icon.h"  // kTrayIconId: the icon the driver addresses
#include "platform/handles.h"

// Dispatches pending messages of this thread.
void PumpMessages();
// Pumps messages until `done` is true or `timeoutMs` passes; returns `done`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
// A plain top-level window to parent controls under test.
HWND CreateTestParent(int width = 300, int height = 200);

// Polls `done` (every 10 ms, then less often up to every 50 ms) until it
// holds or `timeoutMs` passes; for what another process does.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 10000);

// A throwaway program directory holding Vellumo.exe and the test stand-ins.
// Every copy of the program started through it is ended when it goes away.
class ProgramDir {
public:
    explicit ProgramDir(bool withBackupStandIn = true);
    ~ProgramDir();
    ProgramDir(const ProgramDir&) = delete;
    ProgramDir& operator=(const ProgramDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

    // Starts Vellumo.exe with `arguments`; returns the process handle (owned
    // by this object).
    HANDLE Start(const std::string& arguments = "");
    // Waits for the process to end; true when it did within the time.
    static bool WaitExit(HANDLE process, DWORD timeoutMs);
    // Lines recorded by the backup stand-in.
    std::vector<std::string> BackupRuns() const;

private:
    std::string path_;
    std::vector<KernelHandle> processes_;
};

// Starts a command line (in `directory`, if given); the process handle,
// which the caller closes, or null.
HANDLE LaunchProcess(const std::string& commandLine, const std::string& directory = "");

// tests/support/MemoSaver.exe run as a second process (see its usage); the
// process is killed when the object goes.
//   MemoSaverProcess("hold", file[, "ms"]): holds the file open exclusively
//   (for ms, else until killed); "save", program dir: saves memos in turn.
class MemoSaverProcess {
public:
    MemoSaverProcess(const std::string& mode, const std::string& argument,
                     const std::string& extra = "");
    ~MemoSaverProcess() { Kill(); }
    MemoSaverProcess(const MemoSaverProcess&) = delete;
    MemoSaverProcess& operator=(const MemoSaverProcess&) = delete;
    // True once it has signalled that it is ready (holds the file, or saved once).
    bool WaitReady();
    void Kill();

private:
    KernelHandle ready_;
    KernelHandle process_;
};

// The running panel (window titled "Vellumo"), or null.
HWND FindPanel();
// Waits until the panel exists (and, if asked, is visible).
HWND WaitForPanel(bool visible, DWORD timeoutMs = 10000);
// Ends every running copy (by its panel's process) and waits for it.
void EndAllCopies();
// A visible top-level window of the panel's process other than the panel,
// of `className` (and `caption`, unless empty), or null; and waiting for one.
HWND FindOf(HWND panel, const std::string& className, const std::string& caption = "");
HWND WaitForWindow(HWND panel, const std::string& className, const std::string& caption,
                   DWORD timeoutMs = 10000);
// The panel's ticker.
HWND FindTicker(HWND panel);

// Opens the panel's notification-area menu and returns it once drawn, or null.
HWND OpenTrayMenu(HWND panel);
// The tips of the icons in the notification area, as the shell shows them.
std::vector<std::string> TrayTips();

// Running processes whose image file is named `imageName` ("Vellumo.exe").
int CountProcesses(const char* imageName);
// The full path of the program file of the process that owns `wnd`.
std::string ProcessImageOf(HWND wnd);
