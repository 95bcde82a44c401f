#pragma once
// Register sizes come from script integers and multiply quickly; every product
// is checked so that an oversized system is refused instead of wrapping around.

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "support/Failure.h"

namespace vex {

inline constexpr const char* kSizeFailure = "Decision system too large: its register sizes do not fit 32-bit integers.";

inline std::int32_t checkedInt(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max() ||
        value < std::numeric_limits<std::int32_t>::min())
        throw support::Failure(kSizeFailure);
    return static_cast<std::int32_t>(value);
}

inline std::int32_t checkedProduct(std::int64_t a, std::int64_t b) { return checkedInt(a * b); }

inline std::int32_t checkedSum(std::int64_t a, std::int64_t b) { return checkedInt(a + b); }

inline std::int32_t checkedPower(std::int64_t base, int exponent) {
    std::int32_t value = 1;
    for (int i = 0; i < exponent; ++i) value = checkedProduct(value, base);
    return value;
}

// A register size or index as the generated command texts write it.
inline std::string num(std::int64_t value) { return std::to_string(value); }

}  // namespace vex
