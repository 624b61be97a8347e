// Subscribed calendars: the addresses taken and refused, the refresh
// schedule with its retries, what a fetch keeps, and the events of a
// calendar by range, repeating ones expanded only where asked.
#include "core/calendars/calendar_events.h"
#include "core/calendars/subscription.h"

#include <gtest/gtest.h>

#include "tests/support/fake_code_pages.h"

namespace {

std::string Calendar(const std::string& body) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n" + body + "END:VCALENDAR\r\n";
}

std::string Event(const std::string& lines) {
    return "BEGIN:VEVENT\r\n" + lines + "END:VEVENT\r\n";
}

std::string Show(const std::vector<CalendarEvent>& events) {
    std::string text;
    for (const CalendarEvent& e : events) {
        text += std::to_string(e.date.year) + "-" + std::to_string(e.date.month) + "-" +
                std::to_string(e.date.day);
        if (e.timed) text += " " + std::to_string(e.time.hour) + ":" + std::to_string(e.time.minute);
        text += " " + e.text + "\n";
    }
    return text;
}

}  // namespace

TEST(CalendarAddress, WebAndLocalAddressesAreTakenOtherSchemesRefused) {
    EXPECT_EQ(CheckCalendarAddress(" webcal://example.org/h.ics ").location,
              "https://example.org/h.ics");
    EXPECT_EQ(CheckCalendarAddress("WEBCALS://example.org/h").location, "https://example.org/h");
    EXPECT_EQ(CheckCalendarAddress("http://127.0.0.1:8080/a.ics").location,
              "http://127.0.0.1:8080/a.ics");
    const CalendarAddress file = CheckCalendarAddress("C:\\Cals\\School.ICS");
    EXPECT_TRUE(file.localFile);
    EXPECT_EQ(file.location, "C:\\Cals\\School.ICS");
    EXPECT_EQ(CheckCalendarAddress("file:///D:/a/b.ics").location, "D:\\a\\b.ics");
    EXPECT_TRUE(CheckCalendarAddress("\\\\server\\share\\team.ics").localFile);

    const char* only =
        "Only http://, https:// and webcal:// addresses and local .ics files can be subscribed to.";
    EXPECT_EQ(CheckCalendarAddress("ftp://example.org/h.ics").error, only);
    EXPECT_EQ(CheckCalendarAddress("javascript:alert(1)").error, only);
    EXPECT_EQ(CheckCalendarAddress("example.org/h.ics").error, only);
    EXPECT_EQ(CheckCalendarAddress("C:\\notes.txt").error,
              "A calendar file on this computer must be an .ics file.");
    EXPECT_EQ(CheckCalendarAddress("https://").error, "The address names no server.");
    EXPECT_EQ(CheckCalendarAddress("  ").error, "Type the address of a calendar.");
}

TEST(CalendarSchedule, TheCalendarsIntervalWithinBoundsElseDaily) {
    std::int64_t s = 0;
    EXPECT_TRUE(ParseIcalDuration("P1W", s));
    EXPECT_EQ(s, 7 * 86400);
    EXPECT_TRUE(ParseIcalDuration("P1DT2H30M", s));
    EXPECT_EQ(s, 86400 + 2 * 3600 + 30 * 60);
    EXPECT_TRUE(ParseIcalDuration("-PT5M", s));
    EXPECT_EQ(s, -300);
    EXPECT_TRUE(ParseIcalDuration("PT99999999999999999999H", s));
    EXPECT_EQ(s, INT64_MAX);
    for (const char* bad : {"", "P", "PT", "1D", "P1H", "PT1D", "P1DT", "P-1D"})
        EXPECT_FALSE(ParseIcalDuration(bad, s)) << bad;

    auto interval = [](const std::string& head) {
        return RefreshSecondsOf(ReadIcalendar(Calendar(head)));
    };
    EXPECT_EQ(interval("REFRESH-INTERVAL;VALUE=DURATION:PT6H\r\nX-PUBLISHED-TTL:P1W\r\n"), 6 * 3600);
    EXPECT_EQ(interval("X-PUBLISHED-TTL:P2D\r\n"), 2 * 86400);
    EXPECT_EQ(interval("X-PUBLISHED-TTL:PT1M\r\n"), kShortestRefresh);
    EXPECT_EQ(interval("X-PUBLISHED-TTL:P400D\r\n"), kLongestRefresh);
    EXPECT_EQ(interval("X-PUBLISHED-TTL:-P1D\r\n"), kDailyRefresh);
    EXPECT_EQ(interval(""), kDailyRefresh);
}

