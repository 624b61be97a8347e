// The benchmark's driver (scripts/bench.sh), run in the same prefix as the
// program it measures:
//   BenchDriver.exe startup <rounds> <command> <command> ...
//       launches each command line in turn (rounds times, alternating) and
//       prints the median and every time from the launch to its first
//       visible window answering a message, in ms;
//   BenchDriver.exe steps <count> <idle seconds> <wineserver's Unix pid>
//       drives the running panel: a quiet phase, bare cross-process
//       SendMessage calls, next/previous month steps without and with a
//       forced paint, and painted steps each followed by a pause in which
//       the cells' texts are handed to the window system. Prints µs per call, each phase's wall-clock span and
//       the Wine server's read calls in it (one or two per request), taken
//       from the kernel's count in /proc/<pid>/io: no tracer slows the
//       server down;
//   BenchDriver.exe find <rounds> <memo count>
//       times the running panel's memo search (see Find);
//   BenchDriver.exe sync <Vellumo.exe> <calendar url> <user> <password> <control port>
//       keeps the account, launches the program and times its first sync,
//       month steps during it and after it, and a sync with nothing to do
//       (see Sync).
#include <windows.h>
#include <commctrl.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/handles.h"
#include "res/resource.h"

namespace {
double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Wine's system time is the Unix clock: the span strace's stamps are read in.
double UnixNow() {
    FILETIME ft;
    ::GetSystemTimePreciseAsFileTime(&ft);
    const ULONGLONG t = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<double>(t - 116444736000000000ULL) / 1e7;
}

struct Search {
    DWORD pid = 0;
    HWND found = nullptr;
};

BOOL CALLBACK FindVisible(HWND wnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    if (pid != search->pid || !::IsWindowVisible(wnd)) return TRUE;
    search->found = wnd;
    return FALSE;
}

// Launch to a visible window that answers: the process is up and idle.
double TimeOneStart(const std::string& command) {
    std::string line = command;
    std::string dir = command.substr(command[0] == '"' ? 1 : 0);
    dir = dir.substr(0, dir.find_last_of('\\'));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double start = Now();
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                          &pi))
        return -1;
    KernelHandle process(pi.hProcess), thread(pi.hThread);
    Search search;
    search.pid = pi.dwProcessId;
    double shown = -1;
    while (Now() - start < 30) {
        search.found = nullptr;
        ::EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&search));
        DWORD_PTR answer = 0;
        if (search.found &&
            ::SendMessageTimeoutA(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer)) {
            shown = Now() - start;
            break;
        }
        ::Sleep(1);
    }
    ::TerminateProcess(process.Get(), 0);
    ::WaitForSingleObject(process.Get(), 10000);
    return shown * 1000;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int Startup(int rounds, const std::vector<std::string>& commands) {
    std::vector<std::vector<double>> times(commands.size());
    for (int r = -1; r < rounds; ++r)  // a first round to warm the caches, not counted
        for (size_t i = 0; i < commands.size(); ++i) {
            const double t = TimeOneStart(commands[i]);
            if (r >= 0) times[i].push_back(t);
            ::Sleep(500);  // let the server and the display settle
        }
    for (size_t i = 0; i < commands.size(); ++i) {
        std::printf("startup %zu median_ms %.1f all", i, Median(times[i]));
        for (double t : times[i]) std::printf(" %.0f", t);
        std::printf("\n");
    }
    return 0;
}

BOOL CALLBACK FindPanel(HWND wnd, LPARAM param) {
    char title[16] = {}, cls[16] = {};
    ::GetWindowTextA(wnd, title, sizeof title);
    ::GetClassNameA(wnd, cls, sizeof cls);
    if (std::string(cls) == "#32770" && std::string(title) == "Vellumo" &&
        ::GetDlgItem(wnd, IDC_DAY_FIRST)) {
        *reinterpret_cast<HWND*>(param) = wnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForPanel() {
    for (int i = 0; i < 3000; ++i) {
        // The start-up announcement holds the panel's thread: answer it.
        if (HWND box = ::FindWindowA("#32770", "Vellumo reminds you."))
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        HWND panel = nullptr;
        ::EnumWindows(&FindPanel, reinterpret_cast<LPARAM>(&panel));
        DWORD_PTR answer = 0;
        if (panel && ::IsWindowVisible(panel) &&
            ::SendMessageTimeoutA(panel, WM_NULL, 0, 0, SMTO_NORMAL, 200, &answer))
            return panel;
        ::Sleep(10);
    }
    return nullptr;
}

std::string g_serverIo;  // the server's /proc/<pid>/io through Wine's Z: drive

// The read system calls the Wine server has made so far; -1 when unknown.
long long ServerReads() {
    FILE* f = std::fopen(g_serverIo.c_str(), "r");
    if (!f) return -1;
    char line[128];
    long long reads = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "syscr: %lld", &reads) == 1) break;
    std::fclose(f);
    return reads;
}

