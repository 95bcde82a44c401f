#pragma once
// Which build of the hot kernels runs: the matrix product, the factor kernel and the
// product by a compressed matrix. Each path has one table of them
// (linalg/CpuKernels.cpp), chosen when the path is.
//
// Portable: 128-bit SSE2 arithmetic, which every x86-64 processor has.
// Avx2: 256-bit AVX2 arithmetic, two complex entries per instruction.
// Avx512: as Avx2, and the product of larger matrices in 512-bit AVX-512 arithmetic.
// A path is used only where the processor (and the system) has its instructions.
//
// Both add a term x * y (x from the left operand, y from the right) to its sum s as
//   s + (x.re y.re - x.im y.im, x.re y.im + x.im y.re),
// each product rounded, then each sum: the complex product as written, without fused
// multiply-adds, which would round differently and turn exact zeros such as the
// imaginary part of <psi|psi> into specks. Every kernel adds the terms of an entry from
// zero in ascending index order, so all of them, on either path, give the same numbers
// bit for bit for finite operands wherever they compute the same sum (skipped
// exact-zero terms included: they add nothing to a sum that starts from +0).

#include "linalg/Complex.h"

namespace linalg {

enum class KernelPath { Portable, Avx2, Avx512 };

// The kernels of one path. Inputs are raw column-major storage, checked by the callers;
// an output shares no storage with the inputs.
struct KernelTable {
    // out (rows x cols) = a (rows x inner) * b (inner x cols); out is zero on entry.
    void (*multiply)(const Complex* a, int rows, int inner, const Complex* b, int cols, Complex* out);
    // The same product with a read once per few columns of b, which stays fast for a
    // matrix too large for the cache multiplied by a few dozen columns.
    void (*multiplyStreaming)(const Complex* a, int rows, int inner, const Complex* b, int cols, Complex* out);
    // One column: out = (I_left (x) op (x) I_right) * in, op m x n; in holds
    // left * n * right entries, out left * m * right.
    void (*applyOnFactor)(const Complex* op, int m, int n, int left, int right, const Complex* in, Complex* out);
    // out (rows x 1) = A * b for A in compressed columns: column j's non-zeros are
    // values[start[j]] ... values[start[j + 1] - 1] in rows rowIndex[...], rows
    // ascending. out is zero on entry.
    void (*multiplyCompressed)(int cols, const int* start, const int* rowIndex, const Complex* values,
                               const Complex* b, Complex* out);
};

// The fullest path this processor runs.
KernelPath bestKernelPath();

// The path in use. At start the best, unless the environment variable FLOCK_KERNELS
// names a narrower one: "portable" or "avx2".
KernelPath kernelPath();

// Uses `wanted` from now on, or the best below it where the processor lacks it.
// Answers the path now in use.
KernelPath selectKernelPath(KernelPath wanted);

// The kernels of the path in use.
const KernelTable& kernels();

// The kernels of `path`, which the processor must run.
const KernelTable& kernelsFor(KernelPath path);

}  // namespace linalg
