#pragma once
// Text to number the way the typed language reads strings: the leading number of
// the text, 0 when there is none. Integers saturate at the 32-bit range instead of
// overflowing, so no text can make a conversion undefined.

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace qlang {

inline std::int32_t textToInteger(const std::string& text) {
    const long long wide = std::strtoll(text.c_str(), nullptr, 10);
    if (wide > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (wide < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(wide);
}

inline double textToDouble(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

}  // namespace qlang
