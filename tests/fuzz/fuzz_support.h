// Shared by the fuzz targets: reading typed values from the fuzzer's bytes,
// a check that aborts (so libFuzzer keeps the input), and rules that do not
// come from the code under test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(cond)                                                               \
    do {                                                                               \
        if (!(cond)) {                                                                 \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                              \
        }                                                                              \
    } while (0)

// Takes values from the front of the input; runs dry into zeros / "".
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    bool Bool() { return (Byte() & 1) != 0; }
    std::uint32_t U32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
        return v;
    }
    int Int() { return static_cast<int>(U32()); }
    // A length byte, then that many bytes (fewer when the input ends).
    std::string ShortString() { return Take(Byte()); }
    // Everything that is left.
    std::string Rest() { return Take(size_ - pos_); }
    std::string Take(std::size_t n) {
        if (n > size_ - pos_) n = size_ - pos_;
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }
    bool Empty() const { return pos_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Lead bytes of a double-byte code page (the range GBK and Big5 use).
inline bool FuzzLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// True when `out` is `in` with nothing but spaces inserted.
inline bool OnlySpacesAdded(const std::string& in, const std::string& out) {
    std::size_t i = 0;
    for (char c : out) {
        if (i < in.size() && c == in[i])
            ++i;
        else if (c != ' ')
            return false;
    }
    return i == in.size();
}

// Days since 1970-01-01 of a proleptic Gregorian date (any year): counted
// from 400-year eras, independent of the product's month tables.
inline long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

// Length of a month by the day count between its first day and the next's.
inline int CivilMonthLength(long long y, int m) {
    const long long next = m == 12 ? DaysFromCivil(y + 1, 1, 1) : DaysFromCivil(y, m + 1, 1);
    return static_cast<int>(next - DaysFromCivil(y, static_cast<unsigned>(m), 1));
}

// 0 = Sunday .. 6 = Saturday (1970-01-01 was a Thursday).
inline int CivilWeekday(long long y, int m, int d) {
    const long long days = DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d));
    return static_cast<int>(((days + 4) % 7 + 7) % 7);
}
