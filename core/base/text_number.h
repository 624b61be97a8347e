// Text-to-number conversion without undefined behaviour.
#pragma once

#include <cstddef>

// Reads an integer the way the C library's atoi family reads one: leading
// white space is skipped, an optional sign taken, then decimal digits up to
// the first other character. No digits gives 0. Unlike atoi, a value out of
// the 32-bit range saturates at INT_MIN / INT_MAX instead of overflowing.
// Reads at most `length` bytes and stops at a zero byte.
int ParseLeadingInt(const char* text, std::size_t length);
int ParseLeadingInt(const char* text);
