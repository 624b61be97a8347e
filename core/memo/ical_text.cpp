#include "core/memo/ical_text.h"

namespace {

constexpr std::size_t kFoldLength = 75;

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// A cut between CR and LF moves before the CR.
std::size_t KeepCrLf(const std::string& text, std::size_t cut) {
    if (cut > 0 && text[cut - 1] == '\r' && cut < text.size() && text[cut] == '\n') --cut;
    return cut;
}

}  // namespace

bool NextUtf8CodePoint(const std::string& text, std::size_t& pos, char32_t& codePoint) {
    if (pos >= text.size()) return false;
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c < 0x80) {
        codePoint = c;
        ++pos;
        return true;
    }
    std::size_t more = 0;
    char32_t value = 0, least = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        more = 1, value = c & 0x1Fu, least = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        more = 2, value = c & 0x0Fu, least = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        more = 3, value = c & 0x07u, least = 0x10000;
    } else {
        return false;
    }
    if (text.size() - pos <= more) return false;
    for (std::size_t i = 1; i <= more; ++i) {
        const char b = text[pos + i];
        if (!IsContinuationByte(b)) return false;
        value = (value << 6) | (static_cast<unsigned char>(b) & 0x3Fu);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    codePoint = value;
    pos += more + 1;
    return true;
}

bool IsUtf8(const std::string& text) {
    std::size_t pos = 0;
    char32_t c;
    while (pos < text.size())
        if (!NextUtf8CodePoint(text, pos, c)) return false;
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string MemoTextToUtf8(const std::string& ansi, const AnsiCodePage& codePage, int& replaced,
                           int& dropped) {
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 4);
    for (std::size_t i = 0; i < ansi.size();) {
        const unsigned char c = static_cast<unsigned char>(ansi[i]);
        if (c == '\r' || c == '\n') {
            out += '\n';
            i += (c == '\r' && i + 1 < ansi.size() && ansi[i + 1] == '\n') ? 2 : 1;
            continue;
        }
        const bool pair =
            !codePage.utf8 && codePage.isLeadByte != nullptr && codePage.isLeadByte(c);
        std::size_t length = pair && i + 1 < ansi.size() ? 2 : 1;
        char32_t code = c;
        if (codePage.utf8 && c >= 0x80) {
            std::size_t next = i;
            if (NextUtf8CodePoint(ansi, next, code))
                length = next - i;
            else
                code = 0xFFFD, ++replaced;
        } else if (c >= 0x80 || pair) {
            if (pair && length == 1)  // a lead byte without its trail byte
                code = 0xFFFD, ++replaced;
            else if (!codePage.toUnicode || !codePage.toUnicode(ansi.data() + i, length, code) ||
                     code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                code = 0xFFFD, ++replaced;
        }
        i += length;
        if ((code < 0x20 && code != '\t') || code == 0x7F) {
            ++dropped;
            continue;
        }
        AppendUtf8(out, code);
    }
    return out;
}

std::string Utf8ToMemoText(const std::string& utf8, const AnsiCodePage& codePage, int& replaced) {
    std::string out, bytes;
    out.reserve(utf8.size() + utf8.size() / 16);
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t code;
        if (!NextUtf8CodePoint(utf8, i, code)) {
            ++i;
            out += '?';
            ++replaced;
        } else if (code == '\n') {
            out += "\r\n";
        } else if ((code < 0x20 && code != '\t') || code == 0x7F) {
            ++replaced;
        } else if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (codePage.utf8) {
            AppendUtf8(out, code);
        } else {
            bytes.clear();
            if (codePage.fromUnicode && codePage.fromUnicode(code, bytes) && !bytes.empty() &&
                bytes.find('\0') == std::string::npos) {
                out += bytes;
            } else {
                out += '?';
                ++replaced;
            }
        }
    }
    return out;
}

