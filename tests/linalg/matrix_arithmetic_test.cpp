#include <gtest/gtest.h>

#include <random>

#include "linalg/Kernels.h"
#include "linalg/Matrix.h"
#include "tests/linalg/MatrixTestSupport.h"

using linalg::Complex;
using linalg::Matrix;
using namespace linalg::testing;

namespace {

Matrix filled(int rows, int cols, Complex value) {
    Matrix m(rows, cols);
    m.fill(value);
    return m;
}

}  // namespace

TEST(MatrixSum, EntryByEntryWithShapeChecks) {
    std::mt19937 generator(1);
    const Matrix a = randomMatrix(3, 2, generator), b = randomMatrix(3, 2, generator);
    Matrix sum, difference;
    linalg::add(a, &sum, &b);
    linalg::subtract(sum, &difference, &b);
    expectSame(a, difference, 1e-15);
    EXPECT_EQ(a(2, 1) + b(2, 1), sum(2, 1));

    Matrix untouched = filled(3, 2, {7.0, 7.0});
    const Matrix wrongShape(2, 3), empty;
    EXPECT_EQ("Error - cannot add matrix\n", failureOf([&] { linalg::add(a, &untouched, &wrongShape); }));
    EXPECT_EQ("Error - cannot add matrix\n", failureOf([&] { linalg::add(a, &untouched, &empty); }));
    EXPECT_EQ("Error - cannot subtract matrix\n",
              failureOf([&] { linalg::subtract(empty, &untouched, &empty); }));
    linalg::add(a, nullptr, &b);
    linalg::add(a, &untouched, nullptr);
    expectSame(filled(3, 2, {7.0, 7.0}), untouched);
}

TEST(MatrixProduct, MatchesThePlainFormulaBitForBit) {
    std::mt19937 generator(2);
    const int shapes[][3] = {{1, 1, 1}, {3, 4, 2}, {1, 5, 1},   {6, 1, 4},
                             {7, 7, 7}, {17, 9, 1}, {33, 70, 9}, {2, 450, 1}};
    for (const auto& s : shapes) {
        const Matrix a = randomMatrix(s[0], s[1], generator), b = randomMatrix(s[1], s[2], generator);
        Matrix result = filled(s[0], s[2], {3.0, -3.0});  // old entries must not leak into sums
        ASSERT_TRUE(linalg::multiply(a, result, b));
        expectSame(referenceProduct(a, b), result);
    }
    const Matrix x = randomMatrix(3, 3, generator), y = randomMatrix(3, 3, generator);
    Matrix right = y;  // the result may also be an operand
    ASSERT_TRUE(linalg::multiply(x, right, right));
    expectSame(referenceProduct(x, y), right);

    Matrix untouched = filled(2, 2, {1.0, 2.0});
    EXPECT_FALSE(linalg::multiply(Matrix(2, 3), untouched, Matrix(2, 3)));
    EXPECT_FALSE(linalg::multiply(Matrix(1, 1), untouched, Matrix()));
    expectSame(filled(2, 2, {1.0, 2.0}), untouched);
}

TEST(MatrixKronecker, IndexFormulaWithTheFirstFactorMostSignificant) {
    std::mt19937 generator(5);
    const Matrix a = randomMatrix(2, 3, generator), b = randomMatrix(4, 2, generator);
    Matrix result;
    linalg::kronecker(a, &b, &result);
    ASSERT_EQ(8, result.rows());
    ASSERT_EQ(6, result.cols());
    for (int k = 0; k < 6; ++k)
        for (int i = 0; i < 8; ++i) EXPECT_EQ(a(i / 4, k / 2) * b(i % 4, k % 2), result(i, k));

    Matrix self = a;  // the result may also be an operand
    linalg::kronecker(self, &b, &self);
    expectSame(result, self);

    // Null operands and oversized products leave the result alone.
    const Matrix before = result, tall(16384, 1);
    linalg::kronecker(a, nullptr, &result);
    EXPECT_EQ("Matrix too large: 268435456 x 1 entries",
              failureOf([&] { linalg::kronecker(tall, &tall, &result); }));
    expectSame(before, result);
}

TEST(MatrixDot, NoConjugationAndFailuresInOrder) {
    Matrix row(1, 2), b(2, 1);
    row(0, 0) = b(0, 0) = {0, 1};
    row(0, 1) = {1, 0};
    b(1, 0) = {2, 0};
    EXPECT_EQ((Complex{1, 0}), linalg::dot(row, &b));  // i*i + 1*2: neither side conjugated

    const Matrix square(2, 2), column4(4, 1), row4(1, 4), column3(3, 1), empty;
    EXPECT_EQ("dot product: B is NULL", failureOf([&] { linalg::dot(square, nullptr); }));
    EXPECT_EQ("Dot product error 1\n", failureOf([&] { linalg::dot(square, &column3); }));
    EXPECT_EQ("Dot product error 2\n", failureOf([&] { linalg::dot(square, &column4); }));
    EXPECT_EQ("Dot product error 3\n", failureOf([&] { linalg::dot(row4, &row4); }));
    EXPECT_EQ("Dot product error 2\n", failureOf([&] { linalg::dot(empty, &empty); }));
}

// The fast route must give the numbers of (I_left (x) op (x) I_right) * state bit for bit:
// products with the identity's 1 + 0i are exact and the sums run in the same order.
TEST(ApplyOnFactor, SameNumbersAsTheFullKroneckerProduct) {
    std::mt19937 generator(8);
    std::uniform_int_distribution<int> size(1, 5);
    for (int trial = 0; trial < 30; ++trial) {
        const int n = size(generator), left = size(generator), right = size(generator);
        const Matrix op = randomMatrix(n, n, generator), state = randomMatrix(left * n * right, 1, generator);
        const Matrix expected = fullProduct(op, left, right, state);
        Matrix out(3, 3), inPlace = state, aliased = state;
        linalg::applyOnFactor(op, left, right, state, out);
        linalg::applyOnFactorInPlace(op, left, right, inPlace);
        linalg::applyOnFactor(op, left, right, aliased, aliased);
        expectSame(expected, out);
        expectSame(expected, inPlace);
        expectSame(expected, aliased);
    }
}

TEST(ApplyOnFactor, RefusalsNameTheirReasonAndLeaveEverythingAsItWas) {
    std::mt19937 generator(10);
    const Matrix op = randomMatrix(3, 3, generator), state = randomMatrix(12, 1, generator);
    Matrix out = state;
    EXPECT_THROW(linalg::applyOnFactor(op, 3, 2, state, out), tala::Failure);  // 12 is not 3 * 3 * 2
    EXPECT_THROW(linalg::applyOnFactor(randomMatrix(3, 2, generator), 4, 1, state, out), tala::Failure);
    EXPECT_THROW(linalg::applyOnFactor(op, 1 << 20, 1 << 20, state, out), tala::Failure);
    EXPECT_EQ("applyOnFactor: identity sizes must be at least 1, not 0 and 4",
              failureOf([&] { linalg::applyOnFactor(op, 0, 4, state, out); }));

    // An operator that is also the state or the result would be overwritten while it is read.
    Matrix both = randomMatrix(1, 1, generator), operand = op;
    const Matrix bothBefore = both;
    EXPECT_THROW(linalg::applyOnFactorInPlace(both, 1, 1, both), tala::Failure);
    EXPECT_THROW(linalg::applyOnFactor(both, 1, 1, both, both), tala::Failure);
    EXPECT_THROW(linalg::applyOnFactor(operand, 1, 4, state, operand), tala::Failure);
    expectSame(bothBefore, both);
    expectSame(op, operand);
    expectSame(state, out);
}
