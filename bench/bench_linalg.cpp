// Matrix kernels next to plain triple loops over std::complex<double>.

#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "linalg/Kernels.h"
#include "linalg/Matrix.h"
#include "bench/BenchSupport.h"

namespace {

using bench::randomMatrix;

using Plain = std::vector<std::complex<double>>;  // column-major, like Matrix


Plain toPlain(const linalg::Matrix& m) {
    Plain p(m.entryCount());
    for (int n = 0; n < m.entryCount(); ++n) p[n] = {m.data()[n].re, m.data()[n].im};
    return p;
}

// The straightforward loop: each entry summed over j through the library's complex product.
Plain plainProduct(const Plain& a, const Plain& b, int rows, int inner, int cols) {
    Plain result(static_cast<std::size_t>(rows) * cols);
    for (int i = 0; i < rows; ++i)
        for (int k = 0; k < cols; ++k) {
            std::complex<double> sum = 0.0;
            for (int j = 0; j < inner; ++j) sum += a[i + j * rows] * b[j + k * inner];
            result[i + k * rows] = sum;
        }
    return result;
}

Plain plainKronecker(const Plain& a, int aRows, int aCols, const Plain& b, int bRows, int bCols) {
    const int rows = aRows * bRows, cols = aCols * bCols;
    Plain result(static_cast<std::size_t>(rows) * cols);
    for (int i = 0; i < rows; ++i)
        for (int k = 0; k < cols; ++k)
            result[i + k * rows] = a[i / bRows + (k / bCols) * aRows] * b[i % bRows + (k % bCols) * bRows];
    return result;
}

Plain plainIdentity(int n) {
    Plain m(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i) m[i + i * n] = 1.0;
    return m;
}

// A 450 x 450 matrix times 450 x cols, by the kernels and by the plain loop.
void product(benchmark::State& state, int cols) {
    const linalg::Matrix a = randomMatrix(450, 450, 1), b = randomMatrix(450, cols, 2);
    linalg::Matrix result;
    for (auto _ : state) {
        linalg::multiply(a, result, b);
        benchmark::DoNotOptimize(result.data());
    }
}

void plainProductOf(benchmark::State& state, int cols) {
    const Plain a = toPlain(randomMatrix(450, 450, 1)), b = toPlain(randomMatrix(450, cols, 2));
    for (auto _ : state) benchmark::DoNotOptimize(plainProduct(a, b, 450, 450, cols));
}

void MultiplyColumn(benchmark::State& state) { product(state, 1); }
void MultiplyColumn_Baseline(benchmark::State& state) { plainProductOf(state, 1); }
void MultiplySquare(benchmark::State& state) { product(state, 450); }
void MultiplySquare_Baseline(benchmark::State& state) { plainProductOf(state, 450); }
BENCHMARK(MultiplyColumn);
BENCHMARK(MultiplyColumn_Baseline);
BENCHMARK(MultiplySquare)->Unit(benchmark::kMillisecond);
BENCHMARK(MultiplySquare_Baseline)->Unit(benchmark::kMillisecond);

void Kronecker(benchmark::State& state) {
    const linalg::Matrix a = randomMatrix(18, 18, 3);
    linalg::Matrix identity(25, 25), result;
    identity.setIdentity();
    for (auto _ : state) {
        linalg::kronecker(a, &identity, &result);
        benchmark::DoNotOptimize(result.data());
    }
}
BENCHMARK(Kronecker);

void Kronecker_Baseline(benchmark::State& state) {
    const Plain a = toPlain(randomMatrix(18, 18, 3)), identity = plainIdentity(25);
    for (auto _ : state) benchmark::DoNotOptimize(plainKronecker(a, 18, 18, identity, 25, 25));
}
BENCHMARK(Kronecker_Baseline);

std::vector<double> angles(int count, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> angle(0.0, 3.1415);
    std::vector<double> result(count);
    for (double& a : result) a = angle(generator);
    return result;
}

constexpr int kUnitarySize = 18;
constexpr int kAngleCount = kUnitarySize * (kUnitarySize - 1) / 2;

void BuildUnitary(benchmark::State& state) {
    const auto rotation = angles(kAngleCount, 4), phase = angles(kAngleCount, 5), offPhase = angles(kUnitarySize, 6);
    linalg::Matrix u(kUnitarySize, kUnitarySize);
    for (auto _ : state) {
        linalg::buildUnitary(rotation, phase, offPhase, u);
        benchmark::DoNotOptimize(u.data());
    }
}
BENCHMARK(BuildUnitary);

// Every rotation as a full matrix and every step a full product.
void BuildUnitary_Baseline(benchmark::State& state) {
    const auto rotation = angles(kAngleCount, 4), phase = angles(kAngleCount, 5), offPhase = angles(kUnitarySize, 6);
    const int n = kUnitarySize;
    const std::complex<double> i(0.0, 1.0);
    for (auto _ : state) {
        Plain result = plainIdentity(n);
        int k = 0;
        for (int j = 1; j < n; ++j) {
            Plain p = plainIdentity(n);
            for (int b = j; b >= 1; --b, ++k) {
                const int l = b - 1;
                const double gamma = b == 1 ? offPhase[0] : 0.0;
                Plain g = plainIdentity(n);
                g[l + l * n] = std::exp(i * phase[k]) * std::cos(rotation[k]);
                g[l + j * n] = std::exp(i * gamma) * std::sin(rotation[k]);
                g[j + l * n] = -std::exp(-i * gamma) * std::sin(rotation[k]);
                g[j + j * n] = std::exp(-i * phase[k]) * std::cos(rotation[k]);
                p = plainProduct(p, g, n, n, n);
            }
            result = plainProduct(result, p, n, n, n);
        }
        benchmark::DoNotOptimize(result.data());
    }
}
BENCHMARK(BuildUnitary_Baseline);

// A 5-level factor in the middle of a 450-long state: 18 levels before, 5 after.
constexpr int kFactorLevels = 5, kLeftLevels = 18, kRightLevels = 5;
constexpr int kStateLength = kLeftLevels * kFactorLevels * kRightLevels;

void ApplyOnFactor(benchmark::State& state) {
    const linalg::Matrix op = randomMatrix(kFactorLevels, kFactorLevels, 7);
    const linalg::Matrix psi = randomMatrix(kStateLength, 1, 8);
    linalg::Matrix out;
    for (auto _ : state) {
        linalg::applyOnFactor(op, kLeftLevels, kRightLevels, psi, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(ApplyOnFactor);

// Materialise I (x) op (x) I with kronecker, then multiply.
void ApplyOnFactor_Baseline(benchmark::State& state) {
    const linalg::Matrix op = randomMatrix(kFactorLevels, kFactorLevels, 7);
    const linalg::Matrix psi = randomMatrix(kStateLength, 1, 8);
    linalg::Matrix left(kLeftLevels, kLeftLevels), right(kRightLevels, kRightLevels);
    left.setIdentity();
    right.setIdentity();
    linalg::Matrix partial, full, out;
    for (auto _ : state) {
        linalg::kronecker(left, &op, &partial);
        linalg::kronecker(partial, &right, &full);
        linalg::multiply(full, out, psi);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(ApplyOnFactor_Baseline);

}  // namespace

BENCHMARK_MAIN();
