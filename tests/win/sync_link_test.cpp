// The calendar server's link against a real CalDAV server (Radicale, started
// by the test command): finding the user's calendars from the server's
// address, making one, the sync tokens and the preconditions the sync
// relies on, and the password sealed for the Windows user.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/calendars/calendar_layer.h"
#include "app/sync/dav_link.h"
#include "core/memo/ical_export.h"
#include "platform/protected_data.h"
#include "tests/support/caldav_server.h"
#include "tests/support/calendar_server.h"

namespace {

const char kEvent[] =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\nUID:vellumo-2027-3-1@vellumo\r\n"
    "DTSTAMP:20261209T100000Z\r\nDTSTART;VALUE=DATE:20270301\r\nSUMMARY:Spring\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

bool HasCalendar(const Discovery& found, const std::string& name) {
    for (const FoundCalendar& c : found.calendars)
        if (c.name == name) return true;
    return false;
}

}  // namespace

TEST(Sync, FindsTheUsersCalendarsMakesOneAndRefusesWhatItMust) {
    CaldavServer server;
    if (!server.Ready()) GTEST_SKIP() << "the CalDAV server was not started";
    server.Make("link-found");
    const DavAccount account{server.User(), server.Password()};

    // From the server's bare address: the principal, its home, its calendars.
    const Discovery found = DiscoverCalendars(server.BaseUrl(), account);
    ASSERT_EQ(found.error, "");
    EXPECT_TRUE(HasCalendar(found, "link-found"));
    EXPECT_NE(found.home.find("/tester/"), std::string::npos) << found.home;
    // A calendar's own address is that calendar alone.
    const Discovery own = DiscoverCalendars(server.CalendarUrl("link-found"), account);
    ASSERT_EQ(own.calendars.size(), 1u);
    EXPECT_EQ(own.calendars[0].url, server.CalendarUrl("link-found"));

    std::string made;
    ASSERT_EQ(MakeVellumoCalendar(found.home, account, made), "");
    EXPECT_TRUE(HasCalendar(DiscoverCalendars(server.BaseUrl(), account), "Vellumo"));
    // Made already: as good.
    EXPECT_EQ(MakeVellumoCalendar(found.home, account, made), "");

    const Discovery refused = DiscoverCalendars(server.BaseUrl(), DavAccount{server.User(), "wrong"});
    EXPECT_TRUE(refused.authFailed);
    EXPECT_EQ(refused.error, "The server refused the user name or password.");
    // A password never goes unprotected over the network.
    EXPECT_NE(CheckServerAddress("http://calendar.example.com/"), "");
    EXPECT_EQ(CheckServerAddress("https://calendar.example.com/"), "");
    EXPECT_EQ(CheckServerAddress(server.BaseUrl()), "");
}

TEST(Sync, TokensAndPreconditionsHoldAgainstTheServer) {
    CaldavServer server;
    if (!server.Ready()) GTEST_SKIP() << "the CalDAV server was not started";
    server.Make("link-tokens");
    for (const PhoneEvent& e : server.List("link-tokens")) server.Delete("link-tokens", e.uid);
    DavLink link(server.CalendarUrl("link-tokens"), DavAccount{server.User(), server.Password()});

    const CalendarLink::Changes first = link.ChangesSince("");
    ASSERT_EQ(first.error, "");
    EXPECT_TRUE(first.members.empty());
    ASSERT_NE(first.token, "");
    const std::string href = link.HrefFor(EventUid(Date{2027, 3, 1}));
    const CalendarLink::Written put = link.Put(href, kEvent, "");
    ASSERT_TRUE(put.status == 201 || put.status == 204) << put.status << " " << put.error;
    ASSERT_NE(put.etag, "");
    EXPECT_EQ(link.Put(href, kEvent, "").status, 412);  // made meanwhile: never twice
    EXPECT_EQ(link.Put(href, kEvent, "\"not-it\"").status, 412);

    const CalendarLink::Changes since = link.ChangesSince(first.token);
    ASSERT_EQ(since.members.size(), 1u);
    EXPECT_EQ(since.members[0].href, href);
    EXPECT_EQ(since.members[0].etag, put.etag);
    std::vector<CalendarLink::Event> events;
    ASSERT_EQ(link.Fetch({href}, events), "");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_NE(events[0].data.find("SUMMARY:Spring"), std::string::npos);

    EXPECT_EQ(link.Delete(href, "\"not-it\"").status, 412);
    EXPECT_EQ(link.Delete(href, put.etag).status / 100, 2);
    const CalendarLink::Changes gone = link.ChangesSince(since.token);
    ASSERT_EQ(gone.members.size(), 1u);
    EXPECT_TRUE(gone.members[0].removed);
    // A token the server never gave: asked again without one.
    EXPECT_TRUE(link.ChangesSince("http://radicale.org/ns/sync/0000").tokenRefused);
}

TEST(Sync, APasswordIsSealedForTheUserNeverKeptAsItsText) {
    const std::optional<std::string> sealed = ProtectForUser("secret-pw");
    ASSERT_TRUE(sealed);
    EXPECT_EQ(sealed->find("secret-pw"), std::string::npos);
    EXPECT_EQ(UnprotectForUser(*sealed).value_or(""), "secret-pw");
    EXPECT_FALSE(UnprotectForUser(""));
}

TEST(Sync, AServerThatIsNoCalendarServerGivesAClearMessage) {
    CalendarServer web;
    if (!web.Ready()) GTEST_SKIP() << "the test web servers were not started";
    const DavAccount account{"tester", "secret-pw"};
    // A plain web server knows no WebDAV.
    EXPECT_EQ(DiscoverCalendars(web.HttpUrl("/holidays.ics"), account).error,
              "The server does not speak CalDAV at that address.");
    DavLink link(web.HttpUrl("/holidays.ics"), account);
    EXPECT_NE(link.ChangesSince("").error, "");
    // Its certificate signed by nobody: refused, never used.
    EXPECT_NE(DiscoverCalendars(web.HttpsUrl("/holidays.ics"), account).error, "");
}

TEST(Sync, TheServersOtherEventsShowInTheGridBesideTheSubscriptions) {
    CalendarLayer layer;
    layer.ShowExtra("Phone",
                    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:p1@example\r\nDTSTAMP:20261209T100000Z\r\n"
                    "DTSTART:20270503T090000\r\nSUMMARY:Dentist\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    EXPECT_EQ(layer.MonthMarks(2027, 5), 1u << 3);
    EXPECT_EQ(layer.DayText(Date{2027, 5, 3}), "Phone: 9:00 Dentist");
    EXPECT_TRUE(layer.Subscriptions().empty());  // never one of the user's subscriptions
    layer.ShowExtra("Phone", "");
    EXPECT_EQ(layer.MonthMarks(2027, 5), 0u);
}
