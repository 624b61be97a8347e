#include "app/sync/dav_link.h"

#include <algorithm>

#include "core/sync/dav_url.h"
#include "core/sync/dav_xml.h"

namespace {

constexpr char kXmlType[] = "application/xml; charset=utf-8";
constexpr char kCalendarType[] = "text/calendar; charset=utf-8";

// The path of an href or URL as answers give it, for comparing.
std::string PathOf(const std::string& base, const std::string& href) {
    UrlParts parts;
    return SplitUrl(ResolveHref(base, href), parts) ? parts.path : href;
}

std::string WithSlash(const std::string& url) {
    return !url.empty() && url.back() == '/' ? url : url + "/";
}

bool IsSuccess(int status) { return status >= 200 && status < 300; }

// The members a multistatus answer lists, by path; the collection itself
// (which some servers list among its changes) and sub-collections left out.
bool ReadMembers(const std::string& calendar, const std::string& body,
                 CalendarLink::Changes& changes) {
    const DavMultistatus answer = ReadMultistatus(body);
    if (!answer.error.empty()) {
        changes.error = answer.error;
        return false;
    }
    for (const DavResponse& response : answer.responses) {
        const std::string path = PathOf(calendar, response.href);
        if (path.empty() || path.back() == '/') continue;
        changes.members.push_back(CalendarLink::Member{path, response.etag, response.status == 404});
    }
    changes.token = answer.syncToken;
    return true;
}

HttpResult SendAs(HttpSession& session, const DavAccount& account, const std::string& verb,
                  const std::string& url, const std::string& body, HttpHeaders headers) {
    const std::string refused = CheckServerAddress(url);
    if (!refused.empty()) {
        HttpResult result;
        result.error = refused;
        return result;
    }
    HttpRequest request;
    request.verb = verb;
    request.url = url;
    request.body = body;
    request.headers = std::move(headers);
    if (!account.user.empty())
        request.headers.emplace_back("Authorization",
                                     "Basic " + Base64(account.user + ":" + account.password));
    return HttpSend(request, &session);
}

HttpResult Propfind(HttpSession& session, const DavAccount& account, const std::string& url,
                    const char* depth) {
    return SendAs(session, account, "PROPFIND", url, PropfindDiscoveryBody(),
                  {{"Depth", depth}, {"Content-Type", kXmlType}});
}

}  // namespace

std::string CheckServerAddress(const std::string& address) {
    UrlParts parts;
    if (!SplitUrl(address, parts))
        return "Type the calendar server's address, starting with https://.";
    if (parts.scheme == "http" && !IsLoopbackUrl(address))
        return "The password would cross the network unprotected: use an https:// address "
               "(plain http:// only for a server on this computer).";
    return std::string();
}

std::string DavFailure(const HttpResult& result) {
    if (!result.error.empty()) return result.error;
    switch (result.status) {
        case 401: return "The server refused the user name or password.";
        case 403: return "The server does not let this account do that.";
        case 404: return "The server has no calendar at that address.";
        case 405:
        case 501: return "The server does not speak CalDAV at that address.";
        default: break;
    }
    if (result.status >= 500) return "The server failed (HTTP " + std::to_string(result.status) + ").";
    return "The server gave an unexpected answer (HTTP " + std::to_string(result.status) + ").";
}

DavLink::DavLink(const std::string& calendarUrl, const DavAccount& account)
    : m_calendar(WithSlash(calendarUrl)), m_account(account) {}

HttpResult DavLink::Send(const std::string& verb, const std::string& url, const std::string& body,
                         HttpHeaders headers) {
    return SendAs(m_session, m_account, verb, url, body, std::move(headers));
}

CalendarLink::Changes DavLink::ChangesSince(const std::string& token) {
    if (m_noTokens) return EveryEtag();
    Changes changes;
    const HttpResult result = Send("REPORT", m_calendar, SyncCollectionBody(token),
                                   {{"Depth", "0"}, {"Content-Type", kXmlType}});
    if (!result.error.empty() || result.status == 401 || result.status >= 500) {
        changes.error = DavFailure(result);
        changes.authFailed = result.status == 401;
        return changes;
    }
    if ((result.status == 403 || result.status == 409) && IsInvalidSyncTokenError(result.body)) {
        changes.tokenRefused = true;
        return changes;
    }
    if (result.status != 207) {
        // A server without sync tokens: the etags of every event instead.
        m_noTokens = true;
        return EveryEtag();
    }
    if (ReadMembers(m_calendar, result.body, changes)) changes.complete = token.empty();
    return changes;
}

CalendarLink::Changes DavLink::EveryEtag() {
    Changes changes;
    const HttpResult result = Send("REPORT", m_calendar, EtagQueryBody(),
                                   {{"Depth", "1"}, {"Content-Type", kXmlType}});
    if (result.status != 207) {
        changes.error = DavFailure(result);
        changes.authFailed = result.status == 401;
        return changes;
    }
    if (ReadMembers(m_calendar, result.body, changes)) {
        // Every member listed, and no tokens to keep.
        changes.complete = true;
        changes.token.clear();
        changes.members.erase(std::remove_if(changes.members.begin(), changes.members.end(),
                                             [](const Member& m) { return m.removed; }),
                              changes.members.end());
    }
    return changes;
}

