#include "tests/support/moved_clock.h"

#include "tests/support/test_files.h"

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
    const std::string library = UnixPath(TestProgramDir() + "\\support\\fake_clock.so");
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

int PlatformFirstWeekday(int year, int month) {
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

