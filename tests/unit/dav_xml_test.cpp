// The calendar server's XML: answers as real servers spell them (any prefix,
// default namespaces, escapes, CDATA), broken input refused without harm,
// and request bodies that read back as what they ask for.
#include "core/sync/dav_xml.h"

#include <gtest/gtest.h>

namespace {

// A sync-collection answer as Radicale gives it: a changed member, a removed
// one (its own 404 status), and the collection's new token at the top.
const char kSyncAnswer[] = R"(<?xml version='1.0' encoding='utf-8'?>
<multistatus xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav">
  <response>
    <href>/user/cal/a%20b.ics</href>
    <propstat>
      <prop><getetag>"e1-&quot;x&quot;"</getetag></prop>
      <status>HTTP/1.1 200 OK</status>
    </propstat>
  </response>
  <response>
    <href>/user/cal/gone.ics</href>
    <status>HTTP/1.1 404 Not Found</status>
  </response>
  <sync-token>http://radicale.org/ns/sync/abc&amp;1</sync-token>
</multistatus>
)";

}  // namespace

TEST(DavXml, SyncAnswerGivesChangedAndRemovedMembersAndTheNewToken) {
    const DavMultistatus m = ReadMultistatus(kSyncAnswer);
    ASSERT_EQ(m.error, "");
    ASSERT_EQ(m.responses.size(), 2u);
    EXPECT_EQ(m.responses[0].href, "/user/cal/a%20b.ics");
    EXPECT_EQ(m.responses[0].status, 0);
    EXPECT_EQ(m.responses[0].etag, "\"e1-\"x\"\"");
    EXPECT_EQ(m.responses[1].href, "/user/cal/gone.ics");
    EXPECT_EQ(m.responses[1].status, 404);
    EXPECT_EQ(m.responses[1].etag, "");
    EXPECT_EQ(m.syncToken, "http://radicale.org/ns/sync/abc&1");
}

TEST(DavXml, DiscoveryAnswerIsReadByNamespaceWhateverThePrefixes) {
    // Default namespace DAV: at the top, redeclared below; CalDAV under two
    // prefixes; a foreign element named like a DAV one; a 404 propstat whose
    // empty properties must not count.
    const char* xml = R"(<d:multistatus xmlns:d="DAV:" xmlns:cal="urn:ietf:params:xml:ns:caldav"
        xmlns:x="http://example.com/ns">
      <response xmlns="DAV:"><href>/dav/calendars/me/</href>
        <propstat><prop>
          <resourcetype><collection/></resourcetype>
          <current-user-principal><href> /dav/principals/me/ </href></current-user-principal>
          <C:calendar-home-set xmlns:C="urn:ietf:params:xml:ns:caldav">
            <href>/dav/calendars/me/</href><d:href>/shared/</d:href>
          </C:calendar-home-set>
          <x:displayname>not this one</x:displayname>
          <displayname>Home &#x1F4C5; &#233;</displayname>
        </prop><status>HTTP/1.1 200 OK</status></propstat>
        <propstat><prop><cal:supported-calendar-component-set/><sync-token/></prop>
          <status>HTTP/1.1 404 Not Found</status></propstat>
      </response>
      <d:response><d:href>/dav/calendars/me/work/</d:href><d:propstat><d:prop>
          <d:resourcetype><d:collection/><cal:calendar/></d:resourcetype>
          <cal:supported-calendar-component-set><cal:comp name="VTODO"/>
          </cal:supported-calendar-component-set>
          <d:sync-token>tok-7</d:sync-token>
      </d:prop></d:propstat></d:response>
      <d:response><d:href>/dav/calendars/me/events/</d:href><d:propstat><d:prop>
          <d:resourcetype><d:collection/><cal:calendar/></d:resourcetype>
          <cal:supported-calendar-component-set><cal:comp name='VTODO'/>
            <cal:comp name = "vevent" /></cal:supported-calendar-component-set>
      </d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>
      <!-- wrong namespace: not a calendar -->
      <d:response><d:href>/other/</d:href><d:propstat><d:prop>
          <d:resourcetype><x:calendar/></d:resourcetype>
      </d:prop></d:propstat></d:response>
    </d:multistatus>)";
    const DavMultistatus m = ReadMultistatus(xml);
    ASSERT_EQ(m.error, "");
    ASSERT_EQ(m.responses.size(), 4u);
    const DavResponse& home = m.responses[0];
    EXPECT_TRUE(home.isCollection);
    EXPECT_FALSE(home.isCalendar);
    EXPECT_TRUE(home.holdsEvents);  // the 404 propstat's empty set does not count
    EXPECT_EQ(home.principalHref, "/dav/principals/me/");
    EXPECT_EQ(home.homeSetHrefs, (std::vector<std::string>{"/dav/calendars/me/", "/shared/"}));
    EXPECT_EQ(home.displayName, "Home \xF0\x9F\x93\x85 \xC3\xA9");
    EXPECT_EQ(home.syncToken, "");

    EXPECT_TRUE(m.responses[1].isCalendar);
    EXPECT_FALSE(m.responses[1].holdsEvents);
    EXPECT_EQ(m.responses[1].syncToken, "tok-7");
    EXPECT_TRUE(m.responses[2].isCalendar && m.responses[2].holdsEvents);
    EXPECT_FALSE(m.responses[3].isCalendar);
}

