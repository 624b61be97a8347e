#include "core/sync/dav_xml.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace {

const char kDav[] = "DAV:";
const char kCalDav[] = "urn:ietf:params:xml:ns:caldav";
const char kNotXml[] = "The server's answer is not WebDAV XML.";
const char kNotMultistatus[] = "The server's answer is not a WebDAV multistatus.";

// Deep enough for any real answer, shallow enough that the recursive reader
// keeps its stack small on hostile input.
constexpr int kDeepest = 64;

// ------------------------------------------------------------ the reader ---

struct Element {
    std::string ns, local;
    std::vector<std::pair<std::string, std::string>> attributes;  // as written, decoded
    std::string text;  // the element's own character data, pieces joined
    std::vector<Element> children;

    bool Is(const char* uri, const char* name) const { return ns == uri && local == name; }
    const Element* Child(const char* uri, const char* name) const {
        for (const Element& c : children)
            if (c.Is(uri, name)) return &c;
        return nullptr;
    }
    const std::string* Attribute(const char* name) const {
        for (const auto& a : attributes)
            if (a.first == name) return &a.second;
        return nullptr;
    }
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Characters that end a name; the reader refuses those that may not stand in one.
bool EndsName(char c) { return IsSpace(c) || c == '/' || c == '>' || c == '='; }
bool BadInName(char c) {
    return c == '<' || c == '&' || c == '"' || c == '\'' || static_cast<unsigned char>(c) < 0x20;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The value of a character reference's digits; false for anything that is
// not an XML character. Stops counting past the largest code point.
bool ReferencedCode(const std::string& digits, bool hex, std::uint32_t& code) {
    if (digits.empty()) return false;
    code = 0;
    for (char c : digits) {
        std::uint32_t d;
        if (c >= '0' && c <= '9')
            d = static_cast<std::uint32_t>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            d = static_cast<std::uint32_t>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            d = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            return false;
        code = code * (hex ? 16 : 10) + d;
        if (code > 0x10FFFF) return false;
    }
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF)
        return false;
    return code >= 0x20 || code == '\t' || code == '\n' || code == '\r';
}

class Reader {
public:
    explicit Reader(const std::string& xml) : xml_(xml) {}

    // The document's one root element; false on anything malformed.
    bool Document(Element& root) {
        if (xml_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
        if (!SkipMisc(true) || !At("<")) return false;
        if (!ReadElement(root, 1)) return false;
        return SkipMisc(false) && pos_ == xml_.size();
    }

private:
    bool At(const char* s) const {
        return xml_.compare(pos_, std::char_traits<char>::length(s), s) == 0;
    }

    // Moves past `end`; false when the input stops before it.
    bool SkipPast(const char* end) {
        const std::size_t at = xml_.find(end, pos_);
        if (at == std::string::npos) return false;
        pos_ = at + std::char_traits<char>::length(end);
        return true;
    }

    void SkipSpace() {
        while (pos_ < xml_.size() && IsSpace(xml_[pos_])) ++pos_;
    }

    // White space, comments and processing instructions (the declaration among
    // them) around the root. A document type is refused: no server sends one,
    // and its entities are a way to blow up a reader.
    bool SkipMisc(bool beforeRoot) {
        for (;;) {
            SkipSpace();
            if (At("<?")) {
                if (!SkipPast("?>")) return false;
            } else if (At("<!--")) {
                if (!SkipPast("-->")) return false;
            } else {
                return pos_ == xml_.size() ? !beforeRoot : At("<") && !At("<!") && beforeRoot;
            }
        }
    }

    bool ReadName(std::string& name) {
        const std::size_t start = pos_;
        while (pos_ < xml_.size() && !EndsName(xml_[pos_])) {
            if (BadInName(xml_[pos_])) return false;
            ++pos_;
        }
        name = xml_.substr(start, pos_ - start);
        return !name.empty();
    }

    // Character data up to `pos_ + length`, references decoded and line ends
    // made "\n" as XML has them; a CR written as &#13; stays.
    bool Decode(std::size_t length, std::string& out) {
        const std::size_t end = pos_ + length;
        while (pos_ < end) {
            const char c = xml_[pos_];
            if (c == '\r') {
                out += '\n';
                ++pos_;
                if (pos_ < end && xml_[pos_] == '\n') ++pos_;
                continue;
            }
            if (c == '<') return false;  // only an attribute value can hold one here
            if (c != '&') {
                out += c;
                ++pos_;
                continue;
            }
            const std::size_t semi = xml_.find(';', pos_);
            if (semi == std::string::npos || semi >= end || semi - pos_ > 12) return false;
            const std::string ref = xml_.substr(pos_ + 1, semi - pos_ - 1);
            pos_ = semi + 1;
            if (ref == "amp")
                out += '&';
            else if (ref == "lt")
                out += '<';
            else if (ref == "gt")
                out += '>';
            else if (ref == "quot")
                out += '"';
            else if (ref == "apos")
                out += '\'';
            else if (ref.size() > 1 && ref[0] == '#') {
                const bool hex = ref[1] == 'x';
                std::uint32_t code;
                if (!ReferencedCode(ref.substr(hex ? 2 : 1), hex, code)) return false;
                AppendUtf8(out, code);
            } else {
                return false;
            }
        }
        return true;
    }

    // Raw text (CDATA) with its line ends made "\n".
    static void AppendRaw(const std::string& raw, std::string& out) {
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\r') {
                out += raw[i];
                continue;
            }
            out += '\n';
            if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
        }
    }

