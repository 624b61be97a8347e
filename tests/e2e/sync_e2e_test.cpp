// The real program against a real CalDAV server (Radicale, started by the
// test command) with a real second client standing in for a phone: the
// account set in the "Calendar Server" dialog, memos both ways, a memo
// changed on both sides, a server stopped in the middle of a sync, and a
// wrong password.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/caldav_server.h"
#include "tests/support/dialogs.h"
#include "tests/support/pictures.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {

constexpr DWORD kStartMs = 30000;
constexpr DWORD kSyncMs = 60000;

std::string DialogText(HWND dialog, int id) {
    char text[1024] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::string g_chosenCalendar;  // as the dialog's list showed it last

bool Settled(const std::string& status) {
    return status.rfind("Synced", 0) == 0 || status.rfind("Sync failed", 0) == 0 ||
           status.rfind("Found ", 0) == 0;
}

// Opens "Calendar Server", fills it in, presses "Sync now" and waits for
// the status line to settle; then OK (keep) or Cancel. The status line.
std::string SyncThroughDialog(HWND panel, const std::string& address, const std::string& user,
                              const std::string& password, bool keep, const char* shot = nullptr) {
    ::PostMessageA(panel, WM_COMMAND, ID_CALENDAR_SERVER, 0);
    HWND dialog = WaitForWindow(panel, "#32770", "Calendar Server", kStartMs);
    if (dialog == nullptr || !WaitFor([&] { return ::IsWindowVisible(dialog) != FALSE; }, kStartMs))
        return "<no dialog>";
    ::SetDlgItemTextA(dialog, IDC_SERVER_ADDRESS, address.c_str());
    ::SetDlgItemTextA(dialog, IDC_SERVER_USER, user.c_str());
    ::SetDlgItemTextA(dialog, IDC_SERVER_PASSWORD, password.c_str());
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SERVER_SYNC_NOW, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDC_SERVER_SYNC_NOW)));
    // The line of an earlier sync is replaced at once.
    WaitFor([&] { return !Settled(DialogText(dialog, IDC_SERVER_STATUS)); }, 5000);
    WaitFor([&] { return Settled(DialogText(dialog, IDC_SERVER_STATUS)); }, kSyncMs);
    const std::string status = DialogText(dialog, IDC_SERVER_STATUS);
    g_chosenCalendar = DialogText(dialog, IDC_SERVER_CALENDAR);
    if (shot != nullptr) KeepPicture(SettledPicture(dialog, false), shot);
    ::PostMessageA(dialog, WM_COMMAND, keep ? IDOK : IDCANCEL, 0);
    WaitFor([&] { return !::IsWindow(dialog); }, kStartMs);
    return status;
}

// The tray's "Sync now", then the sync's end seen in the kept status line.
std::string SyncNow(HWND panel) {
    auto status = [] {
        char text[1024] = {};
        DWORD size = sizeof text;
        ::RegGetValueA(HKEY_CURRENT_USER, "Software\\Brakkon\\Torvane08\\CalendarServer", "Status",
                       RRF_RT_REG_SZ, nullptr, text, &size);
        return std::string(text);
    };
    ::RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Brakkon\\Torvane08\\CalendarServer", "Status", REG_SZ,
                      "", 1);
    ::PostMessageA(panel, WM_COMMAND, ID_SYNC_NOW, 0);
    WaitFor([&] { return Settled(status()); }, kSyncMs);
    return status();
}

void WriteMemo(ProgramDir& dir, const std::string& date, const std::string& text,
               const std::string& remindAt = "") {
    ::CreateDirectoryA(dir.File("Remark").c_str(), nullptr);
    ::CreateDirectoryA(dir.File("Notice").c_str(), nullptr);
    WriteFileBytes(dir.File("Remark\\Remark_" + date + ".txt"), "[" + date + "] " + text);
    if (!remindAt.empty()) WriteFileBytes(dir.File("Notice\\Notice_" + date + ".txt"), remindAt);
}

std::string Memo(ProgramDir& dir, const std::string& date) {
    return ReadFileText(dir.File("Remark\\Remark_" + date + ".txt"));
}

const PhoneEvent* Find(const std::vector<PhoneEvent>& events, const std::string& uid) {
    for (const PhoneEvent& e : events)
        if (e.uid == uid) return &e;
    return nullptr;
}

