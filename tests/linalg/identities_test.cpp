// Algebraic identities on random complex matrices of random shapes: products,
// adjoints and Kronecker products must agree with one another.

#include <gtest/gtest.h>

#include <random>

#include "linalg/Matrix.h"
#include "tests/linalg/MatrixTestSupport.h"

using linalg::Matrix;
using namespace linalg::testing;

namespace {

constexpr double kRounding = 1e-12;

Matrix adjoint(const Matrix& a) {
    Matrix result;
    result.setAdjointOf(a);
    return result;
}

}  // namespace

TEST(Identities, AdjointOfAProductIsTheReversedProductOfAdjoints) {
    std::mt19937 generator(11);
    std::uniform_int_distribution<int> size(1, 9);
    for (int trial = 0; trial < 40; ++trial) {
        const Matrix a = randomMatrix(size(generator), size(generator), generator);
        const Matrix b = randomMatrix(a.cols(), size(generator), generator);
        expectSame(adjoint(product(a, b)), product(adjoint(b), adjoint(a)), kRounding);
    }
}

TEST(Identities, ProductOfKroneckerProductsIsTheKroneckerProductOfProducts) {
    std::mt19937 generator(12);
    std::uniform_int_distribution<int> size(1, 4);
    for (int trial = 0; trial < 40; ++trial) {
        const Matrix a = randomMatrix(size(generator), size(generator), generator);
        const Matrix b = randomMatrix(size(generator), size(generator), generator);
        const Matrix c = randomMatrix(a.cols(), size(generator), generator);
        const Matrix d = randomMatrix(b.cols(), size(generator), generator);
        // (A (x) B)(C (x) D) = AC (x) BD
        expectSame(product(kron(a, b), kron(c, d)), kron(product(a, c), product(b, d)), kRounding);
    }
}
