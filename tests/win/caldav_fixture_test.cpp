// The CalDAV test fixture itself (tests/support/caldav_server.*): the phone's
// events as the server keeps them, the users and their rights, the server
// stopped and started again, and the request counts the sync tests rely on.
#include <gtest/gtest.h>

#include <windows.h>

#include <winhttp.h>

#include <string>

#include "tests/support/caldav_server.h"

namespace {

struct Answer {
    int status = 0;     // 0: no answer
    DWORD error = 0;    // why not
    std::string body;
};

std::string Base64(const std::string& text) {
    static const char digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(text[i]) << 16;
        if (i + 1 < text.size()) value |= static_cast<unsigned char>(text[i + 1]) << 8;
        if (i + 2 < text.size()) value |= static_cast<unsigned char>(text[i + 2]);
        out += digits[(value >> 18) & 63];
        out += digits[(value >> 12) & 63];
        out += i + 1 < text.size() ? digits[(value >> 6) & 63] : '=';
        out += i + 2 < text.size() ? digits[value & 63] : '=';
    }
    return out;
}

// One plain WinHTTP request to the CalDAV server, by hand: the fixture is
// checked without the program's own client.
Answer Send(const wchar_t* verb, const std::string& url, const std::string& user = "",
            const std::string& password = "", const std::string& body = "") {
    Answer answer;
    const std::wstring wide(url.begin(), url.end());
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wide.c_str(), 0, 0, &parts)) {
        answer.error = GetLastError();
        return answer;
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    std::wstring headers = L"Content-Type: text/calendar; charset=utf-8\r\n";
    if (!user.empty()) {
        const std::string credentials = Base64(user + ":" + password);
        headers += L"Authorization: Basic " +
                   std::wstring(credentials.begin(), credentials.end()) + L"\r\n";
    }
    HINTERNET session = WinHttpOpen(L"fixture test", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    HINTERNET connection = WinHttpConnect(session, host.c_str(), parts.nPort, 0);
    HINTERNET request = WinHttpOpenRequest(connection, verb, path.c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    if (request != nullptr &&
        WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects,
                         sizeof noRedirects) &&
        WinHttpSendRequest(request, headers.c_str(), static_cast<DWORD>(-1),
                           const_cast<char*>(body.data()), static_cast<DWORD>(body.size()),
                           static_cast<DWORD>(body.size()), 0) &&
        WinHttpReceiveResponse(request, nullptr)) {
        DWORD code = 0, size = sizeof code;
        WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX);
        answer.status = static_cast<int>(code);
        char buffer[4096];
        DWORD read = 0;
        while (WinHttpReadData(request, buffer, sizeof buffer, &read) && read > 0)
            answer.body.append(buffer, read);
    } else {
        answer.error = GetLastError();
    }
    for (HINTERNET h : {request, connection, session})
        if (h != nullptr) WinHttpCloseHandle(h);
    return answer;
}

// An event with an alarm, as the program would put it.
const char kAlarmEvent[] =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Vellumo tests//Fixture//EN\r\n"
    "BEGIN:VEVENT\r\nUID:with-alarm\r\nDTSTAMP:20260101T000000Z\r\n"
    "DTSTART;VALUE=DATE:20270110\r\nSUMMARY:Pay the rent\r\nX-VELLUMO-KEEP:kept\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Pay the rent\r\nTRIGGER:-PT15M\r\n"
    "END:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

// The calendar made, and emptied of what an earlier run of the case left.
void FreshCalendar(const CaldavServer& server, const std::string& cal) {
    ASSERT_TRUE(server.Make(cal));
    for (const PhoneEvent& event : server.List(cal)) server.Delete(cal, event.uid);
}

}  // namespace