// No account and no state of an earlier sync: the cases after these in the
// lane (and a rerun) start without a calendar server.
void ForgetAccount() {
    EndAllCopies();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Brakkon\\Torvane08\\CalendarServer");
    char appData[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    for (const char* file : {"state.txt", "others.ics"})
        ::DeleteFileA((std::string(appData, n) + "\\Vellumo\\Sync\\" + file).c_str());
}

// Each case its own calendar, emptied first: a rerun starts afresh.
std::string FreshCalendar(CaldavServer& server, const std::string& name) {
    server.Make(name);
    for (const PhoneEvent& e : server.List(name)) server.Delete(name, e.uid);
    return server.CalendarUrl(name);
}

// Clicks day `day` of the shown (current) month, types the memo and saves it.
bool SaveInEditor(HWND panel, const SYSTEMTIME& today, int day, const std::string& text) {
    SYSTEMTIME first = today;
    first.wDay = 1;
    FILETIME ft;
    ::SystemTimeToFileTime(&first, &ft);
    ::FileTimeToSystemTime(&ft, &first);  // fills the weekday
    const int cell = IDC_DAY_FIRST + first.wDayOfWeek + day - 1;
    ::PostMessageA(panel, WM_COMMAND, MAKEWPARAM(cell, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(panel, cell)));
    HWND editor = nullptr;
    if (!WaitFor([&] { return (editor = ::FindWindowA("#32770", "New Memo")) != nullptr; }, 15000) ||
        !WaitFor([&] { return ::IsWindowVisible(editor) != FALSE; }, 15000))
        return false;
    ::SetDlgItemTextA(editor, IDC_CONTENT, text.c_str());
    ::PostMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_REMARK_OK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(editor, IDC_REMARK_OK)));
    return WaitFor([&] { return !::IsWindow(editor); }, 15000);
}

}  // namespace

class SyncE2E : public ::testing::Test {
protected:
    void SetUp() override { ForgetAccount(); }
    void TearDown() override { ForgetAccount(); }
};

TEST_F(SyncE2E, MemosReachThePhoneAndThePhonesEditsAndDeletesComeBack) {
    CaldavServer server;
    if (!server.Ready()) GTEST_SKIP() << "the CalDAV server was not started";
    const std::string calendar = FreshCalendar(server, "e2e-both-ways");
    ProgramDir dir;
    WriteMemo(dir, "2027-1-5", "Dentist\r\nbring the card", "9:30");
    WriteMemo(dir, "2027-1-6", "Rent");
    ::CreateDirectoryA(dir.File("Repeat").c_str(), nullptr);
    WriteFileBytes(dir.File("Repeat\\Repeat_1.txt"), "first=2020-3-14\r\nrepeat=yearly\r\nevery=1\r\n\r\nAnna's birthday");
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);

    const std::string first =
        SyncThroughDialog(panel, calendar, server.User(), server.Password(), true, "calendar-server-dialog");
    EXPECT_EQ(first.rfind("Synced", 0), 0u) << first;
    EXPECT_NE(first.find("3 sent"), std::string::npos) << first;
    std::vector<PhoneEvent> seen = server.List("e2e-both-ways");
    ASSERT_EQ(seen.size(), 3u);
    const PhoneEvent* birthday = Find(seen, "vellumo-repeat-Repeat_1@vellumo");
    ASSERT_NE(birthday, nullptr);
    EXPECT_EQ(birthday->start, "20200314");
    const PhoneEvent* dentist = Find(seen, "vellumo-2027-1-5@vellumo");
    ASSERT_NE(dentist, nullptr);
    EXPECT_EQ(dentist->start, "20270105T093000");
    EXPECT_EQ(dentist->summary, "Dentist");
    EXPECT_NE(dentist->description.find("bring the card"), std::string::npos);
    EXPECT_FALSE(dentist->trigger.empty()) << "no alarm";
    // The password is kept sealed, never as its text.
    char sealed[1024] = {};
    DWORD size = sizeof sealed;
    ASSERT_EQ(::RegGetValueA(HKEY_CURRENT_USER, "Software\\Brakkon\\Torvane08\\CalendarServer", "Password",
                             RRF_RT_REG_BINARY, nullptr, sealed, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(sealed, size).find(server.Password()), std::string::npos);

    // The phone's edit and delete; the replaced texts kept for Restore.
    server.Edit("e2e-both-ways", "vellumo-2027-1-5@vellumo", "Dentist moved to 10:00");
    server.Delete("e2e-both-ways", "vellumo-2027-1-6@vellumo");
    server.Edit("e2e-both-ways", "vellumo-repeat-Repeat_1@vellumo", "Anna's birthday: call her");
    const std::string second = SyncNow(panel);
    EXPECT_NE(second.find("2 received"), std::string::npos) << second;
    const std::string repeat = ReadFileText(dir.File("Repeat\\Repeat_1.txt"));
    EXPECT_NE(repeat.find("repeat=yearly"), std::string::npos) << repeat;
    EXPECT_NE(repeat.find("Anna's birthday: call her"), std::string::npos) << repeat;
    EXPECT_EQ(Memo(dir, "2027-1-5"), "[2027-1-5] Dentist moved to 10:00");
    EXPECT_FALSE(FileExists(dir.File("Remark\\Remark_2027-1-6.txt")));
    std::string backup;
    for (const std::string& name : FolderEntries(dir.File("Backup")))
        if (name.find("-sync-") != std::string::npos) backup = name;
    ASSERT_NE(backup, "");
    EXPECT_EQ(ReadFileText(dir.File("Backup\\" + backup + "\\Remark\\Remark_2027-1-6.txt")), "[2027-1-6] Rent");

    // A memo saved in the editor is on the server a few seconds later, unasked.
    SYSTEMTIME today{};
    ::GetLocalTime(&today);
    const std::string uid = "vellumo-" + std::to_string(today.wYear) + "-" + std::to_string(today.wMonth) + "-28@vellumo";
    ASSERT_TRUE(SaveInEditor(panel, today, 28, "Piano lesson"));
    EXPECT_TRUE(WaitFor([&] { return Find(server.List("e2e-both-ways"), uid) != nullptr; }, 20000));
    // With nothing changed, a sync asks the server once.
    WaitFor([] { return false; }, 2000);
    const CaldavServer::RequestCounts before = server.Requests();
    const std::string idle = SyncNow(panel);
    EXPECT_NE(idle.find("nothing changed"), std::string::npos) << idle;
    EXPECT_LE(server.Requests().total - before.total, 2);
}

