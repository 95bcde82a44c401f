#include <gtest/gtest.h>
#include <cmath>
#include <random>
#include <string>
#include <vector>
#include "linalg/Matrix.h"
#include "tests/linalg/MatrixTestSupport.h"
using linalg::Matrix;
using namespace linalg::testing;

// Each rotation a full n x n matrix, each step a full product; of offPhase's n entries only the first may count.
TEST(BuildUnitary, UnitaryAndEqualToTheFullProducts) {
    std::mt19937 random(6);
    std::uniform_real_distribution<double> angle(0.0, 3.1415);
    for (int n = 1; n <= 7; ++n) {
        std::vector<double> rotation, phase, offPhase;
        for (int k = 0; k < n * (n - 1) / 2; ++k) rotation.push_back(angle(random)), phase.push_back(angle(random));
        for (int k = 0; k < n; ++k) offPhase.push_back(angle(random));
        Matrix expected = identity(n);
        for (int j = 1, k = 0; j < n; ++j) {
            Matrix p = identity(n);
            for (int b = j; b >= 1; --b, ++k) {
                const int l = b - 1;
                const double alpha = phase[k], beta = rotation[k], gamma = b == 1 ? offPhase[0] : 0.0;
                Matrix g = identity(n);
                g(l, l) = {std::cos(alpha) * std::cos(beta), std::sin(alpha) * std::cos(beta)};
                g(l, j) = {std::cos(gamma) * std::sin(beta), std::sin(gamma) * std::sin(beta)};
                g(j, l) = {-std::cos(gamma) * std::sin(beta), std::sin(gamma) * std::sin(beta)};
                g(j, j) = {std::cos(alpha) * std::cos(beta), -std::sin(alpha) * std::cos(beta)};
                p = referenceProduct(p, g);
            }
            expected = referenceProduct(expected, p);
        }
        Matrix u(n, n);
        u.fill({5.0, 5.0});  // old entries must not survive
        linalg::buildUnitary(rotation, phase, offPhase, u);
        EXPECT_TRUE(u.isUnitary()) << "n = " << n;
        expectSame(expected, u);
    }
}

TEST(BuildUnitary, ShortAngleArraysAreRefusedBeforeAnythingChanges) {
    Matrix u(3, 3), two(2, 2), single(1, 1);  // zeros, which no successful build leaves
    const std::string three = "Not enough angles for a 3 x 3 unitary: 3 rotations, 3 phases and 1 off-phase needed";
    const std::string one = "Not enough angles for a 2 x 2 unitary: 1 rotations, 1 phases and 1 off-phase needed";
    EXPECT_EQ(three, failureOf([&] { linalg::buildUnitary({0.1, 0.2}, {0.1, 0.2, 0.3}, {0.0}, u); }));
    EXPECT_EQ(one, failureOf([&] { linalg::buildUnitary({}, {0.1}, {0.0, 0.0}, two); }));
    EXPECT_EQ(one, failureOf([&] { linalg::buildUnitary({0.1}, {}, {0.0, 0.0}, two); }));
    EXPECT_EQ(one, failureOf([&] { linalg::buildUnitary({0.1}, {0.1}, {}, two); }));
    expectSame(Matrix(3, 3), u);
    expectSame(Matrix(2, 2), two);
    linalg::buildUnitary({}, {}, {}, single);  // n = 1 needs no angles at all
    expectSame(identity(1), single);
}
