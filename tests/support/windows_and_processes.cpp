#include "tests/support/windows_and_processes.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <sstream>

#include "tests/support/pictures.h"
#include "tests/support/registry.h"
#include "tests/support/test_files.h"

void PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        PumpMessages();
        ::Sleep(5);
    }
    return true;
}

namespace {
LRESULT CALLBACK PlainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    return ::DefWindowProcA(wnd, msg, wp, lp);
}
}  // namespace

HWND CreateTestParent(int width, int height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &PlainProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "VellumoTestParent";
        ::RegisterClassA(&wc);
        registered = true;
    }
    HWND wnd = ::CreateWindowExA(0, "VellumoTestParent", "test parent",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, width, height, nullptr,
                                 nullptr, ::GetModuleHandleA(nullptr), nullptr);
    PumpMessages();
    return wnd;
}

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
        ::CopyFileA((TestProgramDir() + "\\support\\Sandrel.exe").c_str(), File("Sandrel.exe").c_str(),
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
    // Tool-help snapshots report failure as INVALID_HANDLE_VALUE, as files do.
    FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
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

MemoSaverProcess::MemoSaverProcess(const std::string& mode, const std::string& argument,
                                   const std::string& extra) {
    static int counter = 0;
    const std::string eventName = "VellumoMemoSaver" + std::to_string(::GetCurrentProcessId()) +
                                  "-" + std::to_string(++counter);
    ready_.Reset(::CreateEventA(nullptr, TRUE, FALSE, eventName.c_str()));
    std::string commandLine = "\"" + SupportDir("MemoSaver.exe") + "\" " + mode + " \"" +
                              argument + "\" " + eventName + (extra.empty() ? "" : " " + extra);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &info)) {
        process_.Reset(info.hProcess);
        KernelHandle thread(info.hThread);
    }
}

bool MemoSaverProcess::WaitReady() {
    if (!process_) return false;
    HANDLE both[] = {ready_.Get(), process_.Get()};
    return ::WaitForMultipleObjects(2, both, FALSE, 20000) == WAIT_OBJECT_0;
}

void MemoSaverProcess::Kill() {
    if (!process_) return;
    ::TerminateProcess(process_.Get(), 9);
    ::WaitForSingleObject(process_.Get(), 10000);
    process_.Reset();
}
