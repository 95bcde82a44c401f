#pragma once
// The shortest text that reads back as the same double, as std::to_chars writes it: the
// fewest significant digits that read back, then plain or exponent notation, whichever
// is shorter (plain on a tie). For C++ libraries without a floating-point to_chars.

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace flock::web {

inline std::to_chars_result shortestDouble(char* first, char* last, double value) {
    char text[40], plain[400];
    int length = 0, digits = 1;
    for (; digits <= 17; ++digits) {
        length = std::snprintf(text, sizeof text, "%.*e", digits - 1, value);
        if (std::strtod(text, nullptr) == value || value != value) break;
    }
    if (value == value && value - value == 0) {
        const char* mark = std::strchr(text, 'e');
        const int exponent = mark ? std::atoi(mark + 1) : 0;
        const int decimals = digits - 1 - exponent > 0 ? digits - 1 - exponent : 0;
        const int plainLength = std::snprintf(plain, sizeof plain, "%.*f", decimals, value);
        if (plainLength > 0 && plainLength <= length && plainLength < static_cast<int>(sizeof plain)) {
            if (plainLength > last - first) return {last, std::errc::value_too_large};
            std::memcpy(first, plain, static_cast<std::size_t>(plainLength));
            return {first + plainLength, std::errc()};
        }
    }
    if (length < 0 || length > last - first) return {last, std::errc::value_too_large};
    std::memcpy(first, text, static_cast<std::size_t>(length));
    return {first + length, std::errc()};
}

}  // namespace flock::web
