// ParseLeadingInt against the C library's strtoll, clamped to 32 bits: the
// same reading (white space, sign, decimal digits), saturating, never wrapping.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/base/text_number.h"
#include "tests/fuzz/fuzz_support.h"

namespace {
int Reference(const std::string& text) {
    // c_str() ends at the first zero byte, as the parser does.
    errno = 0;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v < INT_MIN) return INT_MIN;
    if (v > INT_MAX) return INT_MAX;
    return static_cast<int>(v);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // The bounded reading touches only `size` bytes: the sanitizer sees an
    // exact-size heap copy with no terminator.
    char* exact = static_cast<char*>(std::malloc(size == 0 ? 1 : size));
    if (size != 0) std::memcpy(exact, data, size);
    const int bounded = ParseLeadingInt(exact, size);
    std::free(exact);
    FUZZ_CHECK(bounded == Reference(text));
    FUZZ_CHECK(ParseLeadingInt(text.c_str()) == bounded);
    // Any shorter length reads as that prefix.
    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    FUZZ_CHECK(ParseLeadingInt(text.data(), cut) == Reference(text.substr(0, cut)));
    return 0;
}
