#include "linalg/Matrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <utility>

#include "tests/linalg/MatrixTestSupport.h"

using linalg::Complex;
using linalg::Matrix;
using namespace linalg::testing;

namespace {

Matrix numbered(int rows, int cols) {  // entry (r, c) is (r + 10c) - ri
    Matrix m(rows, cols);
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r) m(r, c) = {double(r + 10 * c), double(-r)};
    return m;
}

std::string printed(const Matrix& m, bool all) {
    std::ostringstream out;
    m.print(out, all);
    return out.str();
}

}  // namespace

TEST(MatrixShape, ConstructionResizeAndColumnMajorStorage) {
    EXPECT_FALSE(Matrix().hasStorage());
    EXPECT_FALSE(Matrix(0, 3).hasStorage());
    EXPECT_FALSE(Matrix(-2, 3).hasStorage());
    Matrix m(2, 3);
    m.setEntry(1, 2, {7.0, 1.0});
    EXPECT_EQ((Complex{7.0, 1.0}), m.data()[1 + 2 * 2]);

    m = numbered(2, 2);
    m.resize(0, 5);
    m.resize(3, -1);
    m.resize(2, 2);
    expectSame(numbered(2, 2), m);
    m.resize(3, 1);
    expectSame(Matrix(3, 1), m);
}

TEST(MatrixShape, OversizedRequestsFailWithoutChangingTheMatrix) {
    Matrix m = numbered(2, 2);
    EXPECT_EQ("Matrix too large: 16384 x 16384 entries", failureOf([&] { m.resize(16384, 16384); }));
    // 65536 * 65536 wraps to 0 and 46341 * 46341 to a negative number in int arithmetic.
    EXPECT_EQ("Matrix too large: 65536 x 65536 entries", failureOf([&] { m.resize(65536, 65536); }));
    EXPECT_EQ("Matrix too large: 46341 x 46341 entries", failureOf([&] { m.resize(46341, 46341); }));
    expectSame(numbered(2, 2), m);
}

TEST(MatrixShape, IdentityScaleAndAdjoint) {
    Matrix column(3, 1);
    column.fill({4.0, 4.0});
    column.setIdentity();
    EXPECT_EQ((Complex{1.0, 0.0}), column(0, 0));
    EXPECT_EQ(Complex{}, column(1, 0));
    EXPECT_EQ(Complex{}, column(2, 0));
    Matrix wide(2, 3);
    wide.setIdentity();
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 2; ++r) EXPECT_EQ((Complex{r == c ? 1.0 : 0.0, 0.0}), wide(r, c));

    Matrix m = numbered(2, 2);
    m.scale({0.0, 1.0});
    EXPECT_EQ((Complex{1.0, 11.0}), m(1, 1));  // i * (11 - i)

    const Matrix source = numbered(2, 3);
    Matrix a(5, 5);
    a.setAdjointOf(source);
    ASSERT_EQ(3, a.rows());
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 2; ++r) EXPECT_EQ(linalg::conj(source(r, c)), a(c, r));
    a.setAdjointOf(Matrix());
    EXPECT_EQ(3, a.rows());
    Matrix square = numbered(3, 3);
    square.setAdjointOf(square);
    expectSame(adjoint(numbered(3, 3)), square);
}

TEST(MatrixAccess, OutOfRangeWritesTheErrorLineAndFails) {
    Matrix m(2, 2);
    OutputCapture capture;
    EXPECT_EQ("Error 1 in operator()", failureOf([&] { m(2, 0); }));
    EXPECT_EQ("Error 1 in operator()", failureOf([&] { std::as_const(m)(0, -1); }));
    EXPECT_EQ("Error 1 in operator()", failureOf([&] { m.setEntry(1, 2, {}); }));
    EXPECT_EQ("Error 1 in operator()", failureOf([] { Matrix()(0, 0); }));
    const std::string at = pointerText(m.data());
    EXPECT_EQ("Error 5 (" + at + ", 2, 2, 0, 2)\n" + "Error 5 (" + at + ", 0, 2, -1, 2)\n" +
                  "Error 5 (" + at + ", 1, 2, 2, 2)\n" + "Error 5 (" + pointerText(nullptr) +
                  ", 0, 0, 0, 0)\n",
              capture.text());
}

