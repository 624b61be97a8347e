// Text in UTF-16 for matching it by the system's rules: a code page's bytes
// converted whole (MultiByteToWideChar, so a double-byte character stays one
// character), and the system's lower case of every UTF-16 unit.
#pragma once

#include <string>
#include <vector>

// `length` bytes in `codePage` (CP_ACP for the memo files) as UTF-16.
std::u16string Utf16Of(const char* bytes, std::size_t length, unsigned codePage);
// UTF-16 in `codePage`; characters it lacks as the system's default one.
std::string BytesOf(const std::u16string& text, unsigned codePage);

// The user's locale's lower case of each of the 65536 UTF-16 units
// (LCMapStringW; surrogates and units without a lower case as they are).
std::vector<char16_t> SystemLowerCase();
