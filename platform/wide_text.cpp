#include "platform/wide_text.h"

#include <windows.h>

#include <climits>

static_assert(sizeof(WCHAR) == sizeof(char16_t), "UTF-16 units are WCHARs");

std::u16string Utf16Of(const char* bytes, std::size_t length, unsigned codePage) {
    if (length == 0 || length > INT_MAX) return {};
    const int n = static_cast<int>(length);
    const int units = ::MultiByteToWideChar(codePage, 0, bytes, n, nullptr, 0);
    if (units <= 0) return {};
    std::u16string text(static_cast<std::size_t>(units), u'\0');
    ::MultiByteToWideChar(codePage, 0, bytes, n, reinterpret_cast<WCHAR*>(&text[0]), units);
    return text;
}

std::string BytesOf(const std::u16string& text, unsigned codePage) {
    if (text.empty() || text.size() > INT_MAX / 4) return {};
    const auto* wide = reinterpret_cast<const WCHAR*>(text.data());
    const int n = static_cast<int>(text.size());
    const int size = ::WideCharToMultiByte(codePage, 0, wide, n, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, 0, wide, n, &bytes[0], size, nullptr, nullptr);
    return bytes;
}

std::vector<char16_t> SystemLowerCase() {
    std::vector<char16_t> lower(0x10000);
    for (std::size_t i = 0; i < lower.size(); ++i) lower[i] = static_cast<char16_t>(i);
    // Two runs around the surrogates, which are no characters on their own.
    // The lower case of a unit is one unit: the mapping keeps the length.
    const struct {
        std::size_t from, to;
    } runs[] = {{1, 0xD800}, {0xE000, 0x10000}};
    for (const auto& run : runs) {
        const int count = static_cast<int>(run.to - run.from);
        std::vector<WCHAR> in(lower.begin() + run.from, lower.begin() + run.to);
        std::vector<WCHAR> out(in.size());
        if (::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE, in.data(), count, out.data(), count) ==
            count)
            for (int i = 0; i < count; ++i) lower[run.from + i] = out[i];
    }
    return lower;
}
