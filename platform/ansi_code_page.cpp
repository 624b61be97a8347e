#include "platform/ansi_code_page.h"

#include <windows.h>

#include "platform/handles.h"

namespace {

bool AnsiToCodePoint(const char* bytes, std::size_t length, char32_t& codePoint) {
    if (length == 0 || length > 2) return false;
    wchar_t wide[4] = {};
    const int n = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(length),
                                        wide, 4);
    if (n == 1 && !(wide[0] >= 0xD800 && wide[0] <= 0xDFFF)) {
        codePoint = wide[0];
        return true;
    }
    if (n == 2 && wide[0] >= 0xD800 && wide[0] <= 0xDBFF && wide[1] >= 0xDC00 && wide[1] <= 0xDFFF) {
        codePoint = 0x10000 + ((static_cast<char32_t>(wide[0]) - 0xD800) << 10) + (wide[1] - 0xDC00);
        return true;
    }
    return false;
}

bool CodePointToAnsi(char32_t codePoint, std::string& bytes) {
    if (codePoint == 0 || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return false;
    wchar_t wide[2];
    int units = 1;
    if (codePoint >= 0x10000) {
        wide[0] = static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        units = 2;
    } else {
        wide[0] = static_cast<wchar_t>(codePoint);
    }
    char out[8] = {};
    // UTF-8 as the ANSI code page refuses the default-character flag; there
    // every character has bytes anyway.
    const bool utf8 = ::GetACP() == CP_UTF8;
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, units, out, sizeof out,
                                        nullptr, utf8 ? nullptr : &usedDefault);
    if (n <= 0 || usedDefault) return false;
    // Only a character that comes back as itself is shown: no look-alike.
    char32_t back = 0;
    if (!utf8 && (!AnsiToCodePoint(out, static_cast<std::size_t>(n), back) || back != codePoint)) return false;
    bytes.assign(out, static_cast<std::size_t>(n));
    return true;
}

}  // namespace

AnsiCodePage SystemAnsiCodePage() {
    AnsiCodePage page;
    page.toUnicode = AnsiToCodePoint;
    page.fromUnicode = CodePointToAnsi;
    page.isLeadByte = &IsAnsiLeadByte;
    page.utf8 = ::GetACP() == CP_UTF8;
    return page;
}

bool UtcToLocalTime(const LocalDateTime& utc, LocalDateTime& local) {
    if (utc.date.year < 1601 || utc.date.year > 30827) return false;
    SYSTEMTIME in{};
    in.wYear = static_cast<WORD>(utc.date.year);
    in.wMonth = static_cast<WORD>(utc.date.month);
    in.wDay = static_cast<WORD>(utc.date.day);
    in.wHour = static_cast<WORD>(utc.time.hour);
    in.wMinute = static_cast<WORD>(utc.time.minute);
    // A leap second (60) is no SYSTEMTIME value.
    in.wSecond = static_cast<WORD>(utc.time.second > 59 ? 59 : utc.time.second);
    SYSTEMTIME out{};
    if (!::SystemTimeToTzSpecificLocalTime(nullptr, &in, &out)) return false;
    local.date = {out.wYear, out.wMonth, out.wDay};
    local.time = {out.wHour, out.wMinute, out.wSecond};
    return true;
}
