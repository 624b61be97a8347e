// Subscribed calendars: the address a user types, what one subscription
// keeps, what a fetch did to it and when to fetch again. Times are seconds
// since 1970-01-01 UTC; the window code reads the clock and the network.
#pragma once

#include <cstdint>
#include <string>

#include "core/memo/ical_reader.h"

// An address checked: http:// and https:// as typed, webcal:// and
// webcals:// read as https://, or a local .ics file (a drive or network path,
// or file:///). Anything else gives `error`, a message for the user.
struct CalendarAddress {
    std::string error;
    std::string location;  // the URL, or the file's path for a local file
    bool localFile = false;
};
CalendarAddress CheckCalendarAddress(const std::string& typed);

constexpr std::int64_t kDailyRefresh = 24 * 60 * 60;
// What a calendar asks for stays within these, so that neither a server nor
// a broken file has the program fetch every few seconds or never again.
constexpr std::int64_t kShortestRefresh = 15 * 60;
constexpr std::int64_t kLongestRefresh = 30 * kDailyRefresh;

// An iCalendar DURATION ("P1D", "PT12H", "P1W", "-PT5M") in seconds; false
// when the text is not one. Saturates instead of overflowing.
bool ParseIcalDuration(const std::string& text, std::int64_t& seconds);
// The calendar's REFRESH-INTERVAL, else its X-PUBLISHED-TTL, kept within the
// bounds above; once a day when it gives neither (or a negative one).
std::int64_t RefreshSecondsOf(const IcalDocument& document);
// The calendar's own name (X-WR-CALNAME), "" when it has none.
std::string CalendarNameOf(const IcalDocument& document);

struct Subscription {
    std::string id;        // names its registry key and its cached copy
    std::string location;  // as CheckCalendarAddress gives it
    std::string name;
    bool reminders = false;  // raise reminders for its timed events
    std::string etag, lastModified;  // of the copy kept, for a conditional request
    std::int64_t refreshSeconds = kDailyRefresh;
    std::int64_t lastTry = 0;   // 0: never fetched
    std::int64_t lastGood = 0;  // the last fetch that gave or confirmed the copy kept
    int failures = 0;           // fetches failed in a row since then
    std::string result;         // what the last fetch gave, for the dialog
};

// The pause after `failures` failed fetches in a row: 5 minutes, doubling,
// at most 6 hours and never longer than the calendar's own interval.
std::int64_t RetryPause(int failures, std::int64_t refreshSeconds);
// When the subscription is next due: at once when never fetched; after a
// failure the retry pause; else its interval after the last good fetch.
std::int64_t NextRefreshAt(const Subscription& s);

// What one fetch brought back.
struct FetchAnswer {
    std::string error;  // the network's or the file's failure; empty when an answer came
    int status = 200;   // HTTP status; 200 for a local file
    std::string body;
    std::string etag, lastModified;
};

// What the fetch does to the subscription. `fresh` is set when the answer
// is a good new copy (`document` holds it read): the caller keeps it. A
// 304 confirms the copy kept without reading anything; every failure (no
// answer, another status, an answer that is not a calendar) keeps the last
// good copy and is counted for the retry pause.
struct FetchVerdict {
    bool fresh = false;
    IcalDocument document;
};
FetchVerdict TakeFetch(Subscription& s, const FetchAnswer& answer, std::int64_t now);
