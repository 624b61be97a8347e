#include "tests/e2e/e2e_support.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <sstream>

#include "tests/support/test_handles.h"

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        const DWORD waited = ::GetTickCount() - start;
        if (waited > timeoutMs) return false;
        // Quick at first; a long wait asks less often (a check may read the
        // screen, which costs the machine the other tests run on).
        ::Sleep(waited < 400 ? 10 + waited / 10 : 50);
    }
    return true;
}

ProgramDir::ProgramDir(bool withBackupStandIn) {
    static int counter = 0;
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "vellumo-e2e-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    RemoveDirectoryTree(path_);
    ::CreateDirectoryA(path_.c_str(), nullptr);
    // What an earlier test's copy showed or dismissed, at its moved clock,
    // is not this test's.
    ForgetReminders();
    const std::string build = ParentDir(TestProgramDir());
    ::CopyFileA((build + "\\bin\\Vellumo.exe").c_str(), File("Vellumo.exe").c_str(), FALSE);
    if (withBackupStandIn) {
        ::CopyFileA((TestBinDir() + "\\support\\Sandrel.exe").c_str(), File("Sandrel.exe").c_str(),
                    FALSE);
    }
}

ProgramDir::~ProgramDir() {
    EndAllCopies();
    for (const KernelHandle& p : processes_) {
        if (::WaitForSingleObject(p.Get(), 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(p.Get(), 1);
            ::WaitForSingleObject(p.Get(), 5000);
        }
    }
    RemoveDirectoryTree(path_);
    ForgetReminders();
}

HANDLE LaunchProcess(const std::string& commandLine, const std::string& directory) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &startup, &info))
        return nullptr;
    KernelHandle thread(info.hThread);
    return info.hProcess;
}

HANDLE ProgramDir::Start(const std::string& arguments) {
    std::string commandLine = "\"" + File("Vellumo.exe") + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    HANDLE process = LaunchProcess(commandLine, path_);
    if (process) processes_.emplace_back(process);
    return process;
}

bool ProgramDir::WaitExit(HANDLE process, DWORD timeoutMs) {
    return process && ::WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
}

std::vector<std::string> ProgramDir::BackupRuns() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFileText(File("Sandrel.log")));
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

HWND FindPanel() {
    // Message boxes of the program share the panel's title: the panel is the
    // one that holds the day cells and the exit mark.
    for (HWND w = ::FindWindowExA(nullptr, nullptr, "#32770", "Vellumo"); w;
         w = ::FindWindowExA(nullptr, w, "#32770", "Vellumo")) {
        if (::GetDlgItem(w, 1036) && ::GetDlgItem(w, 1063)) return w;
    }
    return nullptr;
}

HWND WaitForPanel(bool visible, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            found = FindPanel();
            return found && (!visible || ::IsWindowVisible(found));
        },
        timeoutMs);
    return found && (!visible || ::IsWindowVisible(found)) ? found : nullptr;
}

namespace {
// Calls `each` with the id of every process of `imageName`; false when the
// processes cannot be listed.
template <class Each>
bool ForEachProcess(const char* imageName, Each each) {
    SnapshotHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.Get(), &entry); more;
         more = ::Process32Next(snapshot.Get(), &entry))
        if (::lstrcmpiA(entry.szExeFile, imageName) == 0) each(entry.th32ProcessID);
    return true;
}

void Terminate(DWORD pid) {
    KernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process) return;
    ::TerminateProcess(process.Get(), 1);
    ::WaitForSingleObject(process.Get(), 5000);
}
}  // namespace

void EndAllCopies() {
    // A copy may still be starting (a restart hands over to a fresh one), so
    // go on while the single-instance mutex exists, ending each panel found.
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 10000) {
        HWND panel = FindPanel();
        if (!panel) {
            if (!KernelHandle(::OpenMutexA(SYNCHRONIZE, FALSE, "ZEDE"))) break;
            ::Sleep(50);
            continue;
        }
        DWORD pid = 0;
        ::GetWindowThreadProcessId(panel, &pid);
        Terminate(pid);
        WaitFor([&] { return FindPanel() != panel; }, 2000);
    }
    // Then any copy without a panel or the mutex (one still starting, one
    // held by a box): left running, the next test would take it for its own.
    ForEachProcess("Vellumo.exe", &Terminate);
}

