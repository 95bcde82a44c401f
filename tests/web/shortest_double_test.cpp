// The web build's stand-in for the floating-point to_chars writes what the standard one writes.
#include <gtest/gtest.h>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include "web/ShortestDouble.h"

namespace {

std::string standard(double value) {
    char text[64];
    return {text, std::to_chars(text, text + sizeof text, value).ptr};
}

std::string standIn(double value) {
    char text[64];
    return {text, flock::web::shortestDouble(text, text + sizeof text, value).ptr};
}

TEST(ShortestDouble, WritesWhatTheStandardWritesPlainOrWithAnExponent) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    for (double value : {30.0, 7.2, 36000.0, 1e22, 0.001, 1e-7, 1e15, 1e16, -0.5, 0.0, -0.0, 5e-324,
                         1.7976931348623157e308, 1.4142135623730951, kInfinity, -kInfinity})
        EXPECT_EQ(standIn(value), standard(value)) << value;
    EXPECT_EQ(standIn(30), "30");  // not 3e+01, which reads back as well
    std::mt19937_64 bits(7);
    for (int i = 0; i < 100000; ++i) {
        const std::uint64_t word = bits();
        double value;
        std::memcpy(&value, &word, sizeof value);
        if (std::isnan(value)) continue;
        ASSERT_EQ(standIn(value), standard(value));
        const double rounded = std::round(value * 1000) / 1000;  // few digits, as settings have them
        ASSERT_EQ(standIn(rounded), standard(rounded));
        const double ratio = static_cast<double>(word % 100000) / static_cast<double>(1 + word % 997);
        ASSERT_EQ(standIn(ratio), standard(ratio));
    }
}

TEST(ShortestDouble, RefusesASpaceTooSmall) {
    char text[3];
    EXPECT_EQ(flock::web::shortestDouble(text, text + sizeof text, 1234.5).ec, std::errc::value_too_large);
    EXPECT_EQ(flock::web::shortestDouble(text, text + sizeof text, 1e22).ec, std::errc::value_too_large);
}

}  // namespace
