#include "core/sync/dav_url.h"

#include <cstddef>
#include <vector>

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return text;
}

bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}
bool IsUnreserved(char c) { return IsAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~'; }
bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}
const char kHexDigits[] = "0123456789ABCDEF";

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const std::size_t n = std::char_traits<char>::length(prefix);
    return text.size() >= n && Lower(text.substr(0, n)) == prefix;
}

bool ValidHost(const std::string& host) {
    if (host.empty()) return false;
    if (host[0] == '[') {
        if (host.size() < 4 || host.back() != ']') return false;  // at least "[::]"
        for (std::size_t i = 1; i + 1 < host.size(); ++i)
            if (!IsHex(host[i]) && host[i] != ':' && host[i] != '.') return false;
        return true;
    }
    for (char c : host)
        if (!IsUnreserved(c)) return false;
    return true;
}

// The port's digits as a number, no more than five of them; 0 when invalid.
int PortNumber(const std::string& digits) {
    if (digits.empty() || digits.size() > 5) return 0;
    int port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        port = port * 10 + (c - '0');
    }
    return port <= 65535 ? port : 0;
}

int DefaultPort(const std::string& scheme) { return scheme == "https" ? 443 : 80; }

std::string Origin(const UrlParts& p) {
    std::string origin = p.scheme + "://" + p.host;
    if (p.port != DefaultPort(p.scheme)) origin += ":" + std::to_string(p.port);
    return origin;
}

// A path with its "." and ".." segments worked out; a ".." above the root
// stays at the root. The query is left as it is.
std::string WithoutDotSegments(const std::string& pathAndQuery) {
    const std::size_t q = pathAndQuery.find('?');
    const std::string path = pathAndQuery.substr(0, q);
    const std::string query = q == std::string::npos ? std::string() : pathAndQuery.substr(q);
    std::vector<std::string> kept;
    std::size_t start = 1;  // past the leading "/"
    bool endsAsDirectory = false;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string segment =
            path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        const bool last = slash == std::string::npos;
        if (segment == ".") {
            endsAsDirectory = last;
        } else if (segment == "..") {
            if (!kept.empty()) kept.pop_back();
            endsAsDirectory = last;
        } else {
            kept.push_back(segment);
            endsAsDirectory = false;
        }
        if (last) break;
        start = slash + 1;
    }
    std::string out;
    for (const std::string& segment : kept) out += "/" + segment;
    if (out.empty() || endsAsDirectory) out += "/";
    return out + query;
}

// The path compared: escapes of unreserved characters decoded, the others'
// hex upper-cased, a trailing "/" dropped.
std::string ComparablePath(const std::string& path) {
    std::string out;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%' && i + 2 < path.size() && IsHex(path[i + 1]) && IsHex(path[i + 2])) {
            const char decoded =
                static_cast<char>(HexValue(path[i + 1]) * 16 + HexValue(path[i + 2]));
            if (IsUnreserved(decoded)) {
                out += decoded;
            } else {
                out += '%';
                out += kHexDigits[HexValue(path[i + 1])];
                out += kHexDigits[HexValue(path[i + 2])];
            }
            i += 2;
        } else {
            out += path[i];
        }
    }
    while (!out.empty() && out.back() == '/') out.pop_back();
    return out;
}

}  // namespace

bool SplitUrl(const std::string& url, UrlParts& parts) {
    UrlParts p;
    std::size_t at;
    if (StartsWithNoCase(url, "https://")) {
        p.scheme = "https";
        at = 8;
    } else if (StartsWithNoCase(url, "http://")) {
        p.scheme = "http";
        at = 7;
    } else {
        return false;
    }
    for (char c : url)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F || c == '\\') return false;
    const std::string rest = url.substr(0, url.find('#')).substr(at);
    const std::size_t authorityEnd = rest.find_first_of("/?");
    const std::string authority = rest.substr(0, authorityEnd);
    std::size_t hostEnd = authority.size();
    if (!authority.empty() && authority[0] == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos) return false;
        hostEnd = close + 1;
    } else {
        hostEnd = authority.find(':');
        if (hostEnd == std::string::npos) hostEnd = authority.size();
    }
    p.host = Lower(authority.substr(0, hostEnd));
    if (!ValidHost(p.host)) return false;
    p.port = DefaultPort(p.scheme);
    if (hostEnd < authority.size()) {
        if (authority[hostEnd] != ':') return false;
        const std::string digits = authority.substr(hostEnd + 1);
        if (!digits.empty()) {
            p.port = PortNumber(digits);
            if (p.port == 0) return false;
        }
    }
    p.path = authorityEnd == std::string::npos ? "/" : rest.substr(authorityEnd);
    if (p.path[0] == '?') p.path = "/" + p.path;
    parts = p;
    return true;
}

std::string ResolveHref(const std::string& base, const std::string& href) {
    UrlParts parts;
    if (SplitUrl(href, parts)) return href;
    if (!SplitUrl(base, parts)) return std::string();
    if (href.compare(0, 2, "//") == 0) return parts.scheme + ":" + href;
    const std::string origin = Origin(parts);
    const std::string target = href.substr(0, href.find('#'));
    if (target.empty()) return origin + parts.path;
    if (target[0] == '/') return origin + WithoutDotSegments(target);
    const std::string basePath = parts.path.substr(0, parts.path.find('?'));
    if (target[0] == '?') return origin + basePath + target;
    const std::string directory = basePath.substr(0, basePath.rfind('/') + 1);
    return origin + WithoutDotSegments(directory + target);
}

std::string OriginOf(const std::string& url) {
    UrlParts parts;
    return SplitUrl(url, parts) ? Origin(parts) : std::string();
}

bool IsLoopbackUrl(const std::string& url) {
    UrlParts parts;
    if (!SplitUrl(url, parts)) return false;
    const std::string& host = parts.host;
    if (host == "localhost" || host == "[::1]") return true;
    // 127.a.b.c, each part a number 0..255.
    if (host.compare(0, 4, "127.") != 0) return false;
    int dots = 0, digits = 0, value = 0;
    for (std::size_t i = 3; i < host.size(); ++i) {
        const char c = host[i];
        if (c == '.') {
            if (i > 3 && digits == 0) return false;
            ++dots;
            digits = value = 0;
        } else if (c >= '0' && c <= '9' && digits < 3) {
            value = value * 10 + (c - '0');
            ++digits;
            if (value > 255) return false;
        } else {
            return false;
        }
    }
    return dots == 3 && digits > 0;
}

bool SameResource(const std::string& hrefA, const std::string& hrefB) {
    UrlParts a, b;
    const bool absoluteA = SplitUrl(hrefA, a), absoluteB = SplitUrl(hrefB, b);
    if (!absoluteA) a.path = hrefA.substr(0, hrefA.find('#'));
    if (!absoluteB) b.path = hrefB.substr(0, hrefB.find('#'));
    if (absoluteA && absoluteB && Origin(a) != Origin(b)) return false;
    return ComparablePath(a.path) == ComparablePath(b.path);
}

std::string PercentEncodeSegment(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (IsUnreserved(c) || c == '@') {
            out += c;
        } else {
            const unsigned char u = static_cast<unsigned char>(c);
            out += '%';
            out += kHexDigits[u >> 4];
            out += kHexDigits[u & 0x0F];
        }
    }
    return out;
}

std::string Base64(const std::string& bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const std::size_t left = bytes.size() - i;
    if (left > 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (left == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += left == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}
