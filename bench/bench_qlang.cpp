// Outcome distributions and operator application on a 450-long state of the
// system [2, 3, 3, 5, 5]: the indexed routes against the literal ones, which
// build a basis column by Kronecker products and dot it with the state for every
// basis state, and multiply out the lifted operator in full.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "linalg/Matrix.h"
#include "qlang/StateIndexing.h"
#include "bench/BenchSupport.h"

namespace {

using bench::randomMatrix;

using linalg::Complex;
using linalg::Matrix;
using qlang::SystemDims;

const SystemDims kDims = {2, 3, 3, 5, 5};
constexpr int kLength = 450;
constexpr int kMeasured = 3;  // a five-level subsystem
constexpr int kActedOn = 3;


Matrix identity(int n) {
    Matrix m(n, n);
    m.setIdentity();
    return m;
}

Matrix basisColumn(const std::vector<int>& digits) {
    Matrix column = identity(1);
    for (std::size_t k = 0; k < kDims.size(); ++k) {
        Matrix unit(kDims[k], 1);
        unit(digits[k], 0) = {1.0, 0.0};
        Matrix next;
        linalg::kronecker(column, &unit, &next);
        column = next;
    }
    return column;
}

// p(v) by the literal route: odometer over the other digits, a basis column and
// a full-length dot product per basis state.
std::vector<double> literalDistribution(const Matrix& state, int subsystem) {
    std::vector<double> p;
    int states = 1;
    for (std::size_t k = 0; k < kDims.size(); ++k)
        if (static_cast<int>(k) != subsystem) states *= kDims[k];
    for (int v = 0; v < kDims[subsystem]; ++v) {
        std::vector<int> digits(kDims.size(), 0);
        digits[subsystem] = v;
        double sum = 0.0;
        for (int s = 0; s < states; ++s) {
            Complex a = linalg::dot(basisColumn(digits), &state);
            linalg::normSquared(a);
            sum += a.re;
            for (std::size_t k = 0; k < kDims.size(); ++k) {
                if (static_cast<int>(k) == subsystem) continue;
                if (++digits[k] < kDims[k]) break;
                digits[k] = 0;
            }
        }
        p.push_back(sum);
    }
    return p;
}

Matrix literalApply(const Matrix& op, int index, const Matrix& state) {
    Matrix lifted = identity(1);
    for (std::size_t k = 0; k < kDims.size(); ++k) {
        const Matrix factor = static_cast<int>(k) == index ? op : identity(kDims[k]);
        Matrix next;
        linalg::kronecker(lifted, &factor, &next);
        lifted = next;
    }
    Matrix out;
    linalg::multiply(lifted, out, state);
    return out;
}

void BM_MeasureDistribution(benchmark::State& state) {
    const Matrix psi = randomMatrix(kLength, 1, 1);
    for (auto _ : state) benchmark::DoNotOptimize(qlang::outcomeProbabilities(psi, kDims, kMeasured));
}
BENCHMARK(BM_MeasureDistribution);

void BM_MeasureDistribution_Baseline(benchmark::State& state) {
    const Matrix psi = randomMatrix(kLength, 1, 1);
    for (auto _ : state) benchmark::DoNotOptimize(literalDistribution(psi, kMeasured));
}
BENCHMARK(BM_MeasureDistribution_Baseline);

void BM_ApplyOp(benchmark::State& state) {
    const Matrix psi = randomMatrix(kLength, 1, 2);
    const Matrix op = randomMatrix(kDims[kActedOn], kDims[kActedOn], 3);
    Matrix out;
    for (auto _ : state) {
        qlang::applyOnSubsystem(op, kDims, kActedOn, psi, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_ApplyOp);

void BM_ApplyOp_Baseline(benchmark::State& state) {
    const Matrix psi = randomMatrix(kLength, 1, 2);
    const Matrix op = randomMatrix(kDims[kActedOn], kDims[kActedOn], 3);
    for (auto _ : state) benchmark::DoNotOptimize(literalApply(op, kActedOn, psi));
}
BENCHMARK(BM_ApplyOp_Baseline);

}  // namespace

BENCHMARK_MAIN();
