// The indexed state routes against lifted operators multiplied out in full, on random systems and states (the
// measurement and huge-matrix scripts show their failures), and the sampling of an outcome.
#include <gtest/gtest.h>
#include <cmath>
#include <random>
#include <utility>
#include <vector>
#include "linalg/Kernels.h"
#include "linalg/Matrix.h"
#include "qlang/StateIndexing.h"
#include "tests/linalg/MatrixTestSupport.h"
namespace {
using linalg::Matrix;
using qlang::SystemDims;
using namespace linalg::testing;
SystemDims randomSystem(std::mt19937& generator) {
    std::uniform_int_distribution<int> count(1, 4), dimension(1, 4);
    SystemDims dims(count(generator));
    for (auto& d : dims) d = dimension(generator);
    return dims;
}
int length(const SystemDims& dims) { int n = 1; for (int d : dims) n *= d; return n; }
Matrix liftedOperator(const Matrix& op, const SystemDims& dims, int index) {
    Matrix lifted = identity(1);
    for (int k = 0; k < static_cast<int>(dims.size()); ++k) lifted = kron(lifted, k == index ? op : identity(dims[k]));
    return lifted;
}

// Every subsystem's outcome probabilities, collapse and an operator applied to it; an index outside the system
// lifts nothing.
TEST(StateIndexing, ProbabilitiesCollapseAndApplyEqualTheLiftedProducts) {
    std::mt19937 generator(7);
    for (int trial = 0; trial < 60; ++trial) {
        const SystemDims dims = randomSystem(generator);
        const int count = static_cast<int>(dims.size());
        const Matrix state = randomMatrix(length(dims), 1, generator);
        for (int index = -1; index <= count; ++index) {
            const int n = index >= 0 && index < count ? dims[index] : 2;
            const Matrix op = randomMatrix(n, n, generator);
            Matrix expected, actual;
            ASSERT_TRUE(linalg::multiply(liftedOperator(op, dims, index), expected, state));
            ASSERT_TRUE(qlang::applyOnSubsystem(op, dims, index, state, actual));
            expectSame(expected, actual);
            if (index < 0 || index == count) continue;
            const std::vector<double> p = qlang::outcomeProbabilities(state, dims, index);
            ASSERT_EQ(p.size(), static_cast<std::size_t>(n));
            for (int v = 0; v < n; ++v) {
                Matrix onto(n, n);  // |v><v|
                onto(v, v) = {1.0, 0.0};
                Matrix projected = product(liftedOperator(onto, dims, index), state);
                double sum = 0.0;
                for (int r = 0; r < projected.rows(); ++r)
                    sum += std::pow(projected(r, 0).re, 2) + std::pow(projected(r, 0).im, 2);
                EXPECT_NEAR(sum, p[v], 1e-12);
                // Bit for bit the sum in the walk's own order, whichever way the rows are found.
                double walked = 0.0;
                for (qlang::OutcomeRows rows(dims, index, v); !rows.done(); rows.next()) {
                    linalg::Complex a = state.data()[rows.row()];
                    linalg::normSquared(a);
                    walked += a.re;
                }
                EXPECT_EQ(walked, p[v]);
                projected.scale({1.0 / std::sqrt(p[v]), 0.0});
                expectSame(projected, qlang::collapse(state, dims, index, v, std::sqrt(p[v])), 1e-12);
            }
        }
    }
}

TEST(StateIndexing, CumulativePercentsSkipImpossibleOutcomes) {
    const std::vector<double> percents = qlang::cumulativePercents({0.25, 0.0, 0.5, 0.05});
    EXPECT_EQ(percents, (std::vector<double>{25.0, -1.0, 75.0, 80.0}));
    // The 20% nobody owns falls to the last possible outcome.
    const std::pair<double, int> picks[] = {{0.0, 0}, {25.0, 2}, {79.99, 3}, {80.0, 3}};
    for (const auto& [draw, outcome] : picks) EXPECT_EQ(qlang::pickOutcome(percents, draw), outcome) << draw;
    EXPECT_EQ(qlang::pickOutcome(qlang::cumulativePercents({0.5, 0.3, 0.0}), 99.0), 1);
    EXPECT_EQ(qlang::pickOutcome(qlang::cumulativePercents({0.0, 0.0}), 0.0), -1);
    EXPECT_EQ(qlang::pickOutcome({}, 0.0), -1);
}
}  // namespace
