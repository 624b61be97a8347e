// The HTTP client against the local test servers: conditional requests,
// redirections, the answer limit, time limits and the certificate check.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/http_client.h"
#include "tests/support/calendar_server.h"

namespace {

HttpResult Get(const std::string& url, const HttpHeaders& headers = {}, int timeoutMs = 30000) {
    HttpRequest request;
    request.url = url;
    request.headers = headers;
    request.stepTimeoutMs = timeoutMs;
    return HttpSend(request);
}

}  // namespace

TEST(HttpClient, AConditionalRequestForAnUnchangedFileGets304) {
    CalendarServer server;
    if (!server.Ready()) GTEST_SKIP() << "the test web servers were not started";
    server.Put("client.ics", "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    const HttpResult first = Get(server.HttpUrl("/client.ics"));
    ASSERT_EQ(first.error, "");
    EXPECT_EQ(first.status, 200);
    EXPECT_EQ(first.body, "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    const std::string etag = first.Header("etag");
    const std::string modified = first.Header("Last-Modified");
    ASSERT_FALSE(etag.empty());
    ASSERT_FALSE(modified.empty());

    const HttpResult same = Get(server.HttpUrl("/client.ics"), {{"If-None-Match", etag}});
    EXPECT_EQ(same.error, "");
    EXPECT_EQ(same.status, 304);
    EXPECT_EQ(same.body, "");
    EXPECT_EQ(Get(server.HttpUrl("/client.ics"), {{"If-Modified-Since", modified}}).status, 304);

    server.Put("client.ics", "BEGIN:VCALENDAR\r\nX-WR-CALNAME:New\r\nEND:VCALENDAR\r\n");
    const HttpResult changed = Get(server.HttpUrl("/client.ics"), {{"If-None-Match", etag}});
    EXPECT_EQ(changed.status, 200);
    EXPECT_NE(changed.Header("ETag"), etag);
    EXPECT_EQ(Get(server.HttpUrl("/missing.ics")).status, 404);
}

TEST(HttpClient, RedirectionsAreFollowedAndALoopIsRefused) {
    CalendarServer server;
    if (!server.Ready()) GTEST_SKIP() << "the test web servers were not started";
    server.Put("holidays.ics", "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    const HttpResult hops = Get(server.HttpUrl("/hop/3"));
    EXPECT_EQ(hops.error, "");
    EXPECT_EQ(hops.status, 200);
    EXPECT_EQ(hops.finalUrl, server.HttpUrl("/holidays.ics"));
    const HttpResult loop = Get(server.HttpUrl("/loop"));
    EXPECT_EQ(loop.error, "The server redirected too often (a redirection loop).");
}

TEST(HttpClient, OversizedSilentGoneAndUntrustedServersGiveClearMessages) {
    CalendarServer server;
    if (!server.Ready()) GTEST_SKIP() << "the test web servers were not started";
    EXPECT_EQ(Get(server.HttpUrl("/big")).error, "The answer is larger than the limit of 20 MB.");
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(Get(server.HttpUrl("/silent"), {}, 1500).error, "The server did not answer in time.");
    EXPECT_LT(::GetTickCount() - start, 10000u);
    const HttpResult untrusted = Get(server.HttpsUrl("/holidays.ics"));
    EXPECT_EQ(untrusted.status, 0);
    EXPECT_EQ(untrusted.error.rfind("The server's certificate was refused: ", 0), 0u)
        << untrusted.error;
    server.StopPlain();
    const HttpResult gone = Get(server.HttpUrl("/holidays.ics"));
    server.StartPlain();
    EXPECT_EQ(gone.error, "Could not connect to the server.");
    EXPECT_EQ(Get("ftp://127.0.0.1/x.ics").error, "The address is not a web address.");
}
