#pragma once
// Which build of the hot kernels runs: the matrix product, the factor kernel and the
// product by a compressed matrix.
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

namespace linalg {

enum class KernelPath { Portable, Avx2, Avx512 };

// The fullest path this processor runs.
KernelPath bestKernelPath();

// The path in use. At start the best, unless the environment variable FLOCK_KERNELS
// names a narrower one: "portable" or "avx2".
KernelPath kernelPath();

// Uses `wanted` from now on, or the best below it where the processor lacks it.
// Answers the path now in use.
KernelPath selectKernelPath(KernelPath wanted);

}  // namespace linalg
