// Subscribed calendars against the local test servers, in-process: a
// calendar subscribed shows its events; a changed file shows after a
// refresh; an unchanged one costs a 304 and no second reading; a server
// gone keeps the last good copy and says so; an untrusted server is refused;
// no worker thread runs until there is a subscription.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <set>

#include <commctrl.h>
#include <tlhelp32.h>

#include "app/calendars/calendar_layer.h"
#include "app/calendars/calendars_dlg.h"
#include "app/calendars/subscription_store.h"
#include "app/panel/vellumo_dlg.h"
#include "app/sync/calendar_reminders.h"
#include "core/calendar/month_model.h"
#include "platform/local_time.h"
#include "res/resource.h"
#include "tests/support/calendar_server.h"
#include "tests/support/dialogs.h"
#include "tests/support/in_process.h"
#include "tests/support/pictures.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {

std::string Holidays(const std::string& events) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nX-WR-CALNAME:Holidays\r\n" +
           events + "END:VCALENDAR\r\n";
}

std::string AllDay(const char* date, const char* summary) {
    return std::string("BEGIN:VEVENT\r\nUID:") + date + "\r\nDTSTART;VALUE=DATE:" + date +
           "\r\nSUMMARY:" + summary + "\r\nEND:VEVENT\r\n";
}

bool Within(const std::function<bool()>& done, int ms = 20000) {
    for (int waited = 0; waited < ms; waited += 20) {
        if (done()) return true;
        ::Sleep(20);
    }
    return done();
}

Subscription Kept(const CalendarLayer& layer) {
    const std::vector<Subscription> all = layer.Subscriptions();
    return all.empty() ? Subscription() : all.front();
}

// No subscription of an earlier case left in this lane's registry.
void ForgetSubscriptions() {
    for (const Subscription& s : LoadSubscriptions()) RemoveSubscription(s.id);
}

// The ids of this process's threads now.
std::set<DWORD> ThreadsNow() {
    std::set<DWORD> ids;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
    ::CloseHandle(snapshot);
    return ids;
}

}  // namespace

TEST(Subscriptions, ACalendarShowsRefreshesAndKeepsItsLastGoodCopy) {
    CalendarServer server;
    if (!server.Ready()) GTEST_SKIP() << "the test web servers were not started";
    ForgetSubscriptions();
    server.Put("holidays.ics", Holidays(AllDay("20270101", "New Year's Day")));

    Subscription s;
    s.id = NewSubscriptionId();
    s.location = server.HttpUrl("/holidays.ics");
    ASSERT_EQ(CalendarLayer::FetchNew(s), "");
    EXPECT_EQ(s.name, "Holidays");  // the calendar's own name
    EXPECT_TRUE(FileExists(CalendarCopyFolder() + s.id + ".ics"));

    CalendarLayer layer;
    layer.Apply({s});
    layer.Start(nullptr, 0);
    ASSERT_TRUE(Within([&] { return !layer.DayText(Date{2027, 1, 1}).empty(); }));
    EXPECT_EQ(layer.DayText(Date{2027, 1, 1}), "Holidays: New Year's Day");
    EXPECT_EQ(layer.MonthMarks(2027, 1), 1u << 1);

    // Unchanged: one 304 and nothing read again.
    const int reads = layer.ReadsDone();
    const int notModified = server.Count("GET /holidays.ics 304");
    const std::int64_t before = Kept(layer).lastTry;
    layer.RefreshAll();
    ASSERT_TRUE(Within([&] { return server.Count("GET /holidays.ics 304") > notModified; }));
    ASSERT_TRUE(Within([&] { return Kept(layer).result == "Not changed"; }));
    EXPECT_EQ(layer.ReadsDone(), reads);
    EXPECT_GE(Kept(layer).lastTry, before);

    // Changed on the server: shown after Refresh.
    server.Put("holidays.ics", Holidays(AllDay("20270101", "New Year's Day") +
                                        AllDay("20270106", "Epiphany")));
    layer.RefreshAll();
    ASSERT_TRUE(Within([&] { return !layer.DayText(Date{2027, 1, 6}).empty(); }));
    EXPECT_EQ(layer.DayText(Date{2027, 1, 6}), "Holidays: Epiphany");
    EXPECT_EQ(layer.ReadsDone(), reads + 1);

    // The server gone: the last good copy stays, and the failure is told.
    server.StopPlain();
    layer.RefreshAll();
    const bool failed =
        Within([&] { return Kept(layer).result == "Could not connect to the server."; });
    server.StartPlain();
    ASSERT_TRUE(failed) << Kept(layer).result;
    EXPECT_EQ(Kept(layer).failures, 1);
    EXPECT_EQ(layer.DayText(Date{2027, 1, 6}), "Holidays: Epiphany");
    EXPECT_EQ(LoadSubscriptions().front().result, "Could not connect to the server.");

    // Removed: its key and its copy go.
    layer.Apply({});
    EXPECT_TRUE(LoadSubscriptions().empty());
    EXPECT_FALSE(FileExists(CalendarCopyFolder() + s.id + ".ics"));
    EXPECT_EQ(layer.DayText(Date{2027, 1, 6}), "");
}

