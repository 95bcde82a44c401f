#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "linalg/Failure.h"
#include "linalg/Matrix.h"
#include "tests/linalg/MatrixTestSupport.h"

using linalg::Complex;
using linalg::Matrix;
using namespace linalg::testing;

namespace {

struct Angles {
    std::vector<double> rotation, phase, offPhase;
};

Angles randomAngles(int n, std::mt19937& generator) {
    std::uniform_real_distribution<double> angle(0.0, 3.1415);
    Angles a;
    for (int k = 0; k < n * (n - 1) / 2; ++k) {
        a.rotation.push_back(angle(generator));
        a.phase.push_back(angle(generator));
    }
    for (int k = 0; k < n; ++k) a.offPhase.push_back(angle(generator));
    return a;
}

Matrix built(int n, const Angles& a) {
    Matrix u(n, n);
    linalg::buildUnitary(a.rotation, a.phase, a.offPhase, u);
    return u;
}

// Straight from the definition: every rotation a full n x n matrix, every step a full product.
Matrix referenceUnitary(int n, const Angles& a) {
    Matrix result = identity(n);
    int k = 0;
    for (int j = 1; j < n; ++j) {
        Matrix p = identity(n);
        for (int b = j; b >= 1; --b, ++k) {
            const int l = b - 1;
            const double alpha = a.phase[k], beta = a.rotation[k];
            const double gamma = b == 1 ? a.offPhase[0] : 0.0;
            Matrix g = identity(n);
            g(l, l) = linalg::fromAngle(alpha) * Complex{std::cos(beta), 0.0};
            g(l, j) = linalg::fromAngle(gamma) * Complex{std::sin(beta), 0.0};
            g(j, l) = {-std::cos(gamma) * std::sin(beta), std::sin(gamma) * std::sin(beta)};
            g(j, j) = linalg::fromAngle(-alpha) * Complex{std::cos(beta), 0.0};
            p = referenceProduct(p, g);
        }
        result = referenceProduct(result, p);
    }
    return result;
}

}  // namespace

TEST(BuildUnitary, TwoByTwoClosedForm) {
    const double alpha = 0.7, beta = 1.1, gamma = 2.3;
    const Matrix u = built(2, {{beta}, {alpha}, {gamma, 9.0}});
    Matrix expected(2, 2);
    expected(0, 0) = {std::cos(alpha) * std::cos(beta), std::sin(alpha) * std::cos(beta)};
    expected(0, 1) = {std::cos(gamma) * std::sin(beta), std::sin(gamma) * std::sin(beta)};
    expected(1, 0) = {-std::cos(gamma) * std::sin(beta), std::sin(gamma) * std::sin(beta)};
    expected(1, 1) = {std::cos(alpha) * std::cos(beta), -std::sin(alpha) * std::cos(beta)};
    expectNear(expected, u, 1e-15);
}

TEST(BuildUnitary, UnitaryAndEqualToTheFullProducts) {
    std::mt19937 generator(6);
    for (int n = 1; n <= 9; ++n) {
        const Angles a = randomAngles(n, generator);
        const Matrix u = built(n, a);
        EXPECT_TRUE(u.isUnitary()) << "n = " << n;
        expectNear(identity(n), product(u, adjoint(u)), 1e-12);
        expectSame(referenceUnitary(n, a), u);
    }
}

TEST(BuildUnitary, OnlyTheAnglesItNeedsCount) {
    std::mt19937 generator(7);
    const Angles a = randomAngles(5, generator);
    Angles extra = a;
    for (std::size_t k = 1; k < extra.offPhase.size(); ++k) extra.offPhase[k] += 1.0;
    extra.rotation.push_back(0.5);
    extra.phase.push_back(0.5);
    expectSame(built(5, a), built(5, extra));

    Angles changed = a;  // the first off-phase is used by every block
    changed.offPhase[0] += 0.25;
    EXPECT_NE(built(5, a)(0, 4), built(5, changed)(0, 4));
}

TEST(BuildUnitary, OverwritesTheResultAndRefusesShortArrays) {
    Matrix u(3, 3);
    u.fill({5.0, 5.0});
    linalg::buildUnitary({0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, {0.0}, u);
    expectSame(identity(3), u);

    u.fill({5.0, 5.0});
    const Matrix before = u;
    EXPECT_THROW(linalg::buildUnitary({0.1, 0.2}, {0.1, 0.2, 0.3}, {0.0}, u), tala::Failure);
    EXPECT_THROW(linalg::buildUnitary({0.1, 0.2, 0.3}, {0.1, 0.2, 0.3}, {}, u), tala::Failure);
    expectSame(before, u);

    Matrix one(1, 1);  // n = 1 needs no angles at all
    linalg::buildUnitary({}, {}, {}, one);
    expectSame(identity(1), one);
}
