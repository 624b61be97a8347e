// Calendar server addresses: what is taken as one, hrefs made absolute, the
// loopback hosts, member names and the Basic credential's encoding.
#include "core/sync/dav_url.h"

#include <gtest/gtest.h>

TEST(DavUrl, SplitTakesHttpAddressesOnly) {
    UrlParts p;
    ASSERT_TRUE(SplitUrl("HTTPS://Cal.Example.org", p));
    EXPECT_EQ(p.scheme, "https");
    EXPECT_EQ(p.host, "cal.example.org");
    EXPECT_EQ(p.port, 443);
    EXPECT_EQ(p.path, "/");
    ASSERT_TRUE(SplitUrl("http://[::1]:5232/user/cal/?x=1#frag", p));
    EXPECT_EQ(p.host, "[::1]");
    EXPECT_EQ(p.port, 5232);
    EXPECT_EQ(p.path, "/user/cal/?x=1");
    ASSERT_TRUE(SplitUrl("http://h?q", p));
    EXPECT_EQ(p.path, "/?q");
    ASSERT_TRUE(SplitUrl("http://h:65535/", p));
    EXPECT_EQ(p.port, 65535);

    for (const char* bad :
         {"", "ftp://h/", "http://", "http:///x", "http://h:0/", "http://h:65536/",
          "http://h:99999999999999999999/", "http://h:8a/", "http://user:pw@h/", "http://h /x",
          "http://[::1/", "http://[zz]/", "http://h\\x", "webcal://h/", "//h/x", "/x"}) {
        UrlParts untouched;
        untouched.port = -1;
        EXPECT_FALSE(SplitUrl(bad, untouched)) << bad;
        EXPECT_EQ(untouched.port, -1) << bad;
    }
}

TEST(DavUrl, HrefsResolveAgainstTheAddressTheyCameFrom) {
    const std::string base = "https://h.org:8443/dav/cal/";
    EXPECT_EQ(ResolveHref(base, "http://other/x.ics"), "http://other/x.ics");
    EXPECT_EQ(ResolveHref(base, "/principals/me/"), "https://h.org:8443/principals/me/");
    EXPECT_EQ(ResolveHref(base, "a%20b.ics"), "https://h.org:8443/dav/cal/a%20b.ics");
    EXPECT_EQ(ResolveHref(base, "../../x/./y/"), "https://h.org:8443/x/y/");
    EXPECT_EQ(ResolveHref(base, "../../../../x"), "https://h.org:8443/x");
    EXPECT_EQ(ResolveHref(base, "sub/.."), "https://h.org:8443/dav/cal/");
    EXPECT_EQ(ResolveHref("https://h.org/dav/cal", "x.ics"), "https://h.org/dav/x.ics");
    EXPECT_EQ(ResolveHref("https://h.org/a/b?q=1", "c"), "https://h.org/a/c");
    EXPECT_EQ(ResolveHref("http://h:80/a/", "//cdn.h/x"), "http://cdn.h/x");
    EXPECT_EQ(ResolveHref("http://h:80/a/", ""), "http://h/a/");
    EXPECT_EQ(ResolveHref("not a url", "x"), "");

    EXPECT_EQ(OriginOf("https://Cal.example.org/x/y") + "/.well-known/caldav",
              "https://cal.example.org/.well-known/caldav");
    EXPECT_EQ(OriginOf("http://[::1]:5232/"), "http://[::1]:5232");
    EXPECT_EQ(OriginOf("https://h:443/"), "https://h");
    EXPECT_EQ(OriginOf("mailto:x"), "");
}

TEST(DavUrl, LoopbackHostsAndSameResource) {
    for (const char* url : {"http://127.0.0.1:5232/", "http://127.255.3.4", "http://LocalHost/x",
                            "https://[::1]:8443/"})
        EXPECT_TRUE(IsLoopbackUrl(url)) << url;
    for (const char* url : {"http://128.0.0.1/", "http://127.0.0.1.evil.com/", "http://127.0.0/",
                            "http://127.0.0.256/", "http://localhost.evil.com/", "http://[::2]/",
                            "http://10.0.0.1/", "localhost", "http://127..0.1/"})
        EXPECT_FALSE(IsLoopbackUrl(url)) << url;

    EXPECT_TRUE(SameResource("/cal/a%2Db.ics", "https://h/cal/a-b.ics"));
    EXPECT_TRUE(SameResource("https://h/cal/", "https://H:443/cal"));
    EXPECT_TRUE(SameResource("/cal/a%2fb", "/cal/a%2Fb/"));
    EXPECT_FALSE(SameResource("/cal/a%2Fb", "/cal/a/b"));
    EXPECT_FALSE(SameResource("https://h/cal/", "https://other/cal/"));
    EXPECT_FALSE(SameResource("http://h/cal/", "https://h/cal/"));
    EXPECT_FALSE(SameResource("/cal/a", "/cal/A"));
}

TEST(DavUrl, MemberNamesAndBase64) {
    EXPECT_EQ(PercentEncodeSegment("Ab9-._~@ /?%#\xC3\xA9"), "Ab9-._~@%20%2F%3F%25%23%C3%A9");
    // The test vectors published with the encoding.
    const char* vectors[][2] = {{"", ""},           {"f", "Zg=="},         {"fo", "Zm8="},
                                {"foo", "Zm9v"},     {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
                                {"foobar", "Zm9vYmFy"}};
    for (const auto& v : vectors) EXPECT_EQ(Base64(v[0]), v[1]);
    EXPECT_EQ(Base64(std::string("\xFF\xFE\x00", 3)), "//4A");
}