TEST(DavXml, CalendarDataKeepsEscapedCarriageReturnsAndCdata) {
    const char* xml =
        "<?xml version=\"1.0\"?>\r\n"
        "<D:multistatus xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\">"
        "<D:response><D:href>/c/1.ics</D:href><D:propstat><D:prop><D:getetag>\"1\"</D:getetag>"
        "<C:calendar-data>BEGIN:VCALENDAR&#13;\nSUMMARY:a &lt;b&gt; &amp; c&#13;\r\n"
        "<![CDATA[X:<not a tag> & ]]]]><![CDATA[>]]>END:VCALENDAR&#xD;&#10;</C:calendar-data>"
        "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response></D:multistatus>";
    const DavMultistatus m = ReadMultistatus(xml);
    ASSERT_EQ(m.error, "");
    ASSERT_EQ(m.responses.size(), 1u);
    EXPECT_EQ(m.responses[0].calendarData,
              "BEGIN:VCALENDAR\r\nSUMMARY:a <b> & c\r\nX:<not a tag> & ]]>END:VCALENDAR\r\n");
}

TEST(DavXml, BrokenOrForeignInputIsAnErrorNeverACrash) {
    const std::string good = kSyncAnswer;
    const char* broken[] = {
        "", "   ", "not xml at all", "<", "<>", "<D:multistatus xmlns:D=\"DAV:\">",
        "<multistatus xmlns=\"DAV:\"></multistatuz>", "<multistatus xmlns=\"DAV:\"/>trailing",
        "<q:multistatus/>",  // undeclared prefix
        "<multistatus xmlns=\"DAV:\">&bogus;</multistatus>",
        "<multistatus xmlns=\"DAV:\">&#0;</multistatus>",
        "<multistatus xmlns=\"DAV:\">&#xD800;</multistatus>",
        "<multistatus xmlns=\"DAV:\">&#99999999999999999999;</multistatus>",
        "<multistatus xmlns=\"DAV:\"><![CDATA[open</multistatus>",
        "<multistatus xmlns=\"DAV:\"><!-- open</multistatus>",
        "<!DOCTYPE m [<!ENTITY a \"aaaa\">]><multistatus xmlns=\"DAV:\">&a;</multistatus>",
        "<multistatus xmlns=\"DAV:\" a=\"1\"b=\"2\"/>", "<multistatus xmlns=\"DAV:\" a=\"<\"/>",
    };
    for (const char* text : broken) {
        const DavMultistatus m = ReadMultistatus(text);
        EXPECT_EQ(m.error, "The server's answer is not WebDAV XML.") << text;
        EXPECT_TRUE(m.responses.empty());
    }
    // Every cut of a good answer is refused (the whole one reads).
    for (std::size_t n = 0; n + 1 < good.size(); ++n) {
        if (good.find_first_not_of(" \n", n) != std::string::npos) {
            ASSERT_NE(ReadMultistatus(good.substr(0, n)).error, "") << n;
        }
    }

    // Deep nesting is refused rather than followed; 64 levels still read.
    auto nested = [](int depth) {
        std::string x = "<multistatus xmlns=\"DAV:\">";
        for (int i = 1; i < depth; ++i) x += "<a>";
        for (int i = 1; i < depth; ++i) x += "</a>";
        return x + "</multistatus>";
    };
    EXPECT_EQ(ReadMultistatus(nested(64)).error, "");
    EXPECT_NE(ReadMultistatus(nested(65)).error, "");
    EXPECT_NE(ReadMultistatus(std::string(100000, '<')).error, "");

    // Well-formed, but not a multistatus: an HTML page, the right name in another namespace.
    EXPECT_EQ(ReadMultistatus("<html><body>Login</body></html>").error,
              "The server's answer is not a WebDAV multistatus.");
    EXPECT_NE(ReadMultistatus("<multistatus xmlns=\"urn:other\"/>").error, "");
}

