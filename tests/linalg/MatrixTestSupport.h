#pragma once
// Helpers shared by the linear-algebra tests.
#include <gtest/gtest.h>
#include <random>
#include "linalg/Matrix.h"
#include "testsupport/StreamCapture.h"
namespace linalg::testing {
inline Matrix randomMatrix(int rows, int cols, std::mt19937& generator) {
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    Matrix m(rows, cols);
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r) m(r, c) = {value(generator), value(generator)};
    return m;
}
inline Matrix identity(int n) {
    Matrix m(n, n);
    m.setIdentity();
    return m;
}
// The library's product and Kronecker product, as values.
inline Matrix product(const Matrix& a, const Matrix& b) {
    Matrix result;
    EXPECT_TRUE(multiply(a, result, b));
    return result;
}
inline Matrix kron(const Matrix& a, const Matrix& b) {
    Matrix result;
    kronecker(a, &b, &result);
    return result;
}
// result(i, k) = sum over ascending j of a(i, j) * b(j, k), through operator().
inline Matrix referenceProduct(const Matrix& a, const Matrix& b) {
    Matrix result(a.rows(), b.cols());
    for (int i = 0; i < a.rows(); ++i)
        for (int k = 0; k < b.cols(); ++k) {
            Complex sum;
            for (int j = 0; j < a.cols(); ++j) sum = sum + a(i, j) * b(j, k);
            result(i, k) = sum;
        }
    return result;
}
// (I_left (x) op (x) I_right) * state, multiplied out in full.
inline Matrix fullProduct(const Matrix& op, int left, int right, const Matrix& state) {
    return referenceProduct(kron(kron(identity(left), op), identity(right)), state);
}
// A tolerance of 0 asks for the same numbers bit for bit.
inline void expectSame(const Matrix& expected, const Matrix& actual, double tolerance = 0.0) {
    ASSERT_EQ(expected.rows(), actual.rows());
    ASSERT_EQ(expected.cols(), actual.cols());
    for (int c = 0; c < expected.cols(); ++c)
        for (int r = 0; r < expected.rows(); ++r)
            for (double Complex::*part : {&Complex::re, &Complex::im})
                EXPECT_NEAR(expected(r, c).*part, actual(r, c).*part, tolerance) << "at " << r << ", " << c;
}
}  // namespace linalg::testing
