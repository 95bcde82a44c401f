#include "linalg/Matrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <utility>

#include "linalg/Failure.h"
#include "tests/linalg/MatrixTestSupport.h"

using linalg::Complex;
using linalg::Matrix;
using namespace linalg::testing;

namespace {

Matrix numbered(int rows, int cols) {
    Matrix m(rows, cols);
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r) m(r, c) = {double(r + 10 * c), double(-r)};
    return m;
}

std::string failureOf(auto&& action) {
    try {
        action();
    } catch (const tala::Failure& failure) {
        return failure.what();
    }
    return "(no failure)";
}

std::string printed(const Matrix& m, bool all) {
    std::ostringstream out;
    m.print(out, all);
    return out.str();
}

}  // namespace

TEST(MatrixShape, ConstructionAndColumnMajorStorage) {
    const Matrix empty;
    EXPECT_FALSE(empty.hasStorage());
    EXPECT_EQ(0, empty.rows() + empty.cols() + empty.entryCount());
    EXPECT_FALSE(Matrix(0, 3).hasStorage());
    EXPECT_FALSE(Matrix(-2, 3).hasStorage());

    Matrix m(2, 3);
    EXPECT_EQ(6, m.entryCount());
    for (int n = 0; n < 6; ++n) EXPECT_EQ(Complex{}, m.data()[n]);
    m.setEntry(1, 2, {7.0, 1.0});
    EXPECT_EQ((Complex{7.0, 1.0}), m.data()[1 + 2 * 2]);
}

TEST(MatrixShape, ResizeKeepsOrReplaces) {
    Matrix m = numbered(2, 2);
    m.resize(0, 5);
    m.resize(3, -1);
    expectSame(numbered(2, 2), m);
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
    EXPECT_EQ("Matrix too large: 2 x 1073741824 entries", failureOf([] { Matrix(2, 1 << 30); }));
}

TEST(MatrixShape, IdentityFillAndScale) {
    Matrix column(3, 1);
    column.fill({4.0, 4.0});
    column.setIdentity();
    EXPECT_EQ((Complex{1.0, 0.0}), column(0, 0));
    EXPECT_EQ(Complex{}, column(1, 0));
    EXPECT_EQ(Complex{}, column(2, 0));

    Matrix wide(2, 3);
    wide.setIdentity();
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 2; ++r) EXPECT_EQ(r == c ? 1.0 : 0.0, wide(r, c).re);

    Matrix m = numbered(2, 2);
    m.scale({0.0, 1.0});
    EXPECT_EQ((Complex{1.0, 11.0}), m(1, 1));  // i * (11 - i)
    m.setZero();
    expectSame(Matrix(2, 2), m);

    Matrix empty;  // all of these leave a matrix without storage alone
    empty.fill({1.0, 1.0});
    empty.scale({2.0, 0.0});
    empty.setIdentity();
    empty.setZero();
    EXPECT_FALSE(empty.hasStorage());
}

TEST(MatrixShape, AdjointConjugatesAndTransposes) {
    const Matrix m = numbered(2, 3);
    Matrix a(5, 5);
    a.setAdjointOf(m);
    ASSERT_EQ(3, a.rows());
    ASSERT_EQ(2, a.cols());
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 2; ++r) EXPECT_EQ(linalg::conj(m(r, c)), a(c, r));

    Matrix square = numbered(3, 3);
    square.setAdjointOf(square);
    expectSame(adjoint(numbered(3, 3)), square);

    a.setAdjointOf(Matrix());
    EXPECT_EQ(3, a.rows());
}

TEST(MatrixAccess, OutOfRangeWritesTheErrorLineAndFails) {
    Matrix m(2, 2);
    CoutCapture capture;
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

TEST(MatrixCopy, CopiesOwnTheirStorage) {
    const Matrix original = numbered(3, 2);
    Matrix copy(original);
    EXPECT_NE(original.data(), copy.data());
    copy(0, 0) = {99.0, 0.0};
    EXPECT_EQ(Complex{}, original(0, 0));
    EXPECT_FALSE(Matrix(Matrix()).hasStorage());

    Matrix sameShape = numbered(3, 2);
    sameShape.fill({5.0, 5.0});
    sameShape = original;
    expectSame(original, sameShape);

    Matrix otherShape(1, 1);
    otherShape = original;
    expectSame(original, otherShape);
    otherShape = otherShape;
    expectSame(original, otherShape);
}

TEST(MatrixCopy, AssigningAMatrixWithoutStorageFails) {
    const Matrix empty;
    Matrix target = numbered(2, 2);
    EXPECT_EQ("Error 1 in operator=\n", failureOf([&] { target = empty; }));
    EXPECT_FALSE(target.hasStorage());
    CoutCapture capture;
    EXPECT_EQ("Error 1 in operator()", failureOf([&] { target(0, 0); }));
}

TEST(MatrixPrint, EntriesWithSixSignificantDigits) {
    Matrix m(2, 2);
    m(0, 0) = {1.0, -0.5};
    m(0, 1) = {M_PI, 1e-7};
    m(1, 0) = {-2.0, 0.0};
    m(1, 1) = {123456789.0, 0.25};
    EXPECT_EQ("1 + -0.5i\t3.14159 + 1e-07i\t\n-2 + 0i\t1.23457e+08 + 0.25i\t\n\n", printed(m, false));
    EXPECT_EQ("", printed(Matrix(), true));
}

TEST(MatrixPrint, CutAtTenRowsAndColumnsUnlessAll) {
    const Matrix m = numbered(12, 12);
    std::string row0;
    for (int c = 0; c < 10; ++c) row0 += std::to_string(10 * c) + " + 0i\t";
    const std::string cut = printed(m, false);
    EXPECT_EQ(row0 + "\n", cut.substr(0, row0.size() + 1));
    EXPECT_EQ(11, std::count(cut.begin(), cut.end(), '\n'));
    EXPECT_EQ(100, std::count(cut.begin(), cut.end(), '\t'));
    EXPECT_EQ("\n\n", cut.substr(cut.size() - 2));
    EXPECT_EQ(std::string::npos, cut.find("100 + "));  // column 10 is cut

    const std::string all = printed(m, true);
    EXPECT_EQ(13, std::count(all.begin(), all.end(), '\n'));
    EXPECT_EQ(144, std::count(all.begin(), all.end(), '\t'));
    EXPECT_NE(std::string::npos, all.find("111 + -11i\t121 + -11i\t\n\n"));
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

    Matrix phase = identity(3);
    phase(2, 2) = linalg::fromAngle(1.2);
    EXPECT_TRUE(phase.isUnitary());
    phase(1, 0) = {0.0, 0.01};
    EXPECT_FALSE(phase.isUnitary());

    Matrix rows(2, 3);  // orthonormal rows, not square
    rows.setIdentity();
    EXPECT_TRUE(rows.isUnitary());
    Matrix columns(3, 2);
    columns.setIdentity();
    EXPECT_FALSE(columns.isUnitary());

    Matrix broken = identity(2);
    broken(0, 0) = {NAN, 0.0};
    EXPECT_FALSE(broken.isUnitary());
}
