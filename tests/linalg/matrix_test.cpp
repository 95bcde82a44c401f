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
std::string printed(const Matrix& m, bool all) { std::ostringstream out; m.print(out, all); return out.str(); }
}  // namespace

TEST(Complex, NormAndPower) {
    Complex z{3.0, 4.0}, direct{1.0, 0.0};
    linalg::normSquared(z);
    EXPECT_EQ((Complex{25.0, 0.0}), z);
    const Complex w{0.8, -1.3};
    for (int n = 0; n <= 7; direct = direct * w, ++n) {
        EXPECT_NEAR(direct.re, linalg::power(w, n).re, 1e-9) << n;
        EXPECT_NEAR(direct.im, linalg::power(w, n).im, 1e-9) << n;
    }
    // z^0 is 1 for every z, zero included (the polar form alone would give NaN).
    EXPECT_EQ((Complex{1.0, 0.0}), linalg::power({0.0, 0.0}, 0));
}

TEST(MatrixShape, ResizeIdentityAdjointAndLimits) {
    Matrix m(2, 3), a(5, 5);
    m.setEntry(1, 2, {7.0, 1.0});
    EXPECT_EQ((Complex{7.0, 1.0}), m.data()[1 + 2 * 2]);  // column-major
    m.setIdentity();
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 2; ++r) EXPECT_EQ((Complex{r == c ? 1.0 : 0.0, 0.0}), m(r, c));
    m = numbered(2, 2);
    m.resize(0, 5);
    m.resize(3, -1);
    m.resize(2, 2);
    // Refused requests change nothing. In int arithmetic 65536^2 wraps to 0, 46341^2 below 0.
    EXPECT_EQ("Matrix too large: 65536 x 65536 entries", failureOf([&] { m.resize(65536, 65536); }));
    EXPECT_EQ("Matrix too large: 46341 x 46341 entries", failureOf([&] { m.resize(46341, 46341); }));
    expectSame(numbered(2, 2), m);
    m.resize(3, 1);
    expectSame(Matrix(3, 1), m);
    const Matrix source = numbered(2, 3);
    a.setAdjointOf(source);
    ASSERT_EQ(3, a.rows());
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 2; ++r) EXPECT_EQ(linalg::conj(source(r, c)), a(c, r));
    Matrix self = source;  // must read every entry before overwriting it
    self.setAdjointOf(self);
    expectSame(a, self);
}

TEST(MatrixAccess, OutOfRangeWritesTheErrorLineAndFails) {
    Matrix m(2, 2);
    OutputCapture capture;
    EXPECT_EQ("Error 1 in operator()", failureOf([&] { m(2, 0); }));
    EXPECT_EQ("Error 1 in operator()", failureOf([&] { std::as_const(m)(0, -1); }));
    EXPECT_EQ("Error 1 in operator()", failureOf([] { Matrix()(0, 0); }));
    std::ostringstream at, null;
    at << static_cast<const void*>(m.data());
    null << static_cast<const void*>(nullptr);
    EXPECT_EQ("Error 5 (" + at.str() + ", 2, 2, 0, 2)\nError 5 (" + at.str() + ", 0, 2, -1, 2)\nError 5 (" +
              null.str() + ", 0, 0, 0, 0)\n", capture.text());
}

TEST(MatrixCopy, CopiesOwnTheirStorageAndEmptySourcesFail) {
    const Matrix original = numbered(3, 2), empty;
    Matrix copy(original), sameShape(3, 2), otherShape(1, 1);
    copy(0, 0) = {99.0, 0.0};
    EXPECT_EQ(Complex{}, original(0, 0));
    sameShape = original;
    otherShape = original;
    otherShape = otherShape;
    expectSame(original, sameShape);
    expectSame(original, otherShape);
    // Copied, not moved: only the copy reports the failure.
    EXPECT_EQ("Error 1 in operator=\n", failureOf([&] { otherShape = empty; }));
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
    const std::string cut = printed(numbered(12, 12), false), all = printed(numbered(12, 12), true);
    EXPECT_EQ(11, std::count(cut.begin(), cut.end(), '\n'));
    EXPECT_EQ(100, std::count(cut.begin(), cut.end(), '\t'));
    EXPECT_TRUE(cut.ends_with("\t89 + -9i\t99 + -9i\t\n\n")) << cut;
    EXPECT_EQ(144, std::count(all.begin(), all.end(), '\t'));
}

TEST(MatrixUnitary, WithinTheToleranceOfTheIdentity) {
    const double h = 1.0 / std::sqrt(2.0);
    Matrix m(2, 2), rows(2, 3), columns(3, 2);
    m.fill({h, 0.0});
    m(1, 1) = {-h, 0.0};
    EXPECT_TRUE(m.isUnitary());
    m(0, 1).re += 0.001;
    EXPECT_FALSE(m.isUnitary());
    m = identity(2);
    m.scale({1.00001, 0.0});
    EXPECT_TRUE(m.isUnitary());
    m(1, 0) = {0.0, 0.01};  // the imaginary parts count too
    EXPECT_FALSE(m.isUnitary());
    m(1, 0) = {NAN, 0.0};
    EXPECT_FALSE(m.isUnitary());
    rows.setIdentity();  // only the rows need to be orthonormal
    columns.setIdentity();
    EXPECT_TRUE(rows.isUnitary());
    EXPECT_FALSE(columns.isUnitary());
}