namespace {
struct WindowSearch {
    HWND panel;
    DWORD pid;
    const std::string& className;
    const std::string& caption;
    HWND found;
};
BOOL CALLBACK MatchWindow(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    char cls[64] = {}, title[128] = {};
    ::GetClassNameA(wnd, cls, sizeof cls);
    ::GetWindowTextA(wnd, title, sizeof title);
    if (pid == s->pid && wnd != s->panel && ::IsWindowVisible(wnd) && s->className == cls &&
        (s->caption.empty() || s->caption == title)) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND FindOf(HWND panel, const std::string& className, const std::string& caption) {
    WindowSearch s{panel, 0, className, caption, nullptr};
    ::GetWindowThreadProcessId(panel, &s.pid);
    ::EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND WaitForWindow(HWND panel, const std::string& className, const std::string& caption,
                   DWORD timeoutMs) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindOf(panel, className, caption)) != nullptr; }, timeoutMs);
    return found;
}

// The menu opens beside the pointer, which then stays still: once pictures
// of it a moment apart agree, whatever the pointer hovers has been drawn,
// and keys come after it. Under Wine the focus leaves a panel just hidden a
// little late, and that late deactivation closes a menu opened before it:
// then the menu is opened again.
HWND OpenTrayMenu(HWND panel) {
    ::SetCursorPos(900, 700);
    const auto shown = [panel] { return FindOf(panel, "#32768"); };
    for (int attempt = 0; attempt < 5; ++attempt) {
        ::PostMessageA(panel, WM_USER, kTrayIconId, WM_RBUTTONUP);
        HWND menu = nullptr;
        // A click the loaded program lost is made again, as a user would.
        if (!WaitFor([&] { return (menu = shown()) != nullptr; }, 5000)) continue;
        SettledPicture(menu, false, 10000);
        if (shown() == menu) return menu;
        WaitFor([&] { return shown() == nullptr; }, 10000);
    }
    return nullptr;
}

const char kReminderCaption[] = "Vellumo reminds you.";

HWND FindAnnouncementBox() { return FindDialog(kReminderCaption, true); }
HWND FindReminderBox() { return FindDialog(kReminderCaption, false); }

std::string DismissAnnouncement(DWORD timeoutMs) {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindAnnouncementBox()) != nullptr; }, timeoutMs)) return "";
    const std::string text = MessageBoxText(box);
    AnswerBox(box, IDOK);
    WaitFor([&] { return !::IsWindow(box); }, 3000);
    return text;
}

HWND WaitForReminderBox(DWORD timeoutMs) {
    HWND box = nullptr;
    WaitFor(
        [&] {
            if (HWND announcement = FindAnnouncementBox()) AnswerBox(announcement, IDOK);
            return (box = FindReminderBox()) != nullptr;
        },
        timeoutMs);
    return box;
}

namespace {
// The Unix path of a file, for LD_PRELOAD.
std::string UnixPath(const std::string& windowsPath) {
    using ToUnix = char*(__cdecl*)(const wchar_t*);
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return "";
    std::wstring wide(windowsPath.begin(), windowsPath.end());
    char* unixPath = toUnix(wide.c_str());
    if (!unixPath) return "";
    std::string result = unixPath;
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return result;
}
}  // namespace

namespace {
// The clock file lies in the program's folder, or the nearest folder above it
// where its path fits MAX_PATH (the long-path test's folder is too deep).
// A restarted copy inherits the variables and lives in the same moved time.
std::string ClockFileOf(const std::string& exePath) {
    std::string folder = exePath.substr(0, exePath.find_last_of('\\'));
    const std::string name = "\\Vellumo.clock";
    while (folder.size() + name.size() >= MAX_PATH && folder.find('\\') != std::string::npos)
        folder.erase(folder.find_last_of('\\'));
    return folder + name;
}

bool SpawnWithClockOffset(const std::string& exePath, long long offsetSeconds) {
    using Spawn = LONG(__stdcall*)(char* const*, int);
    auto spawn = reinterpret_cast<Spawn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
    const std::string library = UnixPath(TestBinDir() + "\\support\\fake_clock.so");
    const std::string program = UnixPath(exePath);
    WriteFileBytes(ClockFileOf(exePath), "0");
    const std::string clockFile = UnixPath(ClockFileOf(exePath));
    if (!spawn || library.empty() || program.empty() || clockFile.empty()) return false;
    const std::string script = "cd \"$(dirname \"$2\")\" && LD_PRELOAD=\"$1\" "
                               "VELLUMO_FAKE_CLOCK_OFFSET=$3 VELLUMO_FAKE_CLOCK_FILE=\"$4\" "
                               "exec wine \"$2\" >/dev/null 2>&1";
    std::string args[] = {"/bin/sh", "-c", script, "sh", library, program,
                          std::to_string(offsetSeconds), clockFile};
    char* argv[9] = {};
    for (int i = 0; i < 8; ++i) argv[i] = &args[i][0];
    return spawn(argv, 0) == 0;
}

long long FileTimeSeconds(const SYSTEMTIME& t) {
    FILETIME ft{};
    if (!::SystemTimeToFileTime(&t, &ft)) return 0;
    ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
    return static_cast<long long>(u.QuadPart / 10000000ULL);
}
}  // namespace