TEST(DavXml, InvalidSyncTokenErrorIsRecognisedOnlyInTheDavNamespace) {
    EXPECT_TRUE(IsInvalidSyncTokenError(
        "<?xml version=\"1.0\"?><D:error xmlns:D=\"DAV:\"><D:valid-sync-token/></D:error>"));
    EXPECT_TRUE(IsInvalidSyncTokenError(
        "<error xmlns=\"DAV:\">\n <valid-sync-token xmlns=\"DAV:\"></valid-sync-token>\n</error>"));
    EXPECT_FALSE(IsInvalidSyncTokenError(
        "<D:error xmlns:D=\"DAV:\"><D:number-of-matches-within-limits/></D:error>"));
    EXPECT_FALSE(IsInvalidSyncTokenError(
        "<D:error xmlns:D=\"DAV:\" xmlns:x=\"urn:x\"><x:valid-sync-token/></D:error>"));
    EXPECT_FALSE(IsInvalidSyncTokenError("<D:error xmlns:D=\"DAV:\"><D:valid-sync-token/>"));
    EXPECT_FALSE(IsInvalidSyncTokenError("valid-sync-token"));
}

TEST(DavXml, RequestBodiesAreWellFormedAndEscapeWhatTheyCarry) {
    const std::string sync = SyncCollectionBody("tok<&>\"'");
    EXPECT_NE(sync.find("<D:sync-token>tok&lt;&amp;&gt;&quot;&apos;</D:sync-token>"),
              std::string::npos);
    EXPECT_NE(SyncCollectionBody("").find("<D:sync-token/>"), std::string::npos);
    const std::string multiget = CalendarMultigetBody({"/c/a&b.ics", "/c/2.ics"});
    EXPECT_NE(multiget.find("<D:href>/c/a&amp;b.ics</D:href><D:href>/c/2.ics</D:href>"),
              std::string::npos);
    const std::string mk = MkcalendarBody("Tom & Jerry\x01\r");
    EXPECT_NE(mk.find("<D:displayname>Tom &amp; Jerry&#13;</D:displayname>"), std::string::npos);
    for (const std::string& body : {PropfindDiscoveryBody(), sync, multiget, EtagQueryBody(), mk}) {
        EXPECT_EQ(body.compare(0, 5, "<?xml"), 0);
        // Well-formed: refused only for not being a multistatus.
        EXPECT_EQ(ReadMultistatus(body).error, "The server's answer is not a WebDAV multistatus.")
            << body;
    }
}