TEST_F(SyncE2E, AMemoChangedOnBothSidesKeepsBothTexts) {
    CaldavServer server;
    if (!server.Ready()) GTEST_SKIP() << "the CalDAV server was not started";
    const std::string calendar = FreshCalendar(server, "e2e-conflict");
    ProgramDir dir;
    WriteMemo(dir, "2027-2-1", "Call Anna");
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    ASSERT_EQ(SyncThroughDialog(panel, calendar, server.User(), server.Password(), true).rfind("Synced", 0), 0u);

    WriteMemo(dir, "2027-2-1", "Call Anna about the flat");
    server.Edit("e2e-conflict", "vellumo-2027-2-1@vellumo", "Call Anna at six");
    const std::string status = SyncNow(panel);
    EXPECT_NE(status.find("both texts kept"), std::string::npos) << status;
    const std::string memo = Memo(dir, "2027-2-1");
    const std::size_t ours = memo.find("about the flat"), theirs = memo.find("at six");
    ASSERT_NE(ours, std::string::npos) << memo;
    ASSERT_NE(theirs, std::string::npos) << memo;
    EXPECT_LT(ours, theirs);
    EXPECT_NE(memo.find("127.0.0.1"), std::string::npos) << memo;
    const PhoneEvent* merged = Find(server.List("e2e-conflict"), "vellumo-2027-2-1@vellumo");
    ASSERT_NE(merged, nullptr);
    EXPECT_NE(merged->description.find("about the flat"), std::string::npos);
    EXPECT_NE(merged->description.find("at six"), std::string::npos);
}

TEST_F(SyncE2E, AServerStoppedDuringASyncLosesAndDuplicatesNothing) {
    CaldavServer server;
    if (!server.Ready()) GTEST_SKIP() << "the CalDAV server was not started";
    const std::string calendar = FreshCalendar(server, "e2e-stopped");
    ProgramDir dir;
    constexpr int kMemos = 120;
    for (int i = 1; i <= kMemos; ++i)
        WriteMemo(dir, "2028-" + std::to_string((i - 1) / 28 + 1) + "-" + std::to_string((i - 1) % 28 + 1),
                  "Memo " + std::to_string(i));
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    // The account kept first (a wrong password: nothing is sent), then the
    // sync started and the server stopped while it sends.
    const std::string refused = SyncThroughDialog(panel, calendar, server.User(), "wrong", true);
    EXPECT_NE(refused.find("refused the user name or password"), std::string::npos) << refused;
    const CaldavServer::RequestCounts before = server.Requests();
    ::PostMessageA(panel, WM_COMMAND, ID_CALENDAR_SERVER, 0);
    HWND dialog = WaitForWindow(panel, "#32770", "Calendar Server", kStartMs);
    ASSERT_NE(dialog, nullptr);
    WaitFor([&] { return ::IsWindowVisible(dialog) != FALSE; }, kStartMs);
    ::SetDlgItemTextA(dialog, IDC_SERVER_PASSWORD, server.Password().c_str());
    ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return server.Requests().put - before.put >= 10; }, kSyncMs));
    server.StopServer();
    // Stopped part way: some memos sent, not all.
    EXPECT_LT(server.Requests().put - before.put, kMemos);
    const std::string cut = SyncNow(panel);
    EXPECT_EQ(cut.rfind("Sync failed", 0), 0u) << cut;
    server.StartServer();
    const std::string resumed = SyncNow(panel);
    EXPECT_EQ(resumed.rfind("Synced", 0), 0u) << resumed;
    const std::vector<PhoneEvent> events = server.List("e2e-stopped");
    EXPECT_EQ(events.size(), static_cast<std::size_t>(kMemos));
    EXPECT_EQ(FolderEntries(dir.File("Remark")).size(), static_cast<std::size_t>(kMemos));
    for (const PhoneEvent& e : events) EXPECT_EQ(e.summary.rfind("Memo ", 0), 0u) << e.uid;
}