std::string DavLink::Fetch(const std::vector<std::string>& hrefs, std::vector<Event>& events) {
    const HttpResult result = Send("REPORT", m_calendar, CalendarMultigetBody(hrefs),
                                   {{"Depth", "1"}, {"Content-Type", kXmlType}});
    if (result.status != 207) return DavFailure(result);
    const DavMultistatus answer = ReadMultistatus(result.body);
    if (!answer.error.empty()) return answer.error;
    for (const DavResponse& response : answer.responses) {
        if (response.status == 404 || response.calendarData.empty()) continue;
        events.push_back(Event{PathOf(m_calendar, response.href), response.etag, response.calendarData});
    }
    return std::string();
}

CalendarLink::Written DavLink::Put(const std::string& href, const std::string& data,
                                   const std::string& etag) {
    HttpHeaders headers{{"Content-Type", kCalendarType}};
    if (etag.empty())
        headers.emplace_back("If-None-Match", "*");
    else
        headers.emplace_back("If-Match", etag);
    const HttpResult result = Send("PUT", ResolveHref(m_calendar, href), data, std::move(headers));
    Written written;
    written.status = result.error.empty() ? result.status : 0;
    if (IsSuccess(written.status))
        written.etag = result.Header("ETag");
    else if (written.status != 412 && written.status != 404)
        written.error = DavFailure(result);
    return written;
}

CalendarLink::Written DavLink::Delete(const std::string& href, const std::string& etag) {
    HttpHeaders headers;
    if (!etag.empty()) headers.emplace_back("If-Match", etag);
    const HttpResult result = Send("DELETE", ResolveHref(m_calendar, href), std::string(), std::move(headers));
    Written written;
    written.status = result.error.empty() ? result.status : 0;
    if (!IsSuccess(written.status) && written.status != 412 && written.status != 404)
        written.error = DavFailure(result);
    return written;
}

std::string DavLink::HrefFor(const std::string& uid) {
    // Only letters, digits, "-" and ".": a name no server escapes differently.
    std::string name;
    for (char c : uid)
        name += (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                        c == '.'
                    ? c
                    : '-';
    return PathOf(m_calendar, m_calendar + name + ".ics");
}

Discovery DiscoverCalendars(const std::string& typed, const DavAccount& account) {
    Discovery found;
    std::string address = typed;
    if (address.find("://") == std::string::npos) address = "https://" + address;
    found.error = CheckServerAddress(address);
    if (!found.error.empty()) return found;

    HttpSession session;
    auto ask = [&](const std::string& url, const char* depth, DavMultistatus& answer) {
        const HttpResult result = Propfind(session, account, url, depth);
        if (result.status != 207) {
            found.error = DavFailure(result);
            found.authFailed = result.status == 401;
            return false;
        }
        answer = ReadMultistatus(result.body);
        if (!answer.error.empty()) found.error = answer.error;
        return answer.error.empty();
    };

    DavMultistatus answer;
    std::string principal;
    if (ask(address, "0", answer)) {
        for (const DavResponse& r : answer.responses) {
            if (r.isCalendar && r.holdsEvents) {
                found.calendars.push_back(FoundCalendar{WithSlash(address), r.displayName});
                return found;
            }
            if (!r.principalHref.empty()) principal = ResolveHref(address, r.principalHref);
        }
    } else if (found.authFailed) {
        return found;
    }
    if (principal.empty()) {
        // The server's own pointer to its calendars.
        found.error.clear();
        if (!ask(OriginOf(address) + "/.well-known/caldav", "0", answer)) return found;
        for (const DavResponse& r : answer.responses)
            if (!r.principalHref.empty()) principal = ResolveHref(address, r.principalHref);
    }
    if (principal.empty()) {
        found.error = "No calendars were found at that address.";
        return found;
    }
    if (!ask(principal, "0", answer)) return found;
    found.home = principal;
    for (const DavResponse& r : answer.responses)
        if (!r.homeSetHrefs.empty()) found.home = ResolveHref(principal, r.homeSetHrefs.front());
    found.home = WithSlash(found.home);
    if (!ask(found.home, "1", answer)) return found;
    for (const DavResponse& r : answer.responses) {
        if (!r.isCalendar || !r.holdsEvents) continue;
        const std::string url = WithSlash(ResolveHref(found.home, r.href));
        std::string name = r.displayName;
        if (name.empty()) {
            name = url.substr(0, url.size() - 1);
            name = name.substr(name.rfind('/') + 1);
        }
        found.calendars.push_back(FoundCalendar{url, name});
    }
    return found;
}

std::string MakeVellumoCalendar(const std::string& home, const DavAccount& account, std::string& url) {
    url = WithSlash(home) + "vellumo/";
    HttpSession session;
    const HttpResult result = SendAs(session, account, "MKCALENDAR", url, MkcalendarBody("Vellumo"),
                                     {{"Content-Type", kXmlType}});
    if (IsSuccess(result.status)) return std::string();
    // Something there already (servers answer 405 or 409): as good when it
    // is a calendar that holds events.
    if (result.status == 405 || result.status == 409) {
        const Discovery there = DiscoverCalendars(url, account);
        if (there.calendars.size() == 1 && there.calendars[0].url == url) return std::string();
    }
    return DavFailure(result);
}
