// Small value types shared by the pure logic. No platform headers here:
// window code converts these to COLORREF, SYSTEMTIME and friends at the edge.
#pragma once

#include <cstddef>
#include <cstdint>

// The longest path the platform's wide-character file calls take (in their
// "\\?\" form), terminator included: programs and memos may lie that deep.
constexpr std::size_t kLongestPath = 32768;

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    constexpr Rgb() = default;
    constexpr Rgb(int red, int green, int blue)
        : r(static_cast<std::uint8_t>(red)), g(static_cast<std::uint8_t>(green)),
          b(static_cast<std::uint8_t>(blue)) {}

    // 32-bit colour reference layout: red in the low byte.
    constexpr std::uint32_t ToColorRef() const {
        return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
               (static_cast<std::uint32_t>(b) << 16);
    }
    static constexpr Rgb FromColorRef(std::uint32_t c) {
        return Rgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                   static_cast<int>((c >> 16) & 0xFF));
    }
    constexpr bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    constexpr bool operator!=(const Rgb& o) const { return !(*this == o); }
};

struct Date {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    constexpr bool operator==(const Date& o) const {
        return year == o.year && month == o.month && day == o.day;
    }
    constexpr bool operator!=(const Date& o) const { return !(*this == o); }
};

struct TimeOfDay {
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
};

struct LocalDateTime {
    Date date;
    TimeOfDay time;
};