TEST_F(SyncE2E, AnEventMadeOnThePhoneShowsBesideTheMemosAndIsNeverMadeAMemo) {
    CaldavServer server;
    if (!server.Ready()) GTEST_SKIP() << "the CalDAV server was not started";
    const std::string calendar = FreshCalendar(server, "e2e-phone");
    SYSTEMTIME today{};
    ::GetLocalTime(&today);
    char start[16];
    std::snprintf(start, sizeof start, "%04d%02d%02d", today.wYear, today.wMonth, today.wDay);
    server.Put("e2e-phone", "phone-lunch@example", start, "Team lunch");
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    const std::string status = SyncThroughDialog(panel, calendar, server.User(), server.Password(), true);
    EXPECT_EQ(status.rfind("Synced", 0), 0u) << status;
    EXPECT_TRUE(FolderEntries(dir.File("Remark")).empty());

    // The next start announces it with the day's memos, the calendar named.
    EndAllCopies();
    dir.Start();
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindAnnouncementBox()) != nullptr; }, kStartMs));
    EXPECT_NE(MessageBoxText(box).find("e2e-phone: Team lunch"), std::string::npos) << MessageBoxText(box);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_NE(WaitForPanel(true, kStartMs), nullptr);

    // Deleted on the phone: gone from the panel at the next sync.
    char appData[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    const std::string sync = std::string(appData, n) + "\\Vellumo\\Sync\\";
    server.Put("e2e-phone", "phone-tea@example", start, "Tea");
    server.Delete("e2e-phone", "phone-lunch@example");
    EXPECT_EQ(SyncNow(FindPanel()).rfind("Synced", 0), 0u);
    const std::string others = ReadFileText(sync + "others.ics");
    EXPECT_EQ(others.find("Team lunch"), std::string::npos);
    EXPECT_NE(others.find("Tea"), std::string::npos);

    // The account removed (its address emptied): nothing of it stays kept.
    ::PostMessageA(FindPanel(), WM_COMMAND, ID_CALENDAR_SERVER, 0);
    HWND dialog = WaitForWindow(FindPanel(), "#32770", "Calendar Server", kStartMs);
    ASSERT_NE(dialog, nullptr);
    WaitFor([&] { return ::IsWindowVisible(dialog) != FALSE; }, kStartMs);
    ::SetDlgItemTextA(dialog, IDC_SERVER_ADDRESS, "");
    ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, kStartMs));
    EXPECT_FALSE(FileExists(sync + "others.ics"));
    EXPECT_FALSE(FileExists(sync + "state.txt"));
}

TEST_F(SyncE2E, AServersOwnAddressFindsTheUsersCalendarsAndMakesOneWhereThereIsNone) {
    CaldavServer server;
    if (!server.Ready()) GTEST_SKIP() << "the CalDAV server was not started";
    FreshCalendar(server, "e2e-unused");
    ProgramDir dir;
    WriteMemo(dir, "2027-4-1", "Spring cleaning");
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    // The second test user has no calendar of its own: "Vellumo" is made.
    const std::string status =
        SyncThroughDialog(panel, server.BaseUrl(), server.OtherUser(), server.OtherPassword(), true);
    EXPECT_EQ(status.rfind("Synced", 0), 0u) << status;
    EXPECT_NE(status.find("1 sent"), std::string::npos) << status;
    EXPECT_EQ(g_chosenCalendar, "Vellumo");
}