TEST(Subscriptions, NoWorkerRunsWithoutSubscriptionsAndTheFirstOneStartsIt) {
    CalendarServer server;
    if (!server.Ready()) GTEST_SKIP() << "the test web servers were not started";
    ForgetSubscriptions();
    server.Put("first.ics", Holidays(AllDay("20270704", "Independence Day")));
    Subscription s;
    {
        CalendarLayer layer;
        const std::set<DWORD> before = ThreadsNow();
        ASSERT_FALSE(before.empty());
        layer.Start(nullptr, 0);
        const ULONGLONG start = ::GetTickCount64();
        layer.WaitForCopies(10000);  // nothing to wait for
        EXPECT_LT(::GetTickCount64() - start, 1000u);
        for (DWORD id : ThreadsNow()) EXPECT_EQ(before.count(id), 1u) << "a thread started";
        EXPECT_TRUE(layer.Subscriptions().empty());

        // The first subscription starts the worker: it reads the copy and
        // answers a refresh.
        s.id = NewSubscriptionId();
        s.location = server.HttpUrl("/first.ics");
        ASSERT_EQ(CalendarLayer::FetchNew(s), "");
        layer.Apply({s});
        ASSERT_TRUE(Within([&] { return !layer.DayText(Date{2027, 7, 4}).empty(); }));
        EXPECT_EQ(layer.DayText(Date{2027, 7, 4}), "Holidays: Independence Day");
        const int notModified = server.Count("GET /first.ics 304");
        layer.RefreshAll();
        EXPECT_TRUE(Within([&] { return server.Count("GET /first.ics 304") > notModified; }));
    }
    // Kept at the next start: listed at once, its copy read before the wait
    // for the copies ends.
    CalendarLayer next;
    next.Start(nullptr, 0);
    ASSERT_EQ(next.Subscriptions().size(), 1u);
    EXPECT_EQ(next.Subscriptions().front().id, s.id);
    next.WaitForCopies(20000);
    EXPECT_EQ(next.DayText(Date{2027, 7, 4}), "Holidays: Independence Day");
    next.Apply({});
    EXPECT_TRUE(LoadSubscriptions().empty());
}

TEST(Subscriptions, UntrustedLoopingAndForeignAddressesAreRefusedClearly) {
    CalendarServer server;
    if (!server.Ready()) GTEST_SKIP() << "the test web servers were not started";
    server.Put("holidays.ics", Holidays(AllDay("20270101", "New Year's Day")));
    Subscription s;
    s.id = "90";
    s.location = server.HttpsUrl("/holidays.ics");
    const std::string untrusted = CalendarLayer::FetchNew(s);
    EXPECT_EQ(untrusted.rfind("The server's certificate was refused: ", 0), 0u) << untrusted;
    EXPECT_FALSE(FileExists(CalendarCopyFolder() + "90.ics"));
    s.location = server.HttpUrl("/loop");
    EXPECT_EQ(CalendarLayer::FetchNew(s), "The server redirected too often (a redirection loop).");
    s.location = server.HttpUrl("/missing.ics");
    EXPECT_EQ(CalendarLayer::FetchNew(s), "The server answered with status 404.");
    s.location = "ftp://127.0.0.1/holidays.ics";
    EXPECT_EQ(CalendarLayer::FetchNew(s),
              "Only http://, https:// and webcal:// addresses and local .ics files can be "
              "subscribed to.");
}