// Runs `body` `count` times and prints µs per run, the phase's span and the
// server's read calls in it.
template <class Body>
double Phase(const char* name, int count, Body body) {
    const long long readsBefore = ServerReads();
    const double unixStart = UnixNow();
    const double start = Now();
    for (int i = 0; i < count; ++i) body(i);
    const double perRun = (Now() - start) * 1e6 / count;
    const double unixEnd = UnixNow();
    std::printf("phase %s count %d us_each %.1f span %.6f %.6f reads %lld\n", name, count, perRun,
                unixStart, unixEnd, ServerReads() - readsBefore);
    std::fflush(stdout);
    return perRun;
}

int Steps(int count, int idleSeconds) {
    HWND panel = WaitForPanel();
    if (!panel) {
        std::printf("no panel\n");
        return 2;
    }
    ::Sleep(3000);  // its first paint and start-up work are over: the idle rate is the ticker's
    auto step = [panel](int i) {
        ::SendMessageA(panel, WM_COMMAND, i % 2 ? IDC_PREV_MONTH : IDC_NEXT_MONTH, 0);
    };
    auto painted = [panel, step](int i) {
        step(i);
        ::RedrawWindow(panel, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    };
    Phase("idle", 1, [idleSeconds](int) { ::Sleep(idleSeconds * 1000); });
    const double bare = Phase("bare", count, [panel](int) { ::SendMessageA(panel, WM_NULL, 0, 0); });
    const double quick = Phase("step", count, step);
    ::Sleep(500);
    const double full = Phase("step_painted", count, painted);
    ::Sleep(500);
    // Steps far enough apart for the cells' texts to reach other processes
    // after each (the panel hands them over once the month stands still).
    Phase("step_settled", std::max(2, count / 4), [&painted](int i) {
        painted(i);
        ::Sleep(150);
    });
    std::printf("month step without paint: %.0f us, with paint: %.0f us (bare SendMessage %.0f us "
                "subtracted)\n",
                quick - bare, full - bare, bare);
    return 0;
}
// Finding memos among many: opens the find dialog of the running panel and
// sets the words "beta" (in every second memo) at once, timing the open to
// the dialog shown and to the list of those dates (the first read of every
// memo included); then sets the words `rounds` times, alternating "gamma"
// (every fifth) and "beta", and times each from the change of the words to
// the list showing the expected number of dates.
int Find(int rounds, int memos) {
    HWND panel = WaitForPanel();
    if (!panel) {
        std::printf("no panel\n");
        return 2;
    }
    ::Sleep(2000);
    const double openStart = Now();
    ::PostMessageA(panel, WM_COMMAND, ID_FIND_MEMO, 0);
    HWND find = nullptr;
    while (Now() - openStart < 60) {
        find = ::FindWindowA("#32770", "Find Memo");
        if (find && ::IsWindowVisible(find)) break;
        find = nullptr;
        ::Sleep(1);
    }
    if (!find) {
        std::printf("no find dialog\n");
        return 2;
    }
    const double shown = Now() - openStart;
    HWND edit = ::GetDlgItem(find, IDC_FIND_WORDS);
    HWND list = ::GetDlgItem(find, IDC_FIND_LIST);
    // Sets the words and waits for the list to show all their dates.
    auto search = [&](bool beta) {
        const LRESULT expected = beta ? (memos + 1) / 2 : (memos + 4) / 5;
        ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(beta ? "beta" : "gamma"));
        const double start = Now();
        while (::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) != expected && Now() - start < 60)
            ::Sleep(1);
    };
    search(true);
    std::printf("find open_ms %.1f first_list_ms %.1f memos %d\n", shown * 1000,
                (Now() - openStart) * 1000, memos);
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        ::Sleep(200);
        const double start = Now();
        search(r % 2 != 0);
        times.push_back((Now() - start) * 1000);
    }
    std::printf("find median_ms %.1f all", Median(times));
    for (double t : times) std::printf(" %.0f", t);
    std::printf("\n");
    ::PostMessageA(find, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

// --- Sync -------------------------------------------------------------------

constexpr int kSyncSteps = 40;
// Against a server that checks every event it is given against all it holds
// (Radicale does), a first sync of thousands takes minutes: time it whole.
constexpr int kFirstSyncLimitS = 1200;
const char kAccountKey[] = "Software\\Brakkon\\Torvane08\\CalendarServer";

bool SetText(HKEY key, const char* name, const std::string& text) {
    return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

// The account as the Calendar Server dialog keeps it, the password sealed
// for this user the way the program unseals it.
bool KeepAccount(const std::string& url, const std::string& user, const std::string& password) {
    DATA_BLOB in{static_cast<DWORD>(password.size()),
                 reinterpret_cast<BYTE*>(const_cast<char*>(password.data()))};
    DATA_BLOB out{};
    if (!::CryptProtectData(&in, L"Vellumo", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &out))
        return false;
    HKEY key = nullptr;
    bool ok = ::RegCreateKeyExA(HKEY_CURRENT_USER, kAccountKey, 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &key, nullptr) == ERROR_SUCCESS;
    if (ok) {
        ok = SetText(key, "Address", url) && SetText(key, "Calendar", url) &&
             SetText(key, "CalendarName", "bench") && SetText(key, "User", user) &&
             ::RegSetValueExA(key, "Password", 0, REG_BINARY, out.pbData, out.cbData) ==
                 ERROR_SUCCESS &&
             SetText(key, "Status", "");
        ::RegCloseKey(key);
    }
    ::LocalFree(out.pbData);
    return ok;
}

std::string Status() {
    char text[4096] = {};
    DWORD size = sizeof text - 1;
    if (::RegGetValueA(HKEY_CURRENT_USER, kAccountKey, "Status", RRF_RT_REG_SZ, nullptr, text,
                       &size) != ERROR_SUCCESS)
        return std::string();
    return text;
}

bool Settled(const std::string& status) {
    return status.rfind("Synced", 0) == 0 || status.rfind("Sync failed", 0) == 0;
}

// No sync state: the first sync sends every memo.
void ForgetSyncState() {
    char appData[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    const std::string folder = std::string(appData, n) + "\\Vellumo\\Sync\\";
    ::DeleteFileA((folder + "state.txt").c_str());
    ::DeleteFileA((folder + "others.ics").c_str());
}

// The server's counts of the program's requests: total, PROPFIND, REPORT,
// PUT, DELETE, GET, MKCALENDAR; empty when the control server does not answer.
std::vector<long long> ServerRequests(int controlPort) {
    std::string body;
    HINTERNET session = ::WinHttpOpen(L"BenchDriver", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                      WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    HINTERNET connection =
        session ? ::WinHttpConnect(session, L"127.0.0.1", static_cast<INTERNET_PORT>(controlPort), 0)
                : nullptr;
    HINTERNET request = connection ? ::WinHttpOpenRequest(connection, L"GET", L"/server/requests",
                                                          nullptr, WINHTTP_NO_REFERER,
                                                          WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                                   : nullptr;
    if (request != nullptr &&
        ::WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                             0, 0) &&
        ::WinHttpReceiveResponse(request, nullptr)) {
        char buffer[512];
        DWORD read = 0;
        while (::WinHttpReadData(request, buffer, sizeof buffer, &read) && read > 0)
            body.append(buffer, read);
    }
    for (HINTERNET h : {request, connection, session})
        if (h != nullptr) ::WinHttpCloseHandle(h);
    std::vector<long long> counts;
    std::istringstream in(body);
    long long n = 0;
    while (counts.size() < 7 && in >> n) counts.push_back(n);
    if (counts.size() != 7) counts.clear();
    return counts;
}

// "<total> <PROPFIND> <REPORT> <PUT> <DELETE> <GET> <MKCALENDAR>" between two counts.
std::string RequestsBetween(const std::vector<long long>& before, const std::vector<long long>& after) {
    if (before.size() != 7 || after.size() != 7) return "? ? ? ? ? ? ?";
    std::string text;
    for (size_t i = 0; i < 7; ++i) text += (i ? " " : "") + std::to_string(after[i] - before[i]);
    return text;
}

// Waits up to `limit` seconds for the Status value to show a finished sync,
// polling as the panel's own status line would be read; seconds from `start`,
// or -1.
double WaitForStatus(double start, double limit, std::string& status) {
    for (;;) {
        status = Status();
        const double t = Now() - start;
        if (Settled(status)) return t;
        if (t > limit) return -1;
        ::Sleep(50);
    }
}

// The first sync of every memo, month steps while it runs and after it, then
// a "Sync now" with nothing to do. Prints lines beginning "sync".
int Sync(const std::string& exe, const std::string& url, const std::string& user,
         const std::string& password, int controlPort) {
    if (!KeepAccount(url, user, password)) {
        std::printf("sync error: the account could not be kept\n");
        return 2;
    }
    ForgetSyncState();
    const std::vector<long long> before = ServerRequests(controlPort);
    std::string line = "\"" + exe + "\"";
    const std::string dir = exe.substr(0, exe.find_last_of('\\'));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double launched = Now();
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                          &pi)) {
        std::printf("sync error: could not launch %s\n", exe.c_str());
        return 2;
    }
    KernelHandle process(pi.hProcess), thread(pi.hThread);
    // The end of the first sync is watched on a thread of its own, so that
    // the steps below do not delay its reading.
    std::atomic<bool> watching{true};
    double firstSync = -1;
    std::string firstStatus;
    std::thread watch([&] {
        while (watching) {
            const std::string status = Status();
            if (Settled(status)) {
                firstSync = Now() - launched;
                firstStatus = status;
                return;
            }
            if (Now() - launched > kFirstSyncLimitS) return;
            ::Sleep(50);
        }
    });
    auto endProgram = [&] {
        watching = false;
        watch.join();
        ::TerminateProcess(process.Get(), 0);
        ::WaitForSingleObject(process.Get(), 10000);
    };
    HWND panel = WaitForPanel();
    if (!panel) {
        std::printf("sync error: no panel\n");
        endProgram();
        return 2;
    }
    auto painted = [panel](int i) {
        ::SendMessageA(panel, WM_COMMAND, i % 2 ? IDC_PREV_MONTH : IDC_NEXT_MONTH, 0);
        ::RedrawWindow(panel, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    };
    auto timeSteps = [&painted] {
        const double start = Now();
        for (int i = 0; i < kSyncSteps; ++i) painted(i);
        return (Now() - start) * 1e6 / kSyncSteps;
    };
    // The panel's first paint over, and a first round of steps (not counted)
    // so that both timed rounds find the same months drawn before.
    ::Sleep(1000);
    timeSteps();
    const double busySteps = timeSteps();
    const bool stepsDuringSync = !Settled(Status());

    watch.join();
    watching = false;
    const std::vector<long long> afterFirst = ServerRequests(controlPort);
    if (firstSync < 0) {
        // What it sent by then, for a comparison with as many bare PUTs.
        std::printf("sync gave_up_s %d requests %s status %s\n", kFirstSyncLimitS,
                    RequestsBetween(before, afterFirst).c_str(), Status().c_str());
        std::printf("sync steps %d busy_us %.0f idle_us - during_sync %s\n", kSyncSteps, busySteps,
                    stepsDuringSync ? "yes" : "no");
        ::TerminateProcess(process.Get(), 0);
        ::WaitForSingleObject(process.Get(), 10000);
        return 2;
    }
    std::printf("sync first_s %.2f requests %s status %s\n", firstSync,
                RequestsBetween(before, afterFirst).c_str(), firstStatus.c_str());
    std::fflush(stdout);

    ::Sleep(1000);
    timeSteps();
    const double idleSteps = timeSteps();
    std::printf("sync steps %d busy_us %.0f idle_us %.0f during_sync %s\n", kSyncSteps, busySteps,
                idleSteps, stepsDuringSync ? "yes" : "no");
    std::fflush(stdout);

    // Until the server has had no request from the program for two seconds:
    // a sync the first one's own changes brought about is over.
    std::vector<long long> quiet = ServerRequests(controlPort);
    for (int i = 0; i < 30; ++i) {
        ::Sleep(2000);
        const std::vector<long long> now = ServerRequests(controlPort);
        if (now == quiet) break;
        quiet = now;
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kAccountKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        SetText(key, "Status", "");
        ::RegCloseKey(key);
    }
    const double asked = Now();
    ::PostMessageA(panel, WM_COMMAND, ID_SYNC_NOW, 0);
    std::string status;
    const double again = WaitForStatus(asked, 120, status);
    const std::vector<long long> afterAgain = ServerRequests(controlPort);
    std::printf("sync nochange_ms %.0f requests %s status %s\n", again < 0 ? -1 : again * 1000,
                RequestsBetween(quiet, afterAgain).c_str(), status.c_str());
    std::fflush(stdout);
    ::TerminateProcess(process.Get(), 0);
    ::WaitForSingleObject(process.Get(), 10000);
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "startup" && argc > 3)
        return Startup(std::atoi(argv[2]), std::vector<std::string>(argv + 3, argv + argc));
    if (mode == "steps" && argc > 4) {
        g_serverIo = std::string("Z:\\proc\\") + argv[4] + "\\io";
        return Steps(std::atoi(argv[2]), std::atoi(argv[3]));
    }
    if (mode == "find" && argc > 3) return Find(std::atoi(argv[2]), std::atoi(argv[3]));
    if (mode == "sync" && argc > 6)
        return Sync(argv[2], argv[3], argv[4], argv[5], std::atoi(argv[6]));
    std::fprintf(stderr, "usage: BenchDriver startup <rounds> <command>...\n"
                         "       BenchDriver steps <count> <idle seconds> <server pid>\n"
                         "       BenchDriver find <rounds> <memo count>\n"
                         "       BenchDriver sync <Vellumo.exe> <calendar url> <user> <password> "
                         "<control port>\n");
    return 2;
}