void KeepPicture(const Pixels& picture, const std::string& name) {
    char unixPath[1024] = {};
    const DWORD n = ::GetEnvironmentVariableA("VELLUMO_TEST_RESULTS", unixPath, sizeof unixPath);
    if (n == 0 || n >= sizeof unixPath) return;
    std::string folder = std::string("Z:") + unixPath + "/screens";
    for (char& c : folder)
        if (c == '/') c = '\\';
    ::CreateDirectoryA(folder.c_str(), nullptr);
    SaveBmp(picture, folder + "\\" + name + ".bmp");
}

void KeepScreen(const std::string& name) {
    KeepPicture(ScreenPicture(RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}),
                name);
}

int FirstWeekday(int year, int month) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = 1;
    FILETIME ft;
    ::SystemTimeToFileTime(&st, &ft);
    ::FileTimeToSystemTime(&ft, &st);
    return st.wDayOfWeek;
}

bool SpawnAtTimeOfDay(ProgramDir& dir, int secondsAfterMidnight) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    const int secondsToday = now.wHour * 3600 + now.wMinute * 60 + now.wSecond;
    return SpawnWithClockOffset(dir.File("Vellumo.exe"), secondsAfterMidnight - secondsToday);
}

void ClickScreenPoint(POINT p) {
    ::SetCursorPos(p.x, p.y);
    ::mouse_event(MOUSEEVENTF_MOVE, 0, 0, 0, 0);
    ::Sleep(30);
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    ::Sleep(60);
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    ::Sleep(60);
}

bool ClickUntil(POINT p, const std::function<bool()>& done, DWORD waitMs, bool doubleClick) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        ClickScreenPoint(p);
        if (doubleClick) {
            ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
            ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
        }
        if (WaitFor(done, waitMs)) return true;
    }
    return false;
}

SYSTEMTIME LocalTimeOf(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = static_cast<WORD>(second);
    return t;
}

void StartBeforeMidnight(const std::string& exePath, int year, int month, int day, LateCopy& copy) {
    const DWORD spawned = ::GetTickCount();
    if (!SpawnAtLocalTime(exePath, LocalTimeOf(year, month, day, 23, 59, 60 - kLeadSeconds))) return;
    copy.midnight = spawned + kLeadSeconds * 1000;
    copy.clockFile = ClockFileOf(exePath);
    copy.jumpedSeconds = 0;
    copy.panel = WaitForPanel(true, kLeadSeconds * 1000);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(copy.panel, &pid);
    copy.process.Reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
}

void LateCopy::HurryToMidnight(int leftSeconds) {
    const LONG left = static_cast<LONG>(midnight - ::GetTickCount());
    const int jump = static_cast<int>(left / 1000) - leftSeconds;
    if (jump <= 0 || clockFile.empty()) return;
    jumpedSeconds += jump;
    WriteFileBytes(clockFile, std::to_string(jumpedSeconds));
    midnight -= static_cast<DWORD>(jump) * 1000;
}

bool SpawnAtLocalTime(const std::string& exePath, const SYSTEMTIME& localTime) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    now.wMilliseconds = 0;
    return SpawnWithClockOffset(exePath, FileTimeSeconds(localTime) - FileTimeSeconds(now));
}

int CountProcesses(const char* imageName) {
    int n = 0;
    return ForEachProcess(imageName, [&n](DWORD) { ++n; }) ? n : -1;
}

