// Algebraic identities on random complex matrices of random shapes: products,
// adjoints, Kronecker products and the factor kernel must agree with one another.

#include <gtest/gtest.h>

#include <random>

#include "linalg/Kernels.h"
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

// Operators on two neighbouring factors, applied one after the other by the kernel,
// act as their Kronecker product on the pair, and as the materialised
// I (x) A (x) B (x) I on the whole state.
TEST(Identities, FactorKernelComposesLikeTheMaterialisedProduct) {
    std::mt19937 generator(13);
    std::uniform_int_distribution<int> size(1, 4);
    for (int trial = 0; trial < 30; ++trial) {
        const int left = size(generator), n = size(generator), m = size(generator), right = size(generator);
        const Matrix a = randomMatrix(n, n, generator), b = randomMatrix(m, m, generator);
        const Matrix state = randomMatrix(left * n * m * right, 1, generator);

        Matrix oneByOne = state;
        linalg::applyOnFactorInPlace(a, left, m * right, oneByOne);
        linalg::applyOnFactorInPlace(b, left * n, right, oneByOne);
        Matrix together;
        linalg::applyOnFactor(kron(a, b), left, right, state, together);
        const Matrix materialised = product(kron(kron(identity(left), kron(a, b)), identity(right)), state);

        expectSame(materialised, oneByOne, kRounding);
        expectSame(materialised, together, kRounding);
    }
}
