#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>

#include "linalg/Matrix.h"
#include "tests/linalg/MatrixTestSupport.h"

using linalg::Complex;
using linalg::Matrix;
using namespace linalg::testing;

namespace {

Matrix column(std::initializer_list<Complex> entries) {
    Matrix m(static_cast<int>(entries.size()), 1);
    int r = 0;
    for (Complex e : entries) m(r++, 0) = e;
    return m;
}

Matrix row(std::initializer_list<Complex> entries) {
    Matrix m(1, static_cast<int>(entries.size()));
    int c = 0;
    for (Complex e : entries) m(0, c++) = e;
    return m;
}

Matrix filled(int rows, int cols, Complex value) {
    Matrix m(rows, cols);
    m.fill(value);
    return m;
}

}  // namespace

TEST(MatrixSum, EntryByEntryWithShapeChecks) {
    std::mt19937 generator(1);
    const Matrix a = randomMatrix(3, 2, generator);
    const Matrix b = randomMatrix(3, 2, generator);
    Matrix sum, difference;
    linalg::add(a, &sum, &b);
    linalg::subtract(sum, &difference, &b);
    expectNear(a, difference, 1e-15);
    EXPECT_EQ(a(2, 1) + b(2, 1), sum(2, 1));

    Matrix untouched = filled(3, 2, {7.0, 7.0});
    const Matrix wrongShape(2, 3);
    const Matrix empty;
    EXPECT_EQ("Error - cannot add matrix\n", failureOf([&] { linalg::add(a, &untouched, &wrongShape); }));
    EXPECT_EQ("Error - cannot subtract matrix\n",
              failureOf([&] { linalg::subtract(empty, &untouched, &empty); }));
    EXPECT_EQ("Error - cannot add matrix\n", failureOf([&] { linalg::add(a, &untouched, &empty); }));
    linalg::add(a, nullptr, &b);
    linalg::add(a, &untouched, nullptr);
    expectSame(filled(3, 2, {7.0, 7.0}), untouched);

    Matrix accumulator = a;  // the result may also be an operand
    linalg::add(accumulator, &accumulator, &b);
    expectSame(sum, accumulator);
}

TEST(MatrixProduct, MatchesThePlainFormulaBitForBit) {
    std::mt19937 generator(2);
    const int shapes[][3] = {{1, 1, 1}, {3, 4, 2}, {1, 5, 1}, {6, 1, 4}, {7, 7, 7}, {17, 9, 1}, {33, 70, 9}, {2, 450, 1}};
    for (const auto& s : shapes) {
        const Matrix a = randomMatrix(s[0], s[1], generator);
        const Matrix b = randomMatrix(s[1], s[2], generator);
        Matrix result = filled(s[0], s[2], {3.0, -3.0});  // old entries must not leak into sums
        ASSERT_TRUE(linalg::multiply(a, result, b));
        expectSame(referenceProduct(a, b), result);
    }
}

TEST(MatrixProduct, AlgebraicIdentities) {
    std::mt19937 generator(3);
    const Matrix a = randomMatrix(4, 3, generator);
    const Matrix b = randomMatrix(3, 5, generator);
    const Matrix c = randomMatrix(5, 2, generator);
    expectNear(adjoint(product(a, b)), product(adjoint(b), adjoint(a)), 1e-12);
    expectNear(product(product(a, b), c), product(a, product(b, c)), 1e-12);
    expectSame(a, product(identity(4), a));
    expectSame(a, product(a, identity(3)));
}

TEST(MatrixProduct, MismatchEmptyOperandsAndAliasing) {
    const Matrix a(2, 3), empty;
    Matrix result = filled(2, 2, {1.0, 2.0});
    EXPECT_FALSE(linalg::multiply(a, result, a));
    EXPECT_FALSE(linalg::multiply(Matrix(1, 1), result, empty));
    EXPECT_TRUE(linalg::multiply(empty, result, empty));  // 0 x 0 by 0 x 0: nothing to compute
    expectSame(filled(2, 2, {1.0, 2.0}), result);

    std::mt19937 generator(4);
    const Matrix x = randomMatrix(3, 3, generator), y = randomMatrix(3, 3, generator);
    Matrix left = x, right = y;
    ASSERT_TRUE(linalg::multiply(left, left, y));
    ASSERT_TRUE(linalg::multiply(x, right, right));
    expectSame(referenceProduct(x, y), left);
    expectSame(referenceProduct(x, y), right);
}