TEST(Subscriptions, ThePanelMarksEventDaysAndListsTheEventsInTheirTips) {
    CalendarServer server;
    if (!server.Ready()) GTEST_SKIP() << "the test web servers were not started";
    ForgetSubscriptions();
    const Date today = LocalDateNow();
    const int day = today.day == 14 ? 15 : 14;
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02d%02d", today.year, today.month, day);
    server.Put("panel.ics", Holidays(AllDay(date, "Founders Day")));
    Subscription s;
    s.id = NewSubscriptionId();
    s.location = server.HttpUrl("/panel.ics");
    ASSERT_EQ(CalendarLayer::FetchNew(s), "");
    ASSERT_TRUE(SaveSubscription(s));

    RunPanel([&](CVellumoDlg& panel) {
        const int cell = CellOfDay(panel.ShownMonth(), day);
        ASSERT_TRUE(PumpUntil([&] { return panel.DayCell(cell).HasCornerMark(); }, 20000));
        EXPECT_EQ(panel.DayCell(cell).TipText(), "Holidays: Founders Day");
        const int plain = CellOfDay(panel.ShownMonth(), day + 1);
        EXPECT_FALSE(panel.DayCell(plain).HasCornerMark());
        ::RedrawWindow(panel.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpMessages();
        SaveBmp(WindowPixels(panel.m_hWnd), TestProgramDir() + "\\subscribed-month.bmp");
    });
    RemoveSubscription(s.id);
}

TEST(Subscriptions, TheDialogSubscribesAtOnceAndTakesTheCalendarsOwnName) {
    CalendarServer server;
    if (!server.Ready()) GTEST_SKIP() << "the test web servers were not started";
    ForgetSubscriptions();
    server.Put("holidays.ics", Holidays(AllDay("20270101", "New Year's Day")));
    CalendarLayer layer;
    CCalendarsDlg dialog(layer);
    std::string status;
    ModalScript script(30000);
    script.WaitShown([&] { return dialog.GetSafeHwnd(); })
        .Do([&] { ::PostMessageA(dialog.GetSafeHwnd(), WM_COMMAND, IDC_CALENDAR_ADD, 0); })
        .WaitShown([] { return ::FindWindowA(nullptr, "Subscribe to Calendar"); })
        .Do([&] {
            HWND subscribe = ::FindWindowA(nullptr, "Subscribe to Calendar");
            ::SetDlgItemTextA(subscribe, IDC_SUBSCRIBE_ADDRESS, "gopher://127.0.0.1/x.ics");
            ::SendMessageA(subscribe, WM_COMMAND, IDOK, 0);
            char text[200] = {};
            ::GetDlgItemTextA(subscribe, IDC_SUBSCRIBE_STATUS, text, sizeof text);
            status = text;  // refused in the dialog, no box
            ::SetDlgItemTextA(subscribe, IDC_SUBSCRIBE_ADDRESS, server.HttpUrl("/holidays.ics").c_str());
            ::PostMessageA(subscribe, WM_COMMAND, IDOK, 0);
        })
        .Then([] { return ::FindWindowA(nullptr, "Subscribe to Calendar") == nullptr; })
        .Do([&] {
            HWND list = ::GetDlgItem(dialog.GetSafeHwnd(), IDC_CALENDAR_LIST);
            EXPECT_EQ(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
            SaveBmp(WindowPixels(dialog.GetSafeHwnd()), TestProgramDir() + "\\calendars-dialog.bmp");
            ::PostMessageA(dialog.GetSafeHwnd(), WM_COMMAND, IDOK, 0);
        });
    EXPECT_EQ(script.Run([&] { return dialog.DoModal(); }), IDOK);
    EXPECT_EQ(status,
              "Only http://, https:// and webcal:// addresses and local .ics files can be "
              "subscribed to.");
    const std::vector<Subscription> kept = LoadSubscriptions();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].name, "Holidays");
    EXPECT_EQ(kept[0].result, "Updated: 1 event");
    ForgetSubscriptions();
}

TEST(Subscriptions, TheTimedEventsOfATickedCalendarRemindAndAnUntickedOnesDoNot) {
    ForgetSubscriptions();
    const char kDay[] = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\nUID:t1@test\r\n"
                        "DTSTAMP:20261209T100000Z\r\nDTSTART:20270310T083000\r\nSUMMARY:Team meeting\r\nEND:VEVENT\r\n"
                        "BEGIN:VEVENT\r\nUID:t2@test\r\nDTSTAMP:20261209T100000Z\r\nDTSTART;VALUE=DATE:20270310\r\n"
                        "SUMMARY:All day\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    Subscription ticked, plain;
    ticked.id = "1";
    ticked.location = "https://calendar.example/work.ics";
    ticked.name = "Work";
    ticked.reminders = true;
    plain = ticked;
    plain.id = "2";
    plain.name = "Other";
    plain.reminders = false;
    ASSERT_TRUE(SaveSubscription(ticked) && SaveSubscription(plain));
    ASSERT_TRUE(WriteCalendarCopy("1", kDay) && WriteCalendarCopy("2", kDay));

    // Read by the reminder thread's own reader, from the copies on disk.
    const std::vector<DayReminder> due = CalendarRemindersOn(Date{2027, 3, 10});
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].hour, 8);
    EXPECT_EQ(due[0].minute, 30);
    EXPECT_EQ(due[0].memoText, "[2027-3-10] Work: Team meeting");
    EXPECT_TRUE(CalendarRemindersOn(Date{2027, 3, 11}).empty());
    ForgetSubscriptions();
}
