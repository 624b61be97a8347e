#include "tests/support/caldav_server.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <winhttp.h>

#include <algorithm>
#include <sstream>

#include "tests/support/test_files.h"

namespace {

// A query value with everything but the unreserved characters as %XX of
// its UTF-8 bytes.
std::string Encode(const std::string& value) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// A field of a /phone/list line: \t, \n and \\ stand for a tab, a line
// break and a backslash.
std::string Unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 1 < field.size()) {
            const char next = field[++i];
            out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

std::string Query(const std::string& name, const std::string& uid) {
    return "cal=" + Encode(name) + (uid.empty() ? "" : "&uid=" + Encode(uid));
}

}  // namespace

CaldavServer::CaldavServer() {
    std::istringstream ports(ReadFileText(WinePathOf(VELLUMO_CALDAV_SERVER_DIR) + "\\ports"));
    ports >> serverPort_ >> controlPort_;
    if (!ports) serverPort_ = 0;
}

std::string CaldavServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(serverPort_) + "/";
}

std::string CaldavServer::CalendarUrl(const std::string& name) const {
    return BaseUrl() + User() + "/" + name + "/";
}

int CaldavServer::Control(const wchar_t* verb, const std::string& pathAndQuery,
                          std::string* body) const {
    body->clear();
    // The path is plain ASCII once its values are encoded.
    const std::wstring path(pathAndQuery.begin(), pathAndQuery.end());
    int status = 0;
    HINTERNET session = WinHttpOpen(L"test", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    HINTERNET connection =
        session ? WinHttpConnect(session, L"127.0.0.1", static_cast<INTERNET_PORT>(controlPort_), 0)
                : nullptr;
    HINTERNET request =
        connection ? WinHttpOpenRequest(connection, verb, path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                        WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                   : nullptr;
    // A phone's round trips and a server start take a second or two.
    if (request != nullptr && WinHttpSetTimeouts(request, 10000, 10000, 30000, 30000) &&
        WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                           0, 0) &&
        WinHttpReceiveResponse(request, nullptr)) {
        DWORD code = 0, size = sizeof code;
        if (WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &code, &size,
                                WINHTTP_NO_HEADER_INDEX))
            status = static_cast<int>(code);
        char buffer[4096];
        DWORD read = 0;
        while (WinHttpReadData(request, buffer, sizeof buffer, &read) && read > 0)
            body->append(buffer, read);
    }
    for (HINTERNET h : {request, connection, session})
        if (h != nullptr) WinHttpCloseHandle(h);
    return status;
}

bool CaldavServer::Do(const std::string& pathAndQuery) const {
    std::string body;
    const int status = Control(L"POST", pathAndQuery, &body);
    if (status == 200) return true;
    ADD_FAILURE() << "the CalDAV test fixture's " << pathAndQuery << " gave " << status << ": "
                  << body;
    return false;
}

bool CaldavServer::Make(const std::string& name) const {
    return Do("/phone/make?" + Query(name, ""));
}

std::vector<PhoneEvent> CaldavServer::List(const std::string& name) const {
    std::string body;
    const int status = Control(L"GET", "/phone/list?" + Query(name, ""), &body);
    std::vector<PhoneEvent> events;
    if (status != 200) {
        ADD_FAILURE() << "the CalDAV test fixture's phone could not list " << name << " ("
                      << status << "): " << body;
        return events;
    }
    std::istringstream lines(body);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;
        std::vector<std::string> fields = SplitTabs(line);
        fields.resize(5);
        events.push_back({Unescape(fields[0]), Unescape(fields[1]), Unescape(fields[2]),
                          Unescape(fields[3]), Unescape(fields[4])});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const PhoneEvent& a, const PhoneEvent& b) { return a.uid < b.uid; });
    return events;
}

bool CaldavServer::Put(const std::string& name, const std::string& uid, const std::string& start,
                       const std::string& summary, const std::string& description) const {
    return Do("/phone/put?" + Query(name, uid) + "&start=" + Encode(start) +
              "&summary=" + Encode(summary) +
              (description.empty() ? "" : "&description=" + Encode(description)));
}

bool CaldavServer::Edit(const std::string& name, const std::string& uid,
                        const std::string& summary, const std::string& description) const {
    return Do("/phone/edit?" + Query(name, uid) + "&summary=" + Encode(summary) +
              (description.empty() ? "" : "&description=" + Encode(description)));
}

bool CaldavServer::Delete(const std::string& name, const std::string& uid) const {
    return Do("/phone/delete?" + Query(name, uid));
}

bool CaldavServer::StopServer() const { return Do("/server/stop"); }

bool CaldavServer::StartServer() const { return Do("/server/start"); }

CaldavServer::RequestCounts CaldavServer::Requests() const {
    std::string body;
    RequestCounts counts;
    const int status = Control(L"GET", "/server/requests", &body);
    std::istringstream numbers(body);
    numbers >> counts.total >> counts.propfind >> counts.report >> counts.put >> counts.del >>
        counts.get >> counts.mkcalendar;
    if (status != 200 || !numbers)
        ADD_FAILURE() << "the CalDAV test fixture did not count the requests (" << status
                      << "): " << body;
    return counts;
}