    // The namespace a prefix stands for in the scope now open; false when
    // none was declared.
    bool Lookup(const std::string& prefix, std::string& uri) const {
        if (prefix == "xml") {
            uri = "http://www.w3.org/XML/1998/namespace";
            return true;
        }
        for (std::size_t i = scope_.size(); i-- > 0;)
            if (scope_[i].first == prefix) {
                uri = scope_[i].second;
                return !uri.empty() || prefix.empty();
            }
        uri.clear();
        return prefix.empty();
    }

    bool ReadAttributes(Element& e, bool& empty) {
        for (;;) {
            const std::size_t before = pos_;
            SkipSpace();
            if (At("/>")) {
                pos_ += 2;
                empty = true;
                return true;
            }
            if (At(">")) {
                ++pos_;
                empty = false;
                return true;
            }
            if (pos_ == before) return false;  // attributes are set apart by white space
            std::string name;
            if (!ReadName(name)) return false;
            SkipSpace();
            if (!At("=")) return false;
            ++pos_;
            SkipSpace();
            if (pos_ >= xml_.size() || (xml_[pos_] != '"' && xml_[pos_] != '\'')) return false;
            const std::size_t close = xml_.find(xml_[pos_], pos_ + 1);
            if (close == std::string::npos) return false;
            ++pos_;
            std::string value;
            if (!Decode(close - pos_, value)) return false;
            ++pos_;  // the closing quote
            if (name == "xmlns")
                scope_.emplace_back(std::string(), value);
            else if (name.compare(0, 6, "xmlns:") == 0)
                scope_.emplace_back(name.substr(6), value);
            e.attributes.emplace_back(std::move(name), std::move(value));
        }
    }

    bool ReadElement(Element& e, int depth) {
        if (depth > kDeepest) return false;
        ++pos_;  // '<'
        std::string qname;
        if (!ReadName(qname)) return false;
        const std::size_t scopeMark = scope_.size();
        bool empty = false;
        if (!ReadAttributes(e, empty)) return false;
        const std::size_t colon = qname.find(':');
        const std::string prefix =
            colon == std::string::npos ? std::string() : qname.substr(0, colon);
        e.local = colon == std::string::npos ? qname : qname.substr(colon + 1);
        if (e.local.empty() || e.local.find(':') != std::string::npos || !Lookup(prefix, e.ns))
            return false;
        if (!empty && !ReadContent(e, qname, depth)) return false;
        scope_.resize(scopeMark);
        return true;
    }