std::size_t AnsiCutLength(const std::string& ansi, std::size_t limit,
                          LeadBytePredicate isLeadByte) {
    if (ansi.size() <= limit) return ansi.size();
    // Double-byte text can only be walked forward.
    std::size_t cut = 0;
    for (std::size_t i = 0; i < ansi.size();) {
        const bool pair = isLeadByte != nullptr &&
                          isLeadByte(static_cast<unsigned char>(ansi[i])) && i + 1 < ansi.size();
        const std::size_t next = i + (pair ? 2 : 1);
        if (next > limit) break;
        cut = i = next;
    }
    return KeepCrLf(ansi, cut);
}

std::size_t AnsiCutLength(const std::string& ansi, std::size_t limit,
                          const AnsiCodePage& codePage) {
    if (!codePage.utf8) return AnsiCutLength(ansi, limit, codePage.isLeadByte);
    if (ansi.size() <= limit) return ansi.size();
    // Back to the start of the sequence the cut would split; no further than
    // a sequence is long, past bytes that are not UTF-8.
    std::size_t cut = limit;
    for (int i = 0; i < 3 && cut > 0 && IsContinuationByte(ansi[cut]); ++i) --cut;
    return KeepCrLf(ansi, cut);
}

std::string EscapeText(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    for (char c : utf8) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case ';':
                out += "\\;";
                break;
            case ',':
                out += "\\,";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string UnescapeText(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const char next = value[i + 1];
        if (next == 'n' || next == 'N') {
            out += '\n';
        } else if (next == '\\' || next == ';' || next == ',') {
            out += next;
        } else {
            out += c;  // not an escape: the backslash is text
            continue;
        }
        ++i;
    }
    return out;
}

std::string FoldContentLine(const std::string& line) {
    std::string out;
    out.reserve(line.size() + line.size() / 24 + 2);
    std::size_t pos = 0, room = kFoldLength;
    while (line.size() - pos > room) {
        std::size_t cut = pos + room;
        while (cut > pos && IsContinuationByte(line[cut])) --cut;
        if (cut == pos) cut = pos + room;  // not UTF-8 at all: cut anywhere
        out.append(line, pos, cut - pos);
        out += "\r\n ";
        pos = cut;
        room = kFoldLength - 1;  // the leading space counts
    }
    out.append(line, pos, std::string::npos);
    out += "\r\n";
    return out;
}

std::vector<UnfoldedLine> UnfoldLines(const std::string& bytes) {
    std::vector<UnfoldedLine> lines;
    int number = 0;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        ++number;
        std::size_t length = end - pos;
        if (length > 0 && bytes[pos + length - 1] == '\r') --length;
        if (length > 0) {
            const char first = bytes[pos];
            if ((first == ' ' || first == '\t') && !lines.empty())
                lines.back().text.append(bytes, pos + 1, length - 1);
            else
                lines.push_back(UnfoldedLine{bytes.substr(pos, length), number});
        }
        pos = end + 1;
    }
    return lines;
}

const std::string* IcalProperty::Param(const char* upperName) const {
    for (const IcalParam& p : params)
        if (p.name == upperName) return p.values.empty() ? nullptr : &p.values.front();
    return nullptr;
}

std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool ParseContentLine(const std::string& text, IcalProperty& out) {
    std::size_t i = 0;
    auto name = [&]() {
        const std::size_t start = i;
        while (i < text.size() && IsNameChar(text[i])) ++i;
        return UpperAscii(text.substr(start, i - start));
    };
    out = IcalProperty();
    out.name = name();
    if (out.name.empty()) return false;
    while (i < text.size() && text[i] == ';') {
        ++i;
        IcalParam param;
        param.name = name();
        if (param.name.empty() || i >= text.size() || text[i] != '=') return false;
        for (;;) {
            ++i;  // past "=" or ","
            std::string value;
            if (i < text.size() && text[i] == '"') {
                const std::size_t close = text.find('"', i + 1);
                if (close == std::string::npos) return false;
                value = text.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const std::size_t end = text.find_first_of(";:,\"", i);
                if (end == std::string::npos || text[end] == '"') return false;
                value = text.substr(i, end - i);
                i = end;
            }
            param.values.push_back(std::move(value));
            if (i >= text.size() || text[i] != ',') break;
        }
        out.params.push_back(std::move(param));
    }
    if (i >= text.size() || text[i] != ':') return false;
    out.value = text.substr(i + 1);
    return true;
}
