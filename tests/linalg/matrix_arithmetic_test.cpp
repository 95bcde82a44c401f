// Sums, Kronecker and dot products: their numbers, results that are also operands, and
// refusals that leave the result as it was.
#include <gtest/gtest.h>
#include <random>
#include "linalg/Kernels.h"
#include "linalg/Matrix.h"
#include "tests/linalg/MatrixTestSupport.h"
using linalg::Complex;
using linalg::Matrix;
using namespace linalg::testing;

TEST(MatrixSum, EntryByEntryWithShapeChecks) {
    std::mt19937 generator(1);
    const Matrix a = randomMatrix(3, 2, generator), b = randomMatrix(3, 2, generator), wrongShape(2, 3), empty;
    Matrix sum, difference, untouched(3, 2), sevens(3, 2);
    linalg::add(a, &sum, &b);
    linalg::subtract(sum, &difference, &b);
    expectSame(a, difference, 1e-15);
    EXPECT_EQ(a(2, 1) + b(2, 1), sum(2, 1));
    untouched.fill({7.0, 7.0});
    sevens.fill({7.0, 7.0});
    EXPECT_EQ("Error - cannot add matrix\n", failureOf([&] { linalg::add(a, &untouched, &wrongShape); }));
    EXPECT_EQ("Error - cannot add matrix\n", failureOf([&] { linalg::add(a, &untouched, &empty); }));
    EXPECT_EQ("Error - cannot subtract matrix\n", failureOf([&] { linalg::subtract(empty, &untouched, &empty); }));
    linalg::add(a, nullptr, &b);
    linalg::add(a, &untouched, nullptr);
    expectSame(sevens, untouched);
}

TEST(MatrixKronecker, IndexFormulaWithTheFirstFactorMostSignificant) {
    std::mt19937 generator(5);
    const Matrix a = randomMatrix(2, 3, generator), b = randomMatrix(4, 2, generator);
    Matrix result, self = a;  // the result may also be an operand
    linalg::kronecker(a, &b, &result);
    ASSERT_EQ(8, result.rows());
    ASSERT_EQ(6, result.cols());
    for (int k = 0; k < 6; ++k)
        for (int i = 0; i < 8; ++i) EXPECT_EQ(a(i / 4, k / 2) * b(i % 4, k % 2), result(i, k));
    linalg::kronecker(self, &b, &self);
    expectSame(result, self);
    // Null operands and oversized products leave the result alone.
    const Matrix before = result, tall(16384, 1);
    linalg::kronecker(a, nullptr, &result);
    EXPECT_EQ("Matrix too large: 268435456 x 1 entries", failureOf([&] { linalg::kronecker(tall, &tall, &result); }));
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
