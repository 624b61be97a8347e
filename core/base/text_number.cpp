#include "core/base/text_number.h"

#include <climits>
#include <cstring>

namespace {
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
}  // namespace

int ParseLeadingInt(const char* text, std::size_t length) {
    if (text == nullptr) return 0;
    std::size_t i = 0;
    while (i < length && text[i] != '\0' && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate as a negative number so INT_MIN fits too.
    long long value = 0;
    const long long floor = static_cast<long long>(INT_MIN);
    while (i < length && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 - (text[i] - '0');
        if (value < floor) value = floor - 1;  // keep it bounded; saturates below
        ++i;
    }
    if (negative) return value < floor ? INT_MIN : static_cast<int>(value);
    if (-value > static_cast<long long>(INT_MAX)) return INT_MAX;
    return static_cast<int>(-value);
}

int ParseLeadingInt(const char* text) {
    return text == nullptr ? 0 : ParseLeadingInt(text, std::strlen(text));
}
