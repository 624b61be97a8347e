// The calendar server's XML and addresses on any bytes: the reader gives an
// error or responses, never both; any text put in a request body keeps it
// well-formed; an address that splits splits again the same from its origin
// and path, and its hrefs resolve to addresses that split.
#include "core/sync/dav_url.h"
#include "core/sync/dav_xml.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

const char kNotMultistatus[] = "The server's answer is not a WebDAV multistatus.";

void CheckUrls(const std::string& url, const std::string& href) {
    UrlParts parts;
    if (!SplitUrl(url, parts)) {
        FUZZ_CHECK(OriginOf(url).empty() && !IsLoopbackUrl(url));
        return;
    }
    FUZZ_CHECK(parts.port >= 1 && parts.port <= 65535 && !parts.path.empty() &&
               parts.path[0] == '/');
    UrlParts again;
    FUZZ_CHECK(SplitUrl(OriginOf(url) + parts.path, again));
    FUZZ_CHECK(again.scheme == parts.scheme && again.host == parts.host &&
               again.port == parts.port && again.path == parts.path);
    const std::string resolved = ResolveHref(url, href);
    UrlParts target;
    bool plain = href.compare(0, 2, "//") != 0;  // a relative reference a server could send
    for (char c : href)
        plain = plain && static_cast<unsigned char>(c) > 0x20 && c != 0x7F && c != '\\';
    if (!SplitUrl(href, target) && plain) {
        FUZZ_CHECK(SplitUrl(resolved, target) && OriginOf(resolved) == OriginOf(url));
        // Dot segments are worked out, unless the base's own path is kept whole.
        if (!href.empty() && href[0] != '?' && href[0] != '#')
            FUZZ_CHECK(target.path.substr(0, target.path.find('?')).find("/../") ==
                       std::string::npos);
    }
    FUZZ_CHECK(SameResource(url, url) && SameResource(parts.path, url));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t mode = in.Byte();
    if (mode & 1) {
        const std::string url = in.ShortString();
        CheckUrls(url, in.Rest());
        return 0;
    }
    const std::string text = in.Rest();
    const DavMultistatus m = ReadMultistatus(text);
    FUZZ_CHECK(m.error.empty() || (m.responses.empty() && m.syncToken.empty()));
    IsInvalidSyncTokenError(text);
    for (const std::string& body :
         {SyncCollectionBody(text), CalendarMultigetBody({text, text}), MkcalendarBody(text)})
        FUZZ_CHECK(ReadMultistatus(body).error == kNotMultistatus);
    FUZZ_CHECK(PercentEncodeSegment(text).find_first_not_of(
                   "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~@%") ==
               std::string::npos);
    return 0;
}
