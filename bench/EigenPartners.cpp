// The products of bench_linalg by Eigen, compiled for this machine's own instruction
// set (this file only): the reference the portable binary's kernels are held against.
// Benchmark-only; nothing in the product uses Eigen.

#include <benchmark/benchmark.h>

// GCC 12's AVX-512 intrinsics start from a deliberately undefined register, which its
// own maybe-uninitialized check then reports inside the header.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <Eigen/Dense>
#pragma GCC diagnostic pop

#include "bench/BenchSupport.h"

namespace {

Eigen::MatrixXcd toEigen(const linalg::Matrix& m) {
    Eigen::MatrixXcd e(m.rows(), m.cols());
    for (int c = 0; c < m.cols(); ++c)
        for (int r = 0; r < m.rows(); ++r) e(r, c) = {m(r, c).re, m(r, c).im};
    return e;
}

void product(benchmark::State& state, int cols) {
    const Eigen::MatrixXcd a = toEigen(bench::randomMatrix(450, 450, 1));
    const Eigen::MatrixXcd b = toEigen(bench::randomMatrix(450, cols, 2));
    Eigen::MatrixXcd result(450, cols);
    for (auto _ : state) {
        result.noalias() = a * b;
        benchmark::DoNotOptimize(result.data());
    }
}

void MultiplyColumn_Eigen(benchmark::State& state) { product(state, 1); }
void MultiplySquare_Eigen(benchmark::State& state) { product(state, 450); }

BENCHMARK(MultiplyColumn_Eigen);
BENCHMARK(MultiplySquare_Eigen)->Unit(benchmark::kMillisecond);

}  // namespace