TEST(MatrixKronecker, FirstFactorIsMostSignificant) {
    Matrix result;
    const Matrix zeroOne = column({{0, 0}, {1, 0}});
    const Matrix oneZero = column({{1, 0}, {0, 0}});
    linalg::kronecker(zeroOne, &oneZero, &result);
    expectSame(column({{0, 0}, {0, 0}, {1, 0}, {0, 0}}), result);

    // [1 2i] (x) [a; b] = [a 2i*a; b 2i*b]
    const Matrix r = row({{1, 0}, {0, 2}});
    const Matrix c = column({{3, 1}, {-1, 0}});
    linalg::kronecker(r, &c, &result);
    Matrix expected(2, 2);
    expected(0, 0) = {3, 1};
    expected(1, 0) = {-1, 0};
    expected(0, 1) = {-2, 6};
    expected(1, 1) = {0, -2};
    expectSame(expected, result);

    linalg::kronecker(r, nullptr, &result);
    linalg::kronecker(r, &c, nullptr);
    expectSame(expected, result);
    Matrix self = r;  // the result may also be an operand
    linalg::kronecker(self, &c, &self);
    expectSame(expected, self);
}

TEST(MatrixKronecker, MixedProductAndIndexFormula) {
    std::mt19937 generator(5);
    const Matrix a = randomMatrix(2, 3, generator);
    const Matrix b = randomMatrix(4, 2, generator);
    const Matrix c = randomMatrix(3, 2, generator);
    const Matrix d = randomMatrix(2, 3, generator);
    Matrix ab, cd, acbd;
    linalg::kronecker(a, &b, &ab);
    linalg::kronecker(c, &d, &cd);
    const Matrix ac = product(a, c);
    const Matrix bd = product(b, d);
    linalg::kronecker(ac, &bd, &acbd);
    expectNear(acbd, product(ab, cd), 1e-12);

    ASSERT_EQ(8, ab.rows());
    ASSERT_EQ(6, ab.cols());
    for (int k = 0; k < 6; ++k)
        for (int i = 0; i < 8; ++i) EXPECT_EQ(a(i / 4, k / 2) * b(i % 4, k % 2), ab(i, k));
}

TEST(MatrixKronecker, FailuresLeaveTheResultAlone) {
    Matrix result = filled(2, 2, {1, 1});
    const Matrix tall(16384, 1);
    EXPECT_EQ("Matrix too large: 268435456 x 1 entries",
              failureOf([&] { linalg::kronecker(tall, &tall, &result); }));
    const Matrix empty;
    OutputCapture capture;
    EXPECT_EQ("Error 1 in operator()", failureOf([&] { linalg::kronecker(tall, &empty, &result); }));
    EXPECT_EQ("Error 1 in operator()", failureOf([&] { linalg::kronecker(empty, &tall, &result); }));
    expectSame(filled(2, 2, {1, 1}), result);
}

TEST(MatrixDot, NoConjugationAndFailuresInOrder) {
    const Matrix b = column({{0, 1}, {2, 0}});
    EXPECT_EQ((Complex{1, 0}), linalg::dot(row({{0, 1}, {1, 0}}), &b));
    EXPECT_EQ((Complex{1, 0}), linalg::dot(column({{0, 1}, {1, 0}}), &b));

    const Matrix square(2, 2), column4(4, 1), row4(1, 4), column3(3, 1), empty;
    EXPECT_EQ("dot product: B is NULL", failureOf([&] { linalg::dot(square, nullptr); }));
    EXPECT_EQ("Dot product error 1\n", failureOf([&] { linalg::dot(square, &column3); }));
    EXPECT_EQ("Dot product error 2\n", failureOf([&] { linalg::dot(square, &column4); }));
    EXPECT_EQ("Dot product error 3\n", failureOf([&] { linalg::dot(row4, &row4); }));
    EXPECT_EQ("Dot product error 2\n", failureOf([&] { linalg::dot(Matrix(), &empty); }));
}
