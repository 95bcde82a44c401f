// The indexed state routes against the literal ones they replace: basis columns
// built by Kronecker products and dotted with the state, and lifted operators
// multiplied out in full. Random systems and states must give identical numbers
// and identical failures.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "support/Failure.h"
#include "linalg/Matrix.h"
#include "qlang/StateIndexing.h"
#include "tests/linalg/MatrixTestSupport.h"

namespace {

using linalg::Complex;
using linalg::Matrix;
using qlang::SystemDims;
using namespace linalg::testing;

SystemDims randomSystem(std::mt19937& generator) {
    std::uniform_int_distribution<int> count(1, 4);
    std::uniform_int_distribution<int> dimension(1, 4);
    SystemDims dims(count(generator));
    for (auto& d : dims) d = dimension(generator);
    return dims;
}

int length(const SystemDims& dims) {
    int n = 1;
    for (int d : dims) n *= d;
    return n;
}

// --- The literal routes -------------------------------------------------------

// e(o0) (x) e(o1) (x) ..., built left to right from the 1 x 1 matrix (1).
Matrix basisColumn(const SystemDims& dims, const std::vector<int>& digits) {
    Matrix column = identity(1);
    for (std::size_t k = 0; k < dims.size(); ++k) {
        Matrix unit(dims[k], 1);
        unit(digits[k], 0) = {1.0, 0.0};
        Matrix next;
        linalg::kronecker(column, &unit, &next);
        column = next;
    }
    return column;
}

// Visits the basis states with digit `subsystem` = outcome: the other digits
// count as an odometer, the lowest-numbered subsystem fastest.
template <typename Visit>
void odometer(const SystemDims& dims, int subsystem, int outcome, Visit visit) {
    std::vector<int> digits(dims.size(), 0);
    digits[subsystem] = outcome;
    int states = 1;
    for (std::size_t k = 0; k < dims.size(); ++k)
        if (static_cast<int>(k) != subsystem) states *= dims[k];
    for (int s = 0; s < states; ++s) {
        visit(digits);
        for (std::size_t k = 0; k < dims.size(); ++k) {
            if (static_cast<int>(k) == subsystem) continue;
            if (++digits[k] < dims[k]) break;
            digits[k] = 0;
        }
    }
}

std::vector<double> literalProbabilities(const Matrix& state, const SystemDims& dims, int subsystem) {
    std::vector<double> p;
    for (int v = 0; v < dims[subsystem]; ++v) {
        double sum = 0.0;
        odometer(dims, subsystem, v, [&](const std::vector<int>& digits) {
            const Matrix e = basisColumn(dims, digits);
            Complex a = linalg::dot(e, &state);
            linalg::normSquared(a);
            sum += a.re;
        });
        p.push_back(sum);
    }
    return p;
}

Matrix literalCollapse(const Matrix& state, const SystemDims& dims, int subsystem, int outcome,
                       double norm) {
    Matrix phi(state.rows(), 1);
    odometer(dims, subsystem, outcome, [&](const std::vector<int>& digits) {
        Matrix e = basisColumn(dims, digits);
        const Complex a = linalg::dot(e, &state);
        e.scale({a.re / norm, a.im / norm});
        Matrix sum;
        linalg::add(phi, &sum, &e);
        phi = sum;
    });
    return phi;
}

Matrix liftedOperator(const Matrix& op, const SystemDims& dims, int index) {
    Matrix lifted = identity(1);
    for (std::size_t k = 0; k < dims.size(); ++k) {
        const Matrix factor = static_cast<int>(k) == index ? op : identity(dims[k]);
        Matrix next;
        linalg::kronecker(lifted, &factor, &next);
        lifted = next;
    }
    return lifted;
}

// --- Probabilities and collapse -----------------------------------------------

TEST(StateIndexing, ProbabilitiesAndCollapseEqualTheDotProductRoute) {
    std::mt19937 generator(7);
    for (int trial = 0; trial < 60; ++trial) {
        const SystemDims dims = randomSystem(generator);
        const Matrix state = randomMatrix(length(dims), 1, generator);
        for (int subsystem = 0; subsystem < static_cast<int>(dims.size()); ++subsystem) {
            const std::vector<double> expected = literalProbabilities(state, dims, subsystem);
            ASSERT_EQ(expected, qlang::outcomeProbabilities(state, dims, subsystem));
            for (int v = 0; v < dims[subsystem]; ++v) {
                const double norm = std::sqrt(expected[v]);
                expectSame(literalCollapse(state, dims, subsystem, v, norm),
                                qlang::collapse(state, dims, subsystem, v, norm));
            }
        }
    }
}

TEST(StateIndexing, WrongStatesFailAsTheDotProductDoes) {
    const SystemDims dims = {2, 2};
    const Matrix e = basisColumn(dims, {0, 0});
    const Matrix shortState(3, 1);
    const Matrix wideState(2, 2);
    const Matrix rowState(1, 4);
    for (const Matrix* state : {&shortState, &wideState, &rowState}) {
        const std::string expected = failureOf([&] { linalg::dot(e, state); });
        EXPECT_EQ(expected, failureOf([&] { qlang::outcomeProbabilities(*state, dims, 0); }));
        EXPECT_EQ(expected, failureOf([&] { qlang::collapse(*state, dims, 1, 0, 1.0); }));
    }
    EXPECT_EQ("Dot product error 1\n", failureOf([&] { linalg::dot(e, &shortState); }));
    EXPECT_EQ("Dot product error 3\n", failureOf([&] { linalg::dot(e, &wideState); }));
}

TEST(StateIndexing, HugeAndDegenerateSystemsNeitherAllocateNorOverflow) {
    const Matrix state(4, 1);
    const SystemDims huge = {100000, 100000, 100000};
    EXPECT_EQ("Dot product error 1\n", failureOf([&] { qlang::outcomeProbabilities(state, huge, 1); }));
    EXPECT_EQ("Dot product error 1\n",
              failureOf([&] { qlang::outcomeProbabilities(state, {2147483647}, 0); }));
    // A dimension below 1 leaves no basis state: nothing is read, every p is 0.
    EXPECT_EQ(qlang::outcomeProbabilities(state, {3, 0}, 0), (std::vector<double>{0, 0, 0}));
    EXPECT_TRUE(qlang::outcomeProbabilities(state, {-2, 2}, 0).empty());
    EXPECT_EQ(qlang::systemLength({-2, -3}), 0);
    Matrix out;
    EXPECT_FALSE(qlang::applyOnSubsystem(identity(2), huge, 0, state, out));
}

// --- Sampling -----------------------------------------------------------------

TEST(StateIndexing, CumulativePercentsSkipImpossibleOutcomes) {
    const std::vector<double> percents = qlang::cumulativePercents({0.25, 0.0, 0.5, 0.05});
    EXPECT_EQ(percents, (std::vector<double>{25.0, -1.0, 75.0, 80.0}));
    EXPECT_EQ(qlang::pickOutcome(percents, 0.0), 0);
    EXPECT_EQ(qlang::pickOutcome(percents, 25.0), 2);
    EXPECT_EQ(qlang::pickOutcome(percents, 79.99), 3);
    // The 20% nobody owns falls to the last possible outcome.
    EXPECT_EQ(qlang::pickOutcome(percents, 80.0), 3);
    EXPECT_EQ(qlang::pickOutcome(qlang::cumulativePercents({0.5, 0.3, 0.0}), 99.0), 1);
    EXPECT_EQ(qlang::pickOutcome(qlang::cumulativePercents({0.0, 0.0}), 0.0), -1);
    EXPECT_EQ(qlang::pickOutcome({}, 0.0), -1);
}

// --- Applying an operator to one subsystem ----------------------------------------

TEST(StateIndexing, ApplyEqualsTheLiftedProduct) {
    std::mt19937 generator(3);
    for (int trial = 0; trial < 40; ++trial) {
        const SystemDims dims = randomSystem(generator);
        const int count = static_cast<int>(dims.size());
        const Matrix state = randomMatrix(length(dims), 1, generator);
        // Every subsystem, and indices outside the system, which lift nothing.
        for (int index = -1; index <= count; ++index) {
            const int n = index >= 0 && index < count ? dims[index] : 2;
            const Matrix op = randomMatrix(n, n, generator);
            Matrix expected;
            ASSERT_TRUE(linalg::multiply(liftedOperator(op, dims, index), expected, state));
            Matrix actual;
            ASSERT_TRUE(qlang::applyOnSubsystem(op, dims, index, state, actual));
            expectSame(expected, actual);
        }
    }
}

}  // namespace