TEST(CalendarSchedule, AFetchKeepsTheLastGoodCopyAndRetriesWithGrowingPauses) {
    Subscription s;
    EXPECT_EQ(NextRefreshAt(s), 0);  // never fetched: due now

    FetchAnswer good;
    good.body = Calendar("X-WR-CALNAME:Holidays\r\nX-PUBLISHED-TTL:PT12H\r\n" +
                         Event("DTSTART;VALUE=DATE:20261225\r\nSUMMARY:Christmas\r\n"));
    good.etag = "\"v1\"";
    FetchVerdict v = TakeFetch(s, good, 1000);
    EXPECT_TRUE(v.fresh);
    EXPECT_EQ(CalendarNameOf(v.document), "Holidays");
    EXPECT_EQ(s.etag, "\"v1\"");
    EXPECT_EQ(s.result, "Updated: 1 event");
    EXPECT_EQ(NextRefreshAt(s), 1000 + 12 * 3600);

    FetchAnswer same;
    same.status = 304;
    v = TakeFetch(s, same, 2000);
    EXPECT_FALSE(v.fresh);
    EXPECT_EQ(s.result, "Not changed");
    EXPECT_EQ(s.etag, "\"v1\"");
    EXPECT_EQ(NextRefreshAt(s), 2000 + 12 * 3600);

    FetchAnswer gone;
    gone.error = "Could not connect to the server.";
    std::int64_t now = 3000;
    const std::int64_t pauses[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 21600, 21600};
    for (std::int64_t pause : pauses) {
        EXPECT_FALSE(TakeFetch(s, gone, now).fresh);
        EXPECT_EQ(NextRefreshAt(s) - now, pause);
        now += pause;
    }
    EXPECT_EQ(s.result, "Could not connect to the server.");
    EXPECT_EQ(s.etag, "\"v1\"");  // the copy kept is still the one to ask about
    EXPECT_EQ(s.lastGood, 2000);

    FetchAnswer page;
    page.body = "<html>Not found</html>";
    EXPECT_FALSE(TakeFetch(s, page, now).fresh);
    EXPECT_EQ(s.result.rfind("The answer is not a calendar that can be read: ", 0), 0u) << s.result;
    page.status = 500;
    TakeFetch(s, page, now);
    EXPECT_EQ(s.result, "The server answered with status 500.");
    EXPECT_TRUE(TakeFetch(s, good, now).fresh);
    EXPECT_EQ(s.failures, 0);
}

TEST(CalendarEventsTest, EventsOfARangeWithRepeatsExpandedOnlyThere) {
    const std::string file = Calendar(
        Event("UID:a\r\nDTSTART;VALUE=DATE:20270101\r\nSUMMARY:New Year\r\nDESCRIPTION:a day off\r\n") +
        Event("UID:b\r\nDTSTART:20270105T090000Z\r\nSUMMARY:Kick-off\r\n") +
        Event("UID:c\r\nDTSTART;VALUE=DATE:20270104\r\nSUMMARY:Gone\r\nSTATUS:CANCELLED\r\n") +
        Event("UID:d\r\nDTSTART;VALUE=DATE:20200114\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:Birthday\r\n") +
        Event("UID:w\r\nDTSTART:20261230T080000\r\nRRULE:FREQ=WEEKLY\r\nEXDATE:20270113T080000\r\n"
              "SUMMARY:Stand-up\r\n") +
        Event("UID:w\r\nRECURRENCE-ID:20270106T080000\r\nDTSTART:20270106T100000\r\n"
              "SUMMARY:Stand-up (late)\r\n"));
    ImportContext context;
    context.codePage = fake_code_pages::Windows1252();
    context.utcToLocal = [](const LocalDateTime& utc, LocalDateTime& local) {
        local = DateTimeOfSeconds(SecondsOf(utc) + 3600);
        return true;
    };
    const CalendarEvents events(ReadIcalendar(file), context);
    EXPECT_EQ(Show(events.Between(Date{2027, 1, 1}, Date{2027, 1, 31})),
              "2027-1-1 New Year\n"
              "2027-1-5 10:0 Kick-off\n"
              "2027-1-6 10:0 Stand-up (late)\n"
              "2027-1-14 Birthday\n"
              "2027-1-20 8:0 Stand-up\n"
              "2027-1-27 8:0 Stand-up\n");
    EXPECT_EQ(Show(events.Between(Date{2031, 1, 14}, Date{2031, 1, 14})), "2031-1-14 Birthday\n");
    EXPECT_EQ(Show(events.Between(Date{2027, 1, 2}, Date{2027, 1, 1})), "");
}