    bool ReadContent(Element& e, const std::string& qname, int depth) {
        for (;;) {
            if (pos_ >= xml_.size()) return false;
            if (xml_[pos_] != '<') {
                std::size_t next = xml_.find('<', pos_);
                if (next == std::string::npos) return false;
                if (!Decode(next - pos_, e.text)) return false;
            } else if (At("</")) {
                pos_ += 2;
                std::string name;
                if (!ReadName(name) || name != qname) return false;
                SkipSpace();
                if (!At(">")) return false;
                ++pos_;
                return true;
            } else if (At("<!--")) {
                if (!SkipPast("-->")) return false;
            } else if (At("<![CDATA[")) {
                const std::size_t start = pos_ + 9;
                if (!SkipPast("]]>")) return false;
                AppendRaw(xml_.substr(start, pos_ - 3 - start), e.text);
            } else if (At("<?")) {
                if (!SkipPast("?>")) return false;
            } else if (At("<!")) {
                return false;
            } else {
                e.children.emplace_back();
                if (!ReadElement(e.children.back(), depth + 1)) return false;
            }
        }
    }

    const std::string& xml_;
    std::size_t pos_ = 0;
    std::vector<std::pair<std::string, std::string>> scope_;  // prefix ("" = default), URI
};

bool ReadXml(const std::string& xml, Element& root) {
    Reader reader(xml);
    return reader.Document(root);
}

// ------------------------------------------------------ the multistatus ---

std::string Trimmed(const std::string& text) {
    std::size_t a = 0, b = text.size();
    while (a < b && IsSpace(text[a])) ++a;
    while (b > a && IsSpace(text[b - 1])) --b;
    return text.substr(a, b - a);
}

// The code of a status line ("HTTP/1.1 207 Multi-Status"); 0 when it is not one.
int StatusCode(const std::string& line) {
    const std::string text = Trimmed(line);
    const std::size_t space = text.find(' ');
    if (space == std::string::npos || text.compare(0, 5, "HTTP/") != 0) return 0;
    std::size_t i = space;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i + 3 > text.size()) return 0;
    int code = 0;
    for (std::size_t k = i; k < i + 3; ++k) {
        if (text[k] < '0' || text[k] > '9') return 0;
        code = code * 10 + (text[k] - '0');
    }
    if (i + 3 < text.size() && text[i + 3] != ' ') return 0;
    return code;
}

bool SameIgnoringCase(const std::string& a, const char* b) {
    const std::size_t n = std::char_traits<char>::length(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (c != b[i]) return false;
    }
    return true;
}

void TakeProperties(const Element& prop, DavResponse& r) {
    for (const Element& p : prop.children) {
        if (p.Is(kDav, "getetag")) {
            r.etag = Trimmed(p.text);
        } else if (p.Is(kDav, "displayname")) {
            r.displayName = p.text;
        } else if (p.Is(kDav, "resourcetype")) {
            r.isCollection = p.Child(kDav, "collection") != nullptr;
            r.isCalendar = p.Child(kCalDav, "calendar") != nullptr;
        } else if (p.Is(kCalDav, "supported-calendar-component-set")) {
            r.holdsEvents = false;
            for (const Element& comp : p.children) {
                const std::string* name = comp.Attribute("name");
                if (comp.Is(kCalDav, "comp") && name && SameIgnoringCase(Trimmed(*name), "VEVENT"))
                    r.holdsEvents = true;
            }
        } else if (p.Is(kCalDav, "calendar-data")) {
            r.calendarData = p.text;
        } else if (p.Is(kDav, "current-user-principal")) {
            if (const Element* href = p.Child(kDav, "href")) r.principalHref = Trimmed(href->text);
        } else if (p.Is(kCalDav, "calendar-home-set")) {
            for (const Element& href : p.children)
                if (href.Is(kDav, "href")) r.homeSetHrefs.push_back(Trimmed(href.text));
        } else if (p.Is(kDav, "sync-token")) {
            r.syncToken = Trimmed(p.text);
        }
    }
}

