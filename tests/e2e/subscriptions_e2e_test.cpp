// Subscribed calendars with the real program: a start without subscriptions
// loads neither WinHTTP nor the security support; a kept subscription is
// fetched at start, WinHTTP then loaded from the system folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <cctype>
#include <string>
#include <vector>

#include "core/settings/settings_rules.h"
#include "tests/support/calendar_server.h"
#include "tests/support/windows_and_processes.h"

namespace {

constexpr DWORD kStartMs = 30000;
const std::string kCalendarsKey = std::string(kUserKeyPath) + "\\Calendars";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The file names of the modules `process` has loaded, in lower case.
std::vector<std::string> ModulesOf(HANDLE process) {
    std::vector<std::string> names;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, ::GetProcessId(process));
    if (snapshot == INVALID_HANDLE_VALUE) return names;
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Module32First(snapshot, &entry); more;
         more = ::Module32Next(snapshot, &entry))
        names.push_back(Lower(entry.szModule));
    ::CloseHandle(snapshot);
    return names;
}

bool Holds(const std::vector<std::string>& names, const char* name) {
    for (const std::string& n : names)
        if (n == name) return true;
    return false;
}

// Every kept subscription's key and copy removed, as an earlier case may have
// left them in this lane.
void ForgetSubscriptions() {
    HKEY calendars = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kCalendarsKey.c_str(), 0, KEY_READ, &calendars) !=
        ERROR_SUCCESS)
        return;
    std::vector<std::string> ids;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (::RegEnumKeyExA(calendars, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        ids.emplace_back(name);
    }
    ::RegCloseKey(calendars);
    char appData[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    const std::string copies =
        n > 0 && n < MAX_PATH ? std::string(appData, n) + "\\Vellumo\\Calendars\\" : std::string();
    for (const std::string& id : ids) {
        ::RegDeleteKeyA(HKEY_CURRENT_USER, (kCalendarsKey + "\\" + id).c_str());
        if (!copies.empty()) ::DeleteFileA((copies + id + ".ics").c_str());
    }
}

bool SetText(HKEY key, const char* name, const std::string& text) {
    return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

std::string ResultOf(const std::string& id) {
    char text[256] = {};
    DWORD size = sizeof text;
    if (::RegGetValueA(HKEY_CURRENT_USER, (kCalendarsKey + "\\" + id).c_str(), "Result",
                       RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return std::string();
    return text;
}

}  // namespace

TEST(SubscriptionsE2E, AStartWithoutSubscriptionsLoadsNeitherWinHttpNorSecur32) {
    ForgetSubscriptions();
    ProgramDir dir;
    const HANDLE program = dir.Start();
    ASSERT_NE(WaitForPanel(true, kStartMs), nullptr);
    const std::vector<std::string> modules = ModulesOf(program);
    ASSERT_TRUE(Holds(modules, "kernel32.dll")) << "the program's modules could not be listed";
    EXPECT_FALSE(Holds(modules, "winhttp.dll"));
    EXPECT_FALSE(Holds(modules, "secur32.dll"));
    // Nor the file dialogs and COM's automation strings, which only the
    // calendar files and the log-on setting use. (COM itself may be there:
    // the input method support loads it for every window under Wine.)
    EXPECT_FALSE(Holds(modules, "comdlg32.dll"));
    EXPECT_FALSE(Holds(modules, "oleaut32.dll"));
}

TEST(SubscriptionsE2E, AKeptSubscriptionIsFetchedAtStart) {
    CalendarServer server;
    if (!server.Ready()) GTEST_SKIP() << "the test web servers were not started";
    ForgetSubscriptions();
    server.Put("e2e.ics",
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\n"
               "UID:e2e-1\r\nDTSTART;VALUE=DATE:20270101\r\nSUMMARY:New Year's Day\r\n"
               "END:VEVENT\r\nEND:VCALENDAR\r\n");
    const int fetched = server.Count("GET /e2e.ics 200");
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, (kCalendarsKey + "\\1").c_str(), 0, nullptr, 0,
                                KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const bool written = SetText(key, "Location", server.HttpUrl("/e2e.ics")) &&
                         SetText(key, "Name", "Holidays");
    ::RegCloseKey(key);
    ASSERT_TRUE(written);

    ProgramDir dir;
    const HANDLE program = dir.Start();
    ASSERT_NE(WaitForPanel(true, kStartMs), nullptr);
    EXPECT_TRUE(WaitFor([&] { return server.Count("GET /e2e.ics 200") > fetched; }, kStartMs));
    EXPECT_TRUE(WaitFor([&] { return ResultOf("1") == "Updated: 1 event"; }, kStartMs))
        << ResultOf("1");
    EXPECT_TRUE(Holds(ModulesOf(program), "winhttp.dll"));
    ForgetSubscriptions();
}