std::string ProcessImageOf(HWND wnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return "";
    std::vector<wchar_t> path(32768);
    DWORD size = static_cast<DWORD>(path.size());
    const BOOL ok = ::QueryFullProcessImageNameW(process.Get(), 0, path.data(), &size);
    std::string narrow(ok ? size : 0, '\0');
    for (DWORD i = 0; i < narrow.size(); ++i) narrow[i] = static_cast<char>(path[i]);
    return narrow;
}

namespace {
// The texts of a tooltip window of another process, read through memory of
// that process (the tool records hold pointers into it).
void AddToolTexts(HWND tooltip, std::vector<std::string>& out) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(tooltip, &pid);
    KernelHandle owner(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                                     FALSE, pid));
    if (!owner) return;
    const HANDLE process = owner.Get();
    constexpr SIZE_T kTextOffset = 1024;
    auto* remote = static_cast<char*>(
        ::VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    const int tools = static_cast<int>(::SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; remote && i < tools; ++i) {
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        info.lpszText = reinterpret_cast<LPWSTR>(remote + kTextOffset);
        wchar_t text[512] = {};
        if (!::WriteProcessMemory(process, remote, &info, sizeof info, nullptr) ||
            !::WriteProcessMemory(process, remote + kTextOffset, text, sizeof text, nullptr) ||
            !::SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote)) ||
            !::ReadProcessMemory(process, remote + kTextOffset, text, sizeof text - sizeof(wchar_t),
                                 nullptr))
            continue;
        char narrow[512] = {};
        ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow - 1, nullptr, nullptr);
        out.push_back(narrow);
    }
    if (remote) ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
}
}  // namespace

std::vector<std::string> TrayTips() {
    std::vector<std::string> tips;
    HWND tray = ::FindWindowA("Shell_TrayWnd", nullptr);
    DWORD shell = 0;
    if (!tray || !::GetWindowThreadProcessId(tray, &shell)) return tips;
    for (HWND w = ::FindWindowExA(nullptr, nullptr, "tooltips_class32", nullptr); w;
         w = ::FindWindowExA(nullptr, w, "tooltips_class32", nullptr)) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(w, &pid);
        if (pid == shell) AddToolTexts(w, tips);
    }
    return tips;
}

HWND FindTicker(HWND panel) { return ::FindWindowExA(panel, nullptr, nullptr, "Scroller"); }

ScreenPicture SettledPicture(HWND wnd, bool client, DWORD timeoutMs) {
    // Three equal pictures in a row: one pause of a busy program before its
    // paint must not pass for a still picture.
    const auto take = [&] { return client ? ScreenPicture::OfClient(wnd) : ScreenPicture::OfWindow(wnd); };
    ScreenPicture last = take();
    int same = 0;
    WaitFor(
        [&] {
            ::Sleep(150);
            ScreenPicture next = take();
            same = next.Differing(last) == 0 ? same + 1 : 0;
            last = std::move(next);
            return same >= 2;
        },
        timeoutMs);
    return last;
}

// Twice: the first request may come before the ticker has measured a new
// text at its next paint.
ScreenPicture StillTicker(HWND ticker) {
    // The ticker takes scroll requests only while its hover bar makes it a
    // tab stop; lend it that style for the request (without the bar, which
    // would narrow the text) instead of hovering it.
    const auto scrollToTop = [ticker] {
        const LONG_PTR style = ::GetWindowLongPtrA(ticker, GWL_STYLE);
        ::SetWindowLongPtrA(ticker, GWL_STYLE, style | WS_TABSTOP);
        // Waits for the request to be handled (a loaded panel may be busy for
        // seconds): it is refused once the style is taken back.
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(ticker, WM_VSCROLL, SB_TOP, 0, SMTO_NORMAL, 20000, &result);
        ::SetWindowLongPtrA(ticker, GWL_STYLE, style);
    };
    // The ticker always shows text (memos or the fallback). A panel whose
    // thread waits in a call to another program (the notification area
    // still starting on a loaded machine) answers these requests but paints
    // nothing until that call returns: a still picture without text is
    // taken again.
    ScreenPicture picture(RECT{});
    WaitFor(
        [&] {
            scrollToTop();
            SettledPicture(ticker, true);
            scrollToTop();
            picture = SettledPicture(ticker, true);
            return picture.Count(IsTickerInk) >= 20;
        },
        20000);
    return picture;
}

bool IsTickerInk(COLORREF c) {
    return GetBValue(c) >= 200 && GetRValue(c) <= 140 && GetGValue(c) <= 190;
}