// One <D:response>. A response in the status form may name several hrefs
// sharing one status: each becomes a response of its own.
void TakeResponse(const Element& e, std::vector<DavResponse>& out) {
    DavResponse r;
    std::vector<std::string> hrefs;
    bool hasPropstat = false;
    for (const Element& c : e.children) {
        if (c.Is(kDav, "href")) {
            hrefs.push_back(Trimmed(c.text));
        } else if (c.Is(kDav, "status")) {
            r.status = StatusCode(c.text);
        } else if (c.Is(kDav, "propstat")) {
            hasPropstat = true;
            const Element* status = c.Child(kDav, "status");
            const int code = status ? StatusCode(status->text) : 0;
            if (status && (code < 200 || code > 299)) continue;
            if (const Element* prop = c.Child(kDav, "prop")) TakeProperties(*prop, r);
        }
    }
    if (hrefs.empty()) return;  // nothing to name it by
    if (hasPropstat) hrefs.resize(1);
    for (std::string& href : hrefs) {
        out.push_back(r);
        out.back().href = std::move(href);
    }
}

bool Contains(const Element& e, const char* uri, const char* name) {
    if (e.Is(uri, name)) return true;
    for (const Element& c : e.children)
        if (Contains(c, uri, name)) return true;
    return false;
}

// ------------------------------------------------------------ the writer ---

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            case '\r': out += "&#13;"; break;  // a raw CR would be read as a line end
            default:
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n') out += c;
        }
    }
    return out;
}

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
const char kBothNamespaces[] = " xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\"";

}  // namespace

DavMultistatus ReadMultistatus(const std::string& xml) {
    DavMultistatus m;
    Element root;
    if (!ReadXml(xml, root)) {
        m.error = kNotXml;
        return m;
    }
    if (!root.Is(kDav, "multistatus")) {
        m.error = kNotMultistatus;
        return m;
    }
    for (const Element& c : root.children) {
        if (c.Is(kDav, "response"))
            TakeResponse(c, m.responses);
        else if (c.Is(kDav, "sync-token"))
            m.syncToken = Trimmed(c.text);
    }
    return m;
}

bool IsInvalidSyncTokenError(const std::string& xml) {
    Element root;
    return ReadXml(xml, root) && root.Is(kDav, "error") && Contains(root, kDav, "valid-sync-token");
}

std::string PropfindDiscoveryBody() {
    return std::string(kDeclaration) + "<D:propfind" + kBothNamespaces +
           "><D:prop><D:resourcetype/><D:displayname/><D:current-user-principal/>"
           "<C:calendar-home-set/><C:supported-calendar-component-set/><D:sync-token/>"
           "</D:prop></D:propfind>\n";
}

std::string SyncCollectionBody(const std::string& token) {
    const std::string tokenElement =
        token.empty() ? "<D:sync-token/>" : "<D:sync-token>" + Escaped(token) + "</D:sync-token>";
    return std::string(kDeclaration) + "<D:sync-collection xmlns:D=\"DAV:\">" + tokenElement +
           "<D:sync-level>1</D:sync-level><D:prop><D:getetag/></D:prop></D:sync-collection>\n";
}

std::string CalendarMultigetBody(const std::vector<std::string>& hrefs) {
    std::string body = std::string(kDeclaration) + "<C:calendar-multiget" + kBothNamespaces +
                       "><D:prop><D:getetag/><C:calendar-data/></D:prop>";
    for (const std::string& href : hrefs) body += "<D:href>" + Escaped(href) + "</D:href>";
    return body + "</C:calendar-multiget>\n";
}

std::string EtagQueryBody() {
    return std::string(kDeclaration) + "<C:calendar-query" + kBothNamespaces +
           "><D:prop><D:getetag/></D:prop><C:filter><C:comp-filter name=\"VCALENDAR\">"
           "<C:comp-filter name=\"VEVENT\"/></C:comp-filter></C:filter></C:calendar-query>\n";
}

std::string MkcalendarBody(const std::string& displayName) {
    return std::string(kDeclaration) + "<C:mkcalendar" + kBothNamespaces +
           "><D:set><D:prop><D:displayname>" + Escaped(displayName) +
           "</D:displayname><C:supported-calendar-component-set><C:comp name=\"VEVENT\"/>"
           "</C:supported-calendar-component-set></D:prop></D:set></C:mkcalendar>\n";
}
