// Table code pages for the tests of the iCalendar conversion, standing in for
// the platform's CP_ACP: Windows-1252, a double-byte one shaped like
// Shift-JIS (lead bytes 0x81..0x9F, trail bytes 0x40..0xFC but 0x7F, so a
// trail byte may be a backslash), and UTF-8.
#pragma once

#include <string>

#include "core/memo/ical_text.h"

namespace fake_code_pages {

// 0x80..0x9F of Windows-1252; 0 where the code page has no character.
inline char32_t Cp1252High(unsigned char b) {
    static const char32_t kTable[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    return kTable[b - 0x80];
}

inline AnsiCodePage Windows1252() {
    AnsiCodePage cp;
    cp.toUnicode = [](const char* bytes, std::size_t length, char32_t& code) {
        if (length != 1) return false;
        const unsigned char b = static_cast<unsigned char>(bytes[0]);
        code = (b >= 0x80 && b <= 0x9F) ? Cp1252High(b) : b;
        return code != 0 || b == 0;
    };
    cp.fromUnicode = [](char32_t code, std::string& bytes) {
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            bytes.assign(1, static_cast<char>(code));
            return true;
        }
        for (unsigned b = 0x80; b <= 0x9F; ++b)
            if (Cp1252High(static_cast<unsigned char>(b)) == code) {
                bytes.assign(1, static_cast<char>(b));
                return true;
            }
        return false;
    };
    return cp;
}

inline bool DoubleByteLead(unsigned char c) { return c >= 0x81 && c <= 0x9F; }

// Pairs map to U+4E00 onwards, 0xA0..0xDF to U+FF60 onwards.
inline AnsiCodePage DoubleByte() {
    AnsiCodePage cp;
    cp.isLeadByte = &DoubleByteLead;
    cp.toUnicode = [](const char* bytes, std::size_t length, char32_t& code) {
        const unsigned char b = static_cast<unsigned char>(bytes[0]);
        if (length == 1) {
            if (b < 0x80)
                code = b;
            else if (b >= 0xA0 && b <= 0xDF)
                code = 0xFF60 + (b - 0xA0);
            else
                return false;
            return true;
        }
        const unsigned char t = static_cast<unsigned char>(bytes[1]);
        if (!DoubleByteLead(b) || t < 0x40 || t > 0xFC || t == 0x7F) return false;
        code = 0x4E00 + (b - 0x81) * 0xC0 + (t - 0x40);
        return true;
    };
    cp.fromUnicode = [](char32_t code, std::string& bytes) {
        if (code < 0x80) {
            bytes.assign(1, static_cast<char>(code));
        } else if (code >= 0xFF60 && code < 0xFF60 + 0x40) {
            bytes.assign(1, static_cast<char>(0xA0 + (code - 0xFF60)));
        } else if (code >= 0x4E00 && code < 0x4E00 + 31 * 0xC0) {
            const unsigned n = static_cast<unsigned>(code - 0x4E00);
            const unsigned trail = 0x40 + n % 0xC0;
            if (trail == 0x7F || trail > 0xFC) return false;
            bytes = {static_cast<char>(0x81 + n / 0xC0), static_cast<char>(trail)};
        } else {
            return false;
        }
        return true;
    };
    return cp;
}

// UTF-8 as the ANSI code page (65001), as the platform answers for it: no
// lead bytes, and one or two bytes convert only when they are a whole
// sequence.
inline AnsiCodePage Utf8() {
    AnsiCodePage cp;
    cp.utf8 = true;
    cp.toUnicode = [](const char* bytes, std::size_t length, char32_t& code) {
        std::size_t pos = 0;
        return NextUtf8CodePoint(std::string(bytes, length), pos, code) && pos == length;
    };
    cp.fromUnicode = [](char32_t code, std::string& bytes) {
        bytes.clear();
        AppendUtf8(bytes, code);
        return true;
    };
    return cp;
}

}  // namespace fake_code_pages
