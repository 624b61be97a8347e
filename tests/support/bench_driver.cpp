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
//       times the running panel's memo search (see Find).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
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
    std::fprintf(stderr, "usage: BenchDriver startup <rounds> <command>...\n"
                         "       BenchDriver steps <count> <idle seconds> <server pid>\n");
    return 2;
}
