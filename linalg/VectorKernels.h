#pragma once
// The kernels built for AVX2 and AVX-512 (the paths of linalg/KernelPath.h beyond
// Portable, whose arithmetic they follow). Call them only on those paths; inputs are
// raw column-major storage, checked by the caller.

#include "linalg/Complex.h"

namespace linalg::vector {

// out (rows x cols) = a (rows x inner) * b (inner x cols); out is zero on entry and
// shares no storage with a or b. `wide`: 512-bit registers for larger products
// (the Avx512 path).
void multiply(const Complex* a, int rows, int inner, const Complex* b, int cols, Complex* out, bool wide);

// The same product with a read once per group of kStreamColumns columns of b, which
// stays fast for a matrix too large for the cache multiplied by a few dozen columns.
// `wide`: four rows per 512-bit register (the Avx512 path).
inline constexpr int kStreamColumns = 4;
void multiplyStreaming(const Complex* a, int rows, int inner, const Complex* b, int cols, Complex* out, bool wide);

// One column: out = (I_left (x) op (x) I_right) * in, op m x n column-major; in holds
// left * n * right entries, out left * m * right. out shares no storage with in or op.
void applyOnFactor(const Complex* op, int m, int n, int left, int right, const Complex* in, Complex* out);

// out (rows x 1) = A * b for A in compressed columns: column j's non-zeros are
// values[start[j]] ... values[start[j + 1] - 1] in rows rowIndex[...], rows ascending.
// out is zero on entry.
void multiplyCompressed(int cols, const int* start, const int* rowIndex, const Complex* values,
                        const Complex* b, Complex* out);

}  // namespace linalg::vector
