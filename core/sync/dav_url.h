// Addresses of a calendar server and its members: splitting, resolving the
// hrefs a server answers with, comparing them, and the pieces of a request
// (a member's name, a Basic credential). No network here.
#pragma once

#include <string>

// scheme lower-case "http"/"https"; host lower-case, an IPv6 literal kept in
// its brackets ("[::1]"); port defaulted 80/443; path starts with "/"
// (default "/"), the query kept on it, a fragment dropped.
struct UrlParts {
    std::string scheme;
    std::string host;
    int port = 0;
    std::string path;
};
// False for anything not http(s)://host[:port][/path]: other schemes, user
// names in the address, a port outside 1..65535, spaces or control characters.
bool SplitUrl(const std::string& url, UrlParts& parts);

// An href as the server gave it, made absolute against the address it came
// from: an absolute URL stays itself, "/x" takes the base's scheme, host and
// port, "x" the base's directory; "." and ".." segments are resolved. "" when
// the href is not absolute and the base is no http(s) URL.
std::string ResolveHref(const std::string& base, const std::string& href);

// "scheme://host[:port]" (the port only when not the default); "" for a bad
// URL. The well-known address is OriginOf(u) + "/.well-known/caldav".
std::string OriginOf(const std::string& url);

// True when the URL's host is 127.x.x.x, ::1 or "localhost" (any case).
bool IsLoopbackUrl(const std::string& url);

// True when two hrefs name the same resource: equal after decoding the
// percent-escapes of characters that need none, ignoring a trailing "/" and,
// when one is a bare path, the other's scheme, host and port.
bool SameResource(const std::string& hrefA, const std::string& hrefB);

// A member name for a URL path: A-Za-z0-9 and "-._~@" kept, every other byte
// written %XX (upper-case hex).
std::string PercentEncodeSegment(const std::string& text);

// Standard Base64 with padding, for an HTTP Basic credential.
std::string Base64(const std::string& bytes);
