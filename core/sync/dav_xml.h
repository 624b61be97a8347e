// The XML a calendar server and this program exchange: reading a
// multistatus answer (what a PROPFIND or REPORT gives back) and writing the
// request bodies. Elements are told apart by namespace URI, never by prefix,
// as servers spell the prefixes every way. No network here.
#pragma once

#include <string>
#include <vector>

// One member of a multistatus answer.
struct DavResponse {
    std::string href;  // text of <D:href>, entity-decoded, as given
    // The response's own <D:status> code ("HTTP/1.1 404 Not Found" -> 404), 0 when absent.
    int status = 0;
    // Properties from propstats whose status is 2xx (or that have no status):
    std::string etag;         // D:getetag, as given (quotes kept)
    std::string displayName;  // D:displayname
    bool isCollection = false;  // D:resourcetype has D:collection
    bool isCalendar = false;    // D:resourcetype has C:calendar (urn:ietf:params:xml:ns:caldav)
    // C:supported-calendar-component-set lists C:comp name="VEVENT", or the property is absent.
    bool holdsEvents = true;
    std::string calendarData;   // C:calendar-data text
    std::string principalHref;  // D:current-user-principal/D:href
    std::vector<std::string> homeSetHrefs;  // C:calendar-home-set/D:href (may be several)
    std::string syncToken;      // D:sync-token as a property (PROPFIND)
};

struct DavMultistatus {
    // "" when it read; else a short reason ("The server's answer is not WebDAV XML.").
    std::string error;
    std::vector<DavResponse> responses;
    std::string syncToken;  // top-level D:sync-token of a sync-collection REPORT answer
};

// Reads a multistatus body. Broken, truncated or foreign input (or one nested
// deeper than 64 elements) gives `error` and no responses, never a crash.
// Hrefs, etags and tokens lose the white space around them; calendar data and
// display names keep theirs.
DavMultistatus ReadMultistatus(const std::string& xml);

// True when an error body (403/409) names the D:valid-sync-token precondition:
// the sync token is too old, and the client starts again without one.
bool IsInvalidSyncTokenError(const std::string& xml);

// Request bodies: UTF-8 with an XML declaration, text escaped. Characters
// XML cannot carry (control characters other than tab, CR and LF) are left out.
// resourcetype, displayname, current-user-principal, calendar-home-set,
// supported-calendar-component-set and sync-token.
std::string PropfindDiscoveryBody();
// Level 1, getetag; "" asks for every member.
std::string SyncCollectionBody(const std::string& token);
std::string CalendarMultigetBody(const std::vector<std::string>& hrefs);  // getetag + calendar-data
std::string EtagQueryBody();  // every VEVENT's getetag, for servers without sync tokens
std::string MkcalendarBody(const std::string& displayName);  // named, holding VEVENTs
