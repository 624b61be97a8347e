// The calendar on a CalDAV server, over the HTTP client: the link the sync
// engine asks (sync-collection with tokens, else the etags of every event;
// multiget; PUT and DELETE with their preconditions), and finding the
// user's calendars from a server's address. Credentials go only over HTTPS
// or to this machine. Blocking: call it from a worker thread.
#pragma once

#include <string>
#include <vector>

#include "core/sync/sync_engine.h"
#include "platform/http_client.h"

struct DavAccount {
    std::string user, password;
};

// "" when credentials may go to that address; else why not, for the user.
std::string CheckServerAddress(const std::string& address);

class DavLink : public CalendarLink {
public:
    DavLink(const std::string& calendarUrl, const DavAccount& account);

    Changes ChangesSince(const std::string& token) override;
    std::string Fetch(const std::vector<std::string>& hrefs, std::vector<Event>& events) override;
    Written Put(const std::string& href, const std::string& data, const std::string& etag) override;
    Written Delete(const std::string& href, const std::string& etag) override;
    std::string HrefFor(const std::string& uid) override;

private:
    HttpResult Send(const std::string& verb, const std::string& url, const std::string& body,
                    HttpHeaders headers);
    // The events' etags by a calendar query, for a server without tokens.
    Changes EveryEtag();

    std::string m_calendar;  // its URL, ending in "/"
    DavAccount m_account;
    HttpSession m_session;  // one connection for the whole sync
    bool m_noTokens = false;
};

struct FoundCalendar {
    std::string url, name;
};
struct Discovery {
    std::string error;
    bool authFailed = false;
    std::string home;  // the calendar home set's URL, where a new calendar goes
    std::vector<FoundCalendar> calendars;  // those that hold events
};
// From the address typed: a calendar's own address gives that calendar;
// else its principal (or the server's /.well-known/caldav), the principal's
// calendar home set and the calendars there.
Discovery DiscoverCalendars(const std::string& address, const DavAccount& account);
// Makes a calendar named "Vellumo" in the home set; "" and its URL, or why not.
std::string MakeVellumoCalendar(const std::string& home, const DavAccount& account, std::string& url);
// A short message for a failed answer ("The server refused the user name or password.").
std::string DavFailure(const HttpResult& result);