TEST(MatrixCopy, CopiesOwnTheirStorageAndEmptySourcesFail) {
    const Matrix original = numbered(3, 2);
    Matrix copy(original);
    copy(0, 0) = {99.0, 0.0};
    EXPECT_EQ(Complex{}, original(0, 0));
    EXPECT_FALSE(Matrix(Matrix()).hasStorage());

    Matrix sameShape(3, 2), otherShape(1, 1);
    sameShape = original;
    otherShape = original;
    otherShape = otherShape;
    expectSame(original, sameShape);
    expectSame(original, otherShape);

    const Matrix empty;
    EXPECT_EQ("Error 1 in operator=\n", failureOf([&] { otherShape = empty; }));
    EXPECT_FALSE(otherShape.hasStorage());
    OutputCapture capture;
    EXPECT_EQ("Error 1 in operator()", failureOf([&] { otherShape(0, 0); }));
}

TEST(MatrixPrint, SixSignificantDigitsAndTheTenByTenCut) {
    Matrix m(2, 2);
    m(0, 0) = {1.0, -0.5};
    m(0, 1) = {M_PI, 1e-7};
    m(1, 0) = {-2.0, 0.0};
    m(1, 1) = {123456789.0, 0.25};
    EXPECT_EQ("1 + -0.5i\t3.14159 + 1e-07i\t\n-2 + 0i\t1.23457e+08 + 0.25i\t\n\n", printed(m, false));
    EXPECT_EQ("", printed(Matrix(), true));

    const Matrix big = numbered(12, 12);
    std::string row0;
    for (int c = 0; c < 10; ++c) row0 += std::to_string(10 * c) + " + 0i\t";
    const std::string cut = printed(big, false);
    EXPECT_EQ(row0 + "\n", cut.substr(0, row0.size() + 1));
    EXPECT_EQ(11, std::count(cut.begin(), cut.end(), '\n'));
    EXPECT_EQ(100, std::count(cut.begin(), cut.end(), '\t'));
    EXPECT_EQ("9 + -9i\t19 + -9i\t", cut.substr(cut.rfind("\n9 + ") + 1, 17));
    EXPECT_EQ("\n\n", cut.substr(cut.size() - 2));

    const std::string all = printed(big, true);
    EXPECT_EQ(144, std::count(all.begin(), all.end(), '\t'));
    EXPECT_EQ("111 + -11i\t121 + -11i\t\n\n", all.substr(all.size() - 24));
}

TEST(MatrixUnitary, WithinTheToleranceOfTheIdentity) {
    const double h = 1.0 / std::sqrt(2.0);
    Matrix hadamard(2, 2);
    hadamard.fill({h, 0.0});
    hadamard(1, 1) = {-h, 0.0};
    EXPECT_TRUE(hadamard.isUnitary());
    hadamard(0, 1).re += 0.001;
    EXPECT_FALSE(hadamard.isUnitary());

    Matrix scaled = identity(2);
    scaled.scale({1.00001, 0.0});
    EXPECT_TRUE(scaled.isUnitary());
    scaled = identity(2);
    scaled.scale({1.0001, 0.0});  // 1.0001^2 - 1 is just over the tolerance
    EXPECT_FALSE(scaled.isUnitary());
    scaled = identity(2);
    scaled(1, 0) = {0.0, 0.01};
    EXPECT_FALSE(scaled.isUnitary());
    scaled(1, 0) = {NAN, 0.0};
    EXPECT_FALSE(scaled.isUnitary());

    Matrix rows(2, 3), columns(3, 2);  // only the rows need to be orthonormal
    rows.setIdentity();
    columns.setIdentity();
    EXPECT_TRUE(rows.isUnitary());
    EXPECT_FALSE(columns.isUnitary());
}
