#include "linalg/Kernels.h"

#include <gtest/gtest.h>

#include <random>

#include "linalg/Failure.h"
#include "tests/linalg/MatrixTestSupport.h"

using linalg::Matrix;
using namespace linalg::testing;

namespace {

// (I_left (x) op (x) I_right) * state, with the full matrix built first.
Matrix throughKronecker(const Matrix& op, int left, int right, const Matrix& state) {
    const Matrix leftIdentity = identity(left);
    const Matrix rightIdentity = identity(right);
    Matrix partial, full;
    linalg::kronecker(leftIdentity, &op, &partial);
    linalg::kronecker(partial, &rightIdentity, &full);
    return product(full, state);
}

}  // namespace

// Products with the identity's 1 + 0i entries are exact and the sums run in the
// same order, so the two routes must agree bit for bit.
TEST(ApplyOnFactor, SameNumbersAsTheFullKroneckerProduct) {
    std::mt19937 generator(8);
    std::uniform_int_distribution<int> size(1, 5);
    for (int trial = 0; trial < 40; ++trial) {
        const int n = size(generator), left = size(generator), right = size(generator);
        const Matrix op = randomMatrix(n, n, generator);
        const Matrix state = randomMatrix(left * n * right, 1, generator);
        const Matrix expected = throughKronecker(op, left, right, state);

        Matrix out(3, 3);
        linalg::applyOnFactor(op, left, right, state, out);
        expectSame(expected, out);

        Matrix inPlace = state;
        linalg::applyOnFactorInPlace(op, left, right, inPlace);
        expectSame(expected, inPlace);

        Matrix aliased = state;
        linalg::applyOnFactor(op, left, right, aliased, aliased);
        expectSame(expected, aliased);
    }
}

TEST(ApplyOnFactor, ShapesThatDoNotFitAreRefused) {
    std::mt19937 generator(9);
    const Matrix op = randomMatrix(3, 3, generator);
    const Matrix state = randomMatrix(12, 1, generator);
    Matrix out = state;
    EXPECT_THROW(linalg::applyOnFactor(op, 3, 2, state, out), tala::Failure);  // 12 is not 3 * 3 * 2
    EXPECT_THROW(linalg::applyOnFactor(op, 0, 4, state, out), tala::Failure);
    EXPECT_THROW(linalg::applyOnFactor(op, 4, -1, state, out), tala::Failure);
    EXPECT_THROW(linalg::applyOnFactor(randomMatrix(3, 2, generator), 4, 1, state, out), tala::Failure);
    EXPECT_THROW(linalg::applyOnFactor(Matrix(), 4, 1, state, out), tala::Failure);
    EXPECT_THROW(linalg::applyOnFactor(op, 2, 1, randomMatrix(6, 2, generator), out), tala::Failure);
    EXPECT_THROW(linalg::applyOnFactorInPlace(op, 1, 1, out), tala::Failure);
    EXPECT_THROW(linalg::applyOnFactor(op, 1 << 20, 1 << 20, state, out), tala::Failure);
    expectSame(state, out);
}
