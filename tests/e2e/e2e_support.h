// Driving the real Vellumo.exe from outside: a fresh program directory per
// test, starting copies with arguments, finding and closing windows.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "tests/e2e/driver_helpers.h"
#include "tests/support/message_boxes.h"
#include "tests/support/test_files.h"

// Directory of this test program (…\tests).
inline std::string TestBinDir() { return TestProgramDir(); }

// Polls `done` (every 10 ms, then less often up to every 50 ms) until it
// holds or `timeoutMs` passes.
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

// Starts Vellumo.exe in `dir` with its clock reading `secondsAfterMidnight`
// of today (local) at the moment of the start and running on from there,
// through the time-shift library. Wine hands a child the Unix environment of
// its parent, not the Windows one, so the start goes through a Unix shell
// that sets LD_PRELOAD; copies the program starts itself inherit it.
bool SpawnAtTimeOfDay(ProgramDir& dir, int secondsAfterMidnight);

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

// The id of the panel's icon in the notification area.
constexpr UINT kTrayIconId = 164;
// Opens the panel's notification-area menu and returns it once drawn, or null.
HWND OpenTrayMenu(HWND panel);
// A picture of `wnd` (its client area, or all of it) once three reads 150 ms
// apart agree: whatever was pending has been drawn.
ScreenPicture SettledPicture(HWND wnd, bool client, DWORD timeoutMs = 5000);

// Message boxes share one caption: the start-up announcement of the coming
// memos is owned by the panel, a reminder has no owner.
extern const char kReminderCaption[];
inline std::string BoxText(HWND box) { return MessageBoxText(box); }
HWND FindAnnouncementBox();
HWND FindReminderBox();
// Closes the announcement if one shows; returns its text ("" if none).
std::string DismissAnnouncement(DWORD timeoutMs);
// Waits for a reminder box, closing any announcement met on the way.
HWND WaitForReminderBox(DWORD timeoutMs);

// Keeps `picture` in the test results as screens/<name>.bmp (nothing outside
// a test run), to be looked at afterwards.
void KeepPicture(const Pixels& picture, const std::string& name);
// The whole screen, kept so when a test sees something it cannot explain.
void KeepScreen(const std::string& name);

// The weekday (0 = Sunday) of the first of a month: the column of its cell.
int FirstWeekday(int year, int month);

// A left click with the real mouse at a screen point (goes to whatever
// window lies there, as a user's would).
void ClickScreenPoint(POINT p);
// Clicks (or double-clicks) at `p` until `done` holds, at most three times,
// waiting up to `waitMs` after each. Without a window manager Wine settles a
// window's activation after it is shown, and a late focus change cancels a
// press that came too soon; a user would simply click again.
bool ClickUntil(POINT p, const std::function<bool()>& done, DWORD waitMs, bool doubleClick = false);

// The change of date. Starts the program file `exePath` (working folder: its
// own) with its clock reading `localTime` at the moment of the start and
// running on from there, as SpawnAtTimeOfDay does.
bool SpawnAtLocalTime(const std::string& exePath, const SYSTEMTIME& localTime);
// A local date and time as a SYSTEMTIME.
SYSTEMTIME LocalTimeOf(int year, int month, int day, int hour, int minute, int second);
// Seconds before midnight the day-change tests start a copy: room for a slow
// start-up and for opening something before the date changes.
constexpr int kLeadSeconds = 20;
// A copy started `kLeadSeconds` before a midnight, the driver's tick count at
// which its clock reaches that midnight, and its panel once shown.
struct LateCopy {
    HWND panel = nullptr;
    KernelHandle process;
    DWORD midnight = 0;

    std::string clockFile;  // moves the copy's clock on (see HurryToMidnight)
    int jumpedSeconds = 0;

    bool BeforeMidnight() const { return static_cast<LONG>(midnight - ::GetTickCount()) > 300; }
    // Once the test is ready for midnight: moves the copy's clock on, in
    // whole seconds, so that midnight is about `leftSeconds` away.
    void HurryToMidnight(int leftSeconds = 2);
    // Milliseconds until `extra` after midnight.
    DWORD PastMidnight(DWORD extra) const {
        const LONG left = static_cast<LONG>(midnight - ::GetTickCount());
        return static_cast<DWORD>(left > 0 ? left : 0) + extra;
    }
};
// Starts `exePath` with its clock at 23:59:(60 - kLeadSeconds) of the given day.
void StartBeforeMidnight(const std::string& exePath, int year, int month, int day, LateCopy& copy);
// Running processes whose image file is named `imageName` ("Vellumo.exe").
int CountProcesses(const char* imageName);
// The full path of the program file of the process that owns `wnd`.
std::string ProcessImageOf(HWND wnd);
// The tips of the icons in the notification area, as the shell shows them.
std::vector<std::string> TrayTips();

// The panel's ticker, and its picture once it stands still at the top of its
// text (scrolled there, which also pauses it).
HWND FindTicker(HWND panel);
ScreenPicture StillTicker(HWND ticker);
// The ticker's text colour 0,115,255, antialiased over its light background.
bool IsTickerInk(COLORREF c);