TEST(Caldav, ThePhoneAndTheServerAgreeOnEventsUsersAndCounts) {
    CaldavServer server;
    if (!server.Ready()) GTEST_SKIP() << "the CalDAV test server was not started";
    const std::string cal = "fixture-phone";
    const CaldavServer::RequestCounts before = server.Requests();
    FreshCalendar(server, cal);
    ASSERT_TRUE(server.Make(cal));  // already there: nothing to do
    ASSERT_TRUE(server.Put(cal, "phone-1", "20270105", "Dentist, caf\xC3\xA9",
                           "Bring the card\nand\tthe form \\ folder"));
    ASSERT_TRUE(server.Put(cal, "phone-2", "20270106T093000", "Call"));
    std::vector<PhoneEvent> events = server.List(cal);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].uid, "phone-1");
    EXPECT_EQ(events[0].start, "20270105");
    EXPECT_EQ(events[0].summary, "Dentist, caf\xC3\xA9");
    EXPECT_EQ(events[0].description, "Bring the card\nand\tthe form \\ folder");
    EXPECT_EQ(events[0].trigger, "");
    EXPECT_EQ(events[1].uid, "phone-2");
    EXPECT_EQ(events[1].start, "20270106T093000");
    EXPECT_EQ(events[1].description, "");
    // The phone's own requests are not counted.
    const CaldavServer::RequestCounts afterPhone = server.Requests();
    EXPECT_EQ(afterPhone.total, before.total);

    // The test user reads the calendar; without a password, or as the other
    // user, nobody does.
    const std::string url = server.CalendarUrl(cal);
    const Answer mine = Send(L"GET", url, server.User(), server.Password());
    EXPECT_EQ(mine.status, 200);
    EXPECT_NE(mine.body.find("UID:phone-1"), std::string::npos) << mine.body;
    EXPECT_EQ(Send(L"GET", url).status, 401);
    EXPECT_EQ(Send(L"GET", url, server.OtherUser(), server.OtherPassword()).status, 403);
    EXPECT_EQ(Send(L"GET", url, server.User(), "wrong").status, 401);
    EXPECT_EQ(Send(L"PUT", url + "with-alarm.ics", server.User(), server.Password(), kAlarmEvent)
                  .status,
              201);
    const CaldavServer::RequestCounts afterMine = server.Requests();
    EXPECT_EQ(afterMine.get, afterPhone.get + 4);
    EXPECT_EQ(afterMine.put, afterPhone.put + 1);
    EXPECT_EQ(afterMine.total, afterPhone.total + 5);
    EXPECT_EQ(afterMine.propfind, afterPhone.propfind);

    // A phone's change keeps what it does not know of (the alarm and the
    // unknown property) and moves the sequence on.
    ASSERT_TRUE(server.Edit(cal, "with-alarm", "Pay the rent today", "Transfer"));
    ASSERT_TRUE(server.Edit(cal, "phone-1", "Dentist moved"));
    events = server.List(cal);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].summary, "Dentist moved");
    EXPECT_EQ(events[0].description, "");
    EXPECT_EQ(events[0].start, "20270105");
    EXPECT_EQ(events[2].uid, "with-alarm");
    EXPECT_EQ(events[2].summary, "Pay the rent today");
    EXPECT_EQ(events[2].description, "Transfer");
    EXPECT_EQ(events[2].trigger, "-PT15M");
    const Answer edited = Send(L"GET", url + "with-alarm.ics", server.User(), server.Password());
    EXPECT_NE(edited.body.find("X-VELLUMO-KEEP:kept"), std::string::npos) << edited.body;
    EXPECT_NE(edited.body.find("SEQUENCE:1"), std::string::npos) << edited.body;

    ASSERT_TRUE(server.Delete(cal, "phone-2"));
    events = server.List(cal);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].uid, "phone-1");
    EXPECT_EQ(events[1].uid, "with-alarm");
}

TEST(Caldav, AStoppedServerRefusesConnectionsAndComesBackWithItsCalendars) {
    CaldavServer server;
    if (!server.Ready()) GTEST_SKIP() << "the CalDAV test server was not started";
    const std::string cal = "fixture-restart";
    FreshCalendar(server, cal);
    ASSERT_TRUE(server.Put(cal, "kept", "20270201T080000", "Still here"));
    const CaldavServer::RequestCounts before = server.Requests();

    ASSERT_TRUE(server.StopServer());
    const Answer gone = Send(L"GET", server.BaseUrl());
    EXPECT_EQ(gone.status, 0);
    EXPECT_EQ(gone.error, static_cast<DWORD>(ERROR_WINHTTP_CANNOT_CONNECT));
    ASSERT_TRUE(server.StartServer());
    const Answer back = Send(L"GET", server.CalendarUrl(cal), server.User(), server.Password());
    EXPECT_EQ(back.status, 200);
    EXPECT_NE(back.body.find("SUMMARY:Still here"), std::string::npos) << back.body;
    const std::vector<PhoneEvent> events = server.List(cal);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].uid, "kept");
    EXPECT_EQ(events[0].start, "20270201T080000");

    // The counts go on across the restart: only the request that reached it.
    const CaldavServer::RequestCounts after = server.Requests();
    EXPECT_EQ(after.total, before.total + 1);
    EXPECT_EQ(after.get, before.get + 1);
}
