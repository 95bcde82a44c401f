#include "linalg/Complex.h"

#include <gtest/gtest.h>

#include <cmath>

using linalg::Complex;

TEST(Complex, ProductNormAndAngle) {
    EXPECT_EQ((Complex{-5.0, 10.0}), linalg::multiply({1.0, 2.0}, {3.0, 4.0}));
    Complex z{3.0, 4.0};
    linalg::normSquared(z);
    EXPECT_EQ((Complex{25.0, 0.0}), z);
    EXPECT_FALSE(std::signbit(z.im));

    EXPECT_EQ((Complex{1.0, 0.0}), linalg::fromAngle(0.0));
    const Complex w = linalg::fromAngle(-2.5);
    EXPECT_NEAR(1.0, w.re * w.re + w.im * w.im, 1e-15);
    EXPECT_LT(w.im, 0.0);
}

TEST(Complex, PowerByThePolarForm) {
    const Complex eight = linalg::power({2.0, 0.0}, 3);
    EXPECT_NEAR(8.0, eight.re, 1e-12);
    EXPECT_NEAR(0.0, eight.im, 1e-12);

    const Complex z{0.6, -1.3};
    const Complex cube = linalg::power(z, 3), direct = z * z * z;
    EXPECT_NEAR(direct.re, cube.re, 1e-12);
    EXPECT_NEAR(direct.im, cube.im, 1e-12);
    const Complex back = linalg::power(z, -1) * z;
    EXPECT_NEAR(1.0, back.re, 1e-12);
    EXPECT_NEAR(0.0, back.im, 1e-12);

    // z^0 is 1 for every z, zero included (the polar form alone would give NaN).
    EXPECT_EQ((Complex{1.0, 0.0}), linalg::power({0.0, 0.0}, 0));
    EXPECT_EQ(0.0, linalg::power({0.0, 0.0}, 2).re);
}
