// The kernels of every path (linalg/KernelPath.h) and their tables: the portable ones,
// in 128-bit SSE2 arithmetic, then those of the Avx2 and Avx512 paths. The vector
// functions are compiled for AVX2, and the Avx512 path's product tiles for AVX-512,
// whatever the rest of the build targets; their tables are used only on processors
// that have those instructions.
//
// A complex number is two doubles (re, im); one 256-bit register holds two of them,
// one 128-bit register one. A term x * y is added to its sum s as
//   s + ((x.re, x.re) * (y.re, y.im) + (x.im, x.im) * (-y.im, y.re)),
// the first lane x.re y.re - x.im y.im, the second x.re y.im + x.im y.re: lane by lane
// the same operations on the same operands on every path, which therefore give the
// same numbers bit for bit; the vector kernels do two or four terms at a time.

#include <algorithm>
#include <cstddef>
#include <vector>

#include "linalg/KernelPath.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define FLOCK_VECTOR_KERNELS 1
// GCC 12's AVX-512 broadcasts start from a deliberately undefined register, which its
// own maybe-uninitialized check then reports inside the header.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop

#define FLOCK_VECTOR __attribute__((target("avx2")))
#define FLOCK_WIDE __attribute__((target("avx512f")))
#endif

namespace linalg {
namespace {
namespace portable {

// --- Product ---------------------------------------------------------------------

// result(i, k) = sum over ascending j of a(i, j) * b(j, k). Walking i innermost
// follows the storage. Blocks of j keep a panel of a in cache and groups of four
// result columns share each load of a; neither changes the order in which any one
// entry's terms are added, so results equal the plain formula bit for bit.
constexpr int kInnerBlock = 32;
constexpr int kColumnGroup = 4;

// Two doubles in one register: (re, im) of one entry.
typedef double Pair __attribute__((vector_size(16)));

inline Pair load(const Complex& z) { return Pair{z.re, z.im}; }
inline void store(Complex& z, Pair p) { z = {p[0], p[1]}; }

// x * f as (x.re, x.re) * (f.re, f.im) + (x.im, x.im) * (-f.im, f.re): lane by lane
// the same roundings as multiply(), since x * -y is -(x * y) and u + -v is u - v.
struct PairFactor {
    Pair straight;
    Pair crossed;
    explicit PairFactor(Complex f) : straight{f.re, f.im}, crossed{-f.im, f.re} {}
};

inline Pair product(const Complex& x, const PairFactor& f) {
    return Pair{x.re, x.re} * f.straight + Pair{x.im, x.im} * f.crossed;
}

void accumulateColumns(const Complex* left, int rows, const Complex* right, int inner,
                       int jBegin, int jEnd, int k, Complex* out) {
    Complex* out0 = out + static_cast<std::size_t>(k) * rows;
    Complex* out1 = out0 + rows;
    Complex* out2 = out1 + rows;
    Complex* out3 = out2 + rows;
    const Complex* right0 = right + static_cast<std::size_t>(k) * inner;
    for (int j = jBegin; j < jEnd; ++j) {
        const PairFactor f0(right0[j]);
        const PairFactor f1(right0[j + inner]);
        const PairFactor f2(right0[j + 2 * inner]);
        const PairFactor f3(right0[j + 3 * inner]);
        const Complex* column = left + static_cast<std::size_t>(j) * rows;
        for (int i = 0; i < rows; ++i) {
            store(out0[i], load(out0[i]) + product(column[i], f0));
            store(out1[i], load(out1[i]) + product(column[i], f1));
            store(out2[i], load(out2[i]) + product(column[i], f2));
            store(out3[i], load(out3[i]) + product(column[i], f3));
        }
    }
}

// One result column; four columns of a per pass keep the running sum in a register.
void accumulateColumn(const Complex* left, int rows, const Complex* right, int inner, int jBegin,
                      int jEnd, int k, Complex* out) {
    Complex* outColumn = out + static_cast<std::size_t>(k) * rows;
    const Complex* rightColumn = right + static_cast<std::size_t>(k) * inner;
    int j = jBegin;
    for (; j + 4 <= jEnd; j += 4) {
        const PairFactor f0(rightColumn[j]);
        const PairFactor f1(rightColumn[j + 1]);
        const PairFactor f2(rightColumn[j + 2]);
        const PairFactor f3(rightColumn[j + 3]);
        const Complex* column0 = left + static_cast<std::size_t>(j) * rows;
        const Complex* column1 = column0 + rows;
        const Complex* column2 = column1 + rows;
        const Complex* column3 = column2 + rows;
        for (int i = 0; i < rows; ++i) {
            Pair sum = load(outColumn[i]) + product(column0[i], f0);
            sum = sum + product(column1[i], f1);
            sum = sum + product(column2[i], f2);
            store(outColumn[i], sum + product(column3[i], f3));
        }
    }
    for (; j < jEnd; ++j) {
        const PairFactor factor(rightColumn[j]);
        const Complex* column = left + static_cast<std::size_t>(j) * rows;
        for (int i = 0; i < rows; ++i) store(outColumn[i], load(outColumn[i]) + product(column[i], factor));
    }
}

void multiply(const Complex* left, int rows, int inner, const Complex* right, int cols, Complex* out) {
    for (int jBegin = 0; jBegin < inner; jBegin += kInnerBlock) {
        const int jEnd = std::min(inner, jBegin + kInnerBlock);
        int k = 0;
        for (; k + kColumnGroup <= cols; k += kColumnGroup)
            accumulateColumns(left, rows, right, inner, jBegin, jEnd, k, out);
        for (; k < cols; ++k) accumulateColumn(left, rows, right, inner, jBegin, jEnd, k, out);
    }
}

// --- Factor kernel and compressed product ----------------------------------------

// One block of n * right entries in, m * right out: block index (p, q) is p * right + q.
// out(p, q) = sum over ascending p' of op(p, p') * in(p', q), summed from zero.
void applyOnBlock(const Complex* op, int m, int n, int right, const Complex* in, Complex* out) {
    std::fill_n(out, static_cast<std::size_t>(m) * right, Complex{});
    for (int source = 0; source < n; ++source) {
        const Complex* inRow = in + static_cast<std::size_t>(source) * right;
        const Complex* opColumn = op + static_cast<std::size_t>(source) * m;
        for (int target = 0; target < m; ++target) {
            const Complex factor = opColumn[target];
            Complex* outRow = out + static_cast<std::size_t>(target) * right;
            for (int q = 0; q < right; ++q) outRow[q] = outRow[q] + linalg::multiply(factor, inRow[q]);
        }
    }
}

void applyOnFactor(const Complex* op, int m, int n, int left, int right, const Complex* in, Complex* out) {
    const std::size_t inBlock = static_cast<std::size_t>(n) * right;
    const std::size_t outBlock = static_cast<std::size_t>(m) * right;
    for (int a = 0; a < left; ++a) applyOnBlock(op, m, n, right, in + a * inBlock, out + a * outBlock);
}

void multiplyCompressed(int cols, const int* start, const int* rowIndex, const Complex* values, const Complex* b,
                        Complex* out) {
    for (int j = 0; j < cols; ++j)
        for (int e = start[j]; e < start[j + 1]; ++e)
            out[rowIndex[e]] = out[rowIndex[e]] + linalg::multiply(values[e], b[j]);
}

// The blocked product reads a once per four result columns already: it streams too.
constexpr KernelTable kKernels{multiply, multiply, applyOnFactor, multiplyCompressed};

}  // namespace portable

// --- The Avx2 and Avx512 paths -----------------------------------------------------

#ifdef FLOCK_VECTOR_KERNELS
namespace vector {

const double* raw(const Complex* z) { return reinterpret_cast<const double*>(z); }
double* raw(Complex* z) { return reinterpret_cast<double*>(z); }

// --- Terms ---------------------------------------------------------------------

// A factor y of streamed terms: (y.re, y.im) and (-y.im, y.re), in every 128-bit half.
struct Factor2 {
    __m128d straight, crossed;
};
struct Factor4 {
    __m256d straight, crossed;
};

FLOCK_VECTOR inline Factor2 factor2(Complex y) { return {_mm_setr_pd(y.re, y.im), _mm_setr_pd(-y.im, y.re)}; }
FLOCK_VECTOR inline Factor4 factor4(Complex y) {
    return {_mm256_setr_pd(y.re, y.im, y.re, y.im), _mm256_setr_pd(-y.im, y.re, -y.im, y.re)};
}

// --- Streaming product: a few result columns, the matrix read once ------------

constexpr int kStreamColumns = 4;  // columns of b per pass over a

// Entries of a streamed operand with their real and imaginary parts doubled.
struct Split2 {
    __m128d re, im;
};
struct Split4 {
    __m256d re, im;
};

FLOCK_VECTOR inline Split2 split(__m128d x) { return {_mm_movedup_pd(x), _mm_permute_pd(x, 3)}; }
FLOCK_VECTOR inline Split4 split(__m256d x) { return {_mm256_movedup_pd(x), _mm256_permute_pd(x, 15)}; }

FLOCK_VECTOR inline __m128d addTerm(__m128d s, const Split2& x, const Factor2& y) {
    return s + (x.re * y.straight + x.im * y.crossed);
}
FLOCK_VECTOR inline __m256d addTerm(__m256d s, const Split4& x, const Factor4& y) {
    return s + (x.re * y.straight + x.im * y.crossed);
}

// out(:, k) += a * b(:, k) for the K columns of b (`inner` entries each), four columns
// of a per pass: each entry of a is loaded and split once for all K, and each entry of
// out is loaded and stored once per four terms.
template <int K>
FLOCK_VECTOR void accumulateColumns(const Complex* a, int rows, int inner, const Complex* b, Complex* out) {
    const std::size_t stride = 2 * static_cast<std::size_t>(rows);
    const Complex* y[K];
    double* o[K];
    for (int k = 0; k < K; ++k) {
        y[k] = b + static_cast<std::size_t>(k) * inner;
        o[k] = raw(out) + k * stride;
    }
    int j = 0;
    for (; j + 4 <= inner; j += 4) {
        Factor4 f[K][4];
        for (int k = 0; k < K; ++k)
            for (int t = 0; t < 4; ++t) f[k][t] = factor4(y[k][j + t]);
        const double* c = raw(a + static_cast<std::size_t>(j) * rows);
        int i = 0;
        for (; i + 2 <= rows; i += 2) {
            const double* at = c + 2 * i;
            const Split4 x0 = split(_mm256_loadu_pd(at)), x1 = split(_mm256_loadu_pd(at + stride));
            const Split4 x2 = split(_mm256_loadu_pd(at + 2 * stride)), x3 = split(_mm256_loadu_pd(at + 3 * stride));
            for (int k = 0; k < K; ++k) {
                __m256d s = _mm256_loadu_pd(o[k] + 2 * i);
                s = addTerm(s, x0, f[k][0]);
                s = addTerm(s, x1, f[k][1]);
                s = addTerm(s, x2, f[k][2]);
                s = addTerm(s, x3, f[k][3]);
                _mm256_storeu_pd(o[k] + 2 * i, s);
            }
        }
        if (i < rows) {
            const double* at = c + 2 * i;
            const Split2 x0 = split(_mm_loadu_pd(at)), x1 = split(_mm_loadu_pd(at + stride));
            const Split2 x2 = split(_mm_loadu_pd(at + 2 * stride)), x3 = split(_mm_loadu_pd(at + 3 * stride));
            for (int k = 0; k < K; ++k) {
                __m128d s = _mm_loadu_pd(o[k] + 2 * i);
                s = addTerm(s, x0, factor2(y[k][j]));
                s = addTerm(s, x1, factor2(y[k][j + 1]));
                s = addTerm(s, x2, factor2(y[k][j + 2]));
                s = addTerm(s, x3, factor2(y[k][j + 3]));
                _mm_storeu_pd(o[k] + 2 * i, s);
            }
        }
    }
    for (; j < inner; ++j) {
        const double* c = raw(a + static_cast<std::size_t>(j) * rows);
        for (int k = 0; k < K; ++k) {
            const Factor4 f = factor4(y[k][j]);
            int i = 0;
            for (; i + 2 <= rows; i += 2)
                _mm256_storeu_pd(o[k] + 2 * i,
                                 addTerm(_mm256_loadu_pd(o[k] + 2 * i), split(_mm256_loadu_pd(c + 2 * i)), f));
            if (i < rows)
                _mm_storeu_pd(o[k] + 2 * i,
                              addTerm(_mm_loadu_pd(o[k] + 2 * i), split(_mm_loadu_pd(c + 2 * i)), factor2(y[k][j])));
        }
    }
}

// --- Packed product: tiles of rows by up to 4 columns held in registers ---------
//
// A tile is two registers of rows: 4 complex rows with 256-bit registers, 8 with
// 512-bit ones, by up to 4 result columns.

constexpr int kTileColumns = 4;  // result columns of a tile
constexpr int kDepth = 64;       // terms per pass over a tile

// a(:, j0 .. j0 + depth) per block of `tileRows` rows and per j, as the real parts
// doubled (re0, re0, re1, re1, ...) and then the imaginary parts doubled, 4 * tileRows
// doubles; rows past the end are zeros.
void packRows(const Complex* a, int rows, int j0, int depth, int tileRows, std::vector<double>& packed) {
    const int blocks = (rows + tileRows - 1) / tileRows;
    const std::size_t perTerm = 4 * static_cast<std::size_t>(tileRows);
    packed.assign(static_cast<std::size_t>(blocks) * depth * perTerm, 0.0);
    for (int j = 0; j < depth; ++j) {
        const Complex* column = a + static_cast<std::size_t>(j0 + j) * rows;
        for (int i = 0; i < rows; ++i) {
            double* to = packed.data() + (static_cast<std::size_t>(i / tileRows) * depth + j) * perTerm +
                         2 * (i % tileRows);
            to[0] = to[1] = column[i].re;
            to[2 * tileRows] = to[2 * tileRows + 1] = column[i].im;
        }
    }
}

// b(j0 .. j0 + depth, k0 .. k0 + count) as factors: per j and column, (y.re, y.im,
// -y.im, y.re).
void packFactors(const Complex* b, int inner, int j0, int depth, int k0, int count, std::vector<double>& packed) {
    packed.assign(static_cast<std::size_t>(depth) * kTileColumns * 4, 0.0);
    for (int c = 0; c < count; ++c) {
        const Complex* column = b + static_cast<std::size_t>(k0 + c) * inner + j0;
        for (int j = 0; j < depth; ++j) {
            double* to = packed.data() + (static_cast<std::size_t>(j) * kTileColumns + c) * 4;
            to[0] = column[j].re;
            to[1] = column[j].im;
            to[2] = -column[j].im;
            to[3] = column[j].re;
        }
    }
}

FLOCK_VECTOR inline __m256d broadcastPair(const double* pair) {
    return _mm256_broadcast_pd(reinterpret_cast<const __m128d*>(pair));
}
FLOCK_WIDE inline __m512d broadcastWidePair(const double* pair) {
    return _mm512_castps_pd(_mm512_broadcast_f32x4(_mm_castpd_ps(_mm_loadu_pd(pair))));
}

// The tile of two registers of rows (W doubles each) by K columns at `out` (leading
// dimension `rows`) += packed rows times packed factors, the sums held in registers
// term by term. One body for both register widths, each compiled for its own target.
#define FLOCK_TILE_BODY(Register, W, loadRegister, storeRegister, broadcast)                       \
    Register s0[K], s1[K];                                                                          \
    for (int c = 0; c < K; ++c) {                                                                   \
        s0[c] = loadRegister(out + 2 * c * rows);                                                   \
        s1[c] = loadRegister(out + 2 * c * rows + W);                                               \
    }                                                                                               \
    for (int j = 0; j < depth; ++j) {                                                               \
        const double* x = rowsPacked + static_cast<std::size_t>(j) * 4 * W;                         \
        const Register re0 = loadRegister(x), re1 = loadRegister(x + W);                            \
        const Register im0 = loadRegister(x + 2 * W), im1 = loadRegister(x + 3 * W);                \
        const double* y = factors + static_cast<std::size_t>(j) * kTileColumns * 4;                 \
        for (int c = 0; c < K; ++c) {                                                               \
            const Register straight = broadcast(y + 4 * c), crossed = broadcast(y + 4 * c + 2);    \
            s0[c] = s0[c] + (re0 * straight + im0 * crossed);                                       \
            s1[c] = s1[c] + (re1 * straight + im1 * crossed);                                       \
        }                                                                                           \
    }                                                                                               \
    for (int c = 0; c < K; ++c) {                                                                   \
        storeRegister(out + 2 * c * rows, s0[c]);                                                   \
        storeRegister(out + 2 * c * rows + W, s1[c]);                                               \
    }

template <int K>
FLOCK_VECTOR void multiplyTile(const double* rowsPacked, const double* factors, int depth, double* out,
                               std::size_t rows) {
    FLOCK_TILE_BODY(__m256d, 4, _mm256_loadu_pd, _mm256_storeu_pd, broadcastPair)
}

template <int K>
FLOCK_WIDE void multiplyWideTile(const double* rowsPacked, const double* factors, int depth, double* out,
                                 std::size_t rows) {
    FLOCK_TILE_BODY(__m512d, 8, _mm512_loadu_pd, _mm512_storeu_pd, broadcastWidePair)
}

#undef FLOCK_TILE_BODY

using TileKernel = void (*)(const double*, const double*, int, double*, std::size_t);

// The tile at `out` of `tileRows` rows; the last rows of a matrix go through a full
// tile whose missing rows are zeros.
void multiplyTileAt(TileKernel kernel, int fullRows, const double* rowsPacked, const double* factors, int depth,
                    int columns, Complex* out, int rows, int tileRows) {
    if (tileRows == fullRows) {
        kernel(rowsPacked, factors, depth, raw(out), static_cast<std::size_t>(rows));
        return;
    }
    double tile[kTileColumns * 2 * 8] = {};
    const std::size_t stride = 2 * static_cast<std::size_t>(rows);
    for (int c = 0; c < columns; ++c)
        std::copy_n(raw(out) + c * stride, 2 * tileRows, tile + c * 2 * fullRows);
    kernel(rowsPacked, factors, depth, tile, static_cast<std::size_t>(fullRows));
    for (int c = 0; c < columns; ++c)
        std::copy_n(tile + c * 2 * fullRows, 2 * tileRows, raw(out) + c * stride);
}

// The tile kernels for 1 ... kTileColumns result columns.
using TileKernels = TileKernel[kTileColumns];
constexpr TileKernels kNarrowTiles = {multiplyTile<1>, multiplyTile<2>, multiplyTile<3>, multiplyTile<4>};
constexpr TileKernels kWideTiles = {multiplyWideTile<1>, multiplyWideTile<2>, multiplyWideTile<3>, multiplyWideTile<4>};

template <int TileRows>
void multiplyPacked(const TileKernels& kernels, const Complex* a, int rows, int inner, const Complex* b, int cols,
                    Complex* out) {
    thread_local std::vector<double> rowsPacked, factors;
    const int blocks = (rows + TileRows - 1) / TileRows;
    for (int j0 = 0; j0 < inner; j0 += kDepth) {
        const int depth = std::min(kDepth, inner - j0);
        packRows(a, rows, j0, depth, TileRows, rowsPacked);
        for (int k0 = 0; k0 < cols; k0 += kTileColumns) {
            const int count = std::min(kTileColumns, cols - k0);
            packFactors(b, inner, j0, depth, k0, count, factors);
            for (int block = 0; block < blocks; ++block) {
                multiplyTileAt(kernels[count - 1], TileRows,
                               rowsPacked.data() + static_cast<std::size_t>(block) * depth * 4 * TileRows,
                               factors.data(), depth, count, out + static_cast<std::size_t>(k0) * rows + block * TileRows,
                               rows, std::min(TileRows, rows - block * TileRows));
            }
        }
    }
}

// --- Streaming product in 512-bit registers: four complex rows per register -----

// accumulateColumns with the rows four at a time; a last one to three rows go one by
// one in 128-bit registers. Lane by lane the same operations as the narrower kernels.
// s + x * y for four complex rows x, with f = (y.re, y.im, -y.im, y.re).
FLOCK_WIDE inline __m512d term(__m512d s, __m512d x, const double* f) {
    const __m512d re = _mm512_movedup_pd(x), im = _mm512_permute_pd(x, 0xFF);
    return s + (re * broadcastWidePair(f) + im * broadcastWidePair(f + 2));
}
FLOCK_WIDE inline __m128d narrowTerm(__m128d s, __m128d x, const double* f) {
    return addTerm(s, split(x), Factor2{_mm_loadu_pd(f), _mm_loadu_pd(f + 2)});
}

template <int K>
FLOCK_WIDE void accumulateColumnsWide(const Complex* a, int rows, int inner, const Complex* b, Complex* out) {
    const std::size_t stride = 2 * static_cast<std::size_t>(rows);
    const Complex* y[K];
    double* o[K];
    for (int k = 0; k < K; ++k) {
        y[k] = b + static_cast<std::size_t>(k) * inner;
        o[k] = raw(out) + k * stride;
    }
    // Per column and term: (y.re, y.im) and then (-y.im, y.re).
    alignas(64) double factors[K][4][4];
    int j = 0;
    for (; j + 4 <= inner; j += 4) {
        for (int k = 0; k < K; ++k)
            for (int t = 0; t < 4; ++t) {
                const Complex v = y[k][j + t];
                factors[k][t][0] = v.re;
                factors[k][t][1] = v.im;
                factors[k][t][2] = -v.im;
                factors[k][t][3] = v.re;
            }
        const double* c = raw(a + static_cast<std::size_t>(j) * rows);
        int i = 0;
        for (; i + 4 <= rows; i += 4) {
            const double* at = c + 2 * i;
            const __m512d x0 = _mm512_loadu_pd(at), x1 = _mm512_loadu_pd(at + stride);
            const __m512d x2 = _mm512_loadu_pd(at + 2 * stride), x3 = _mm512_loadu_pd(at + 3 * stride);
            for (int k = 0; k < K; ++k) {
                __m512d s = _mm512_loadu_pd(o[k] + 2 * i);
                s = term(s, x0, factors[k][0]);
                s = term(s, x1, factors[k][1]);
                s = term(s, x2, factors[k][2]);
                s = term(s, x3, factors[k][3]);
                _mm512_storeu_pd(o[k] + 2 * i, s);
            }
        }
        for (; i < rows; ++i) {
            const double* at = c + 2 * i;
            const __m128d x0 = _mm_loadu_pd(at), x1 = _mm_loadu_pd(at + stride);
            const __m128d x2 = _mm_loadu_pd(at + 2 * stride), x3 = _mm_loadu_pd(at + 3 * stride);
            for (int k = 0; k < K; ++k) {
                __m128d s = _mm_loadu_pd(o[k] + 2 * i);
                s = narrowTerm(s, x0, factors[k][0]);
                s = narrowTerm(s, x1, factors[k][1]);
                s = narrowTerm(s, x2, factors[k][2]);
                s = narrowTerm(s, x3, factors[k][3]);
                _mm_storeu_pd(o[k] + 2 * i, s);
            }
        }
    }
    for (; j < inner; ++j) {
        const double* c = raw(a + static_cast<std::size_t>(j) * rows);
        for (int k = 0; k < K; ++k) {
            const Complex v = y[k][j];
            const double f[4] = {v.re, v.im, -v.im, v.re};
            int i = 0;
            for (; i + 4 <= rows; i += 4)
                _mm512_storeu_pd(o[k] + 2 * i, term(_mm512_loadu_pd(o[k] + 2 * i), _mm512_loadu_pd(c + 2 * i), f));
            for (; i < rows; ++i)
                _mm_storeu_pd(o[k] + 2 * i, narrowTerm(_mm_loadu_pd(o[k] + 2 * i), _mm_loadu_pd(c + 2 * i), f));
        }
    }
}

// The streaming kernels for 1 ... kStreamColumns columns of b.
using StreamKernels = void (*[kStreamColumns])(const Complex*, int, int, const Complex*, Complex*);
constexpr StreamKernels kNarrowStream = {accumulateColumns<1>, accumulateColumns<2>, accumulateColumns<3>,
                                         accumulateColumns<4>};
constexpr StreamKernels kWideStream = {accumulateColumnsWide<1>, accumulateColumnsWide<2>, accumulateColumnsWide<3>,
                                       accumulateColumnsWide<4>};

// The passes over a share the columns evenly (9 columns go 3, 3, 3 rather than 4, 4, 1):
// a pass of one column is the slowest.
void multiplyStreamingWith(const StreamKernels& kernels, const Complex* a, int rows, int inner, const Complex* b,
                           int cols, Complex* out) {
    const int passes = (cols + kStreamColumns - 1) / kStreamColumns;
    for (int pass = 0, k = 0; pass < passes; ++pass) {
        const int width = (cols - k) / (passes - pass);
        kernels[width - 1](a, rows, inner, b + static_cast<std::size_t>(k) * inner, out + static_cast<std::size_t>(k) * rows);
        k += width;
    }
}

// --- Factor kernel ---------------------------------------------------------------

// out block (m x right, entry (p, q) at p * right + q) = op * in block (n x right),
// op m x n column-major. The entries along q share each operator entry, so they fill
// the registers; `crossed` holds the block's entries as (-y.im, y.re).
FLOCK_VECTOR void applyOnBlock(const Complex* op, int m, int n, int right, const Complex* in, const double* crossed,
                               Complex* out) {
    const double* inRaw = raw(in);
    double* outRaw = raw(out);
    for (int p = 0; p < m; ++p) {
        int q = 0;
        for (; q + 4 <= right; q += 4) {
            __m256d s0 = _mm256_setzero_pd(), s1 = _mm256_setzero_pd();
            for (int source = 0; source < n; ++source) {
                const Complex& x = op[p + static_cast<std::size_t>(source) * m];
                const __m256d re = _mm256_broadcast_sd(&x.re), im = _mm256_broadcast_sd(&x.im);
                const std::size_t at = 2 * (static_cast<std::size_t>(source) * right + q);
                s0 = s0 + (re * _mm256_loadu_pd(inRaw + at) + im * _mm256_loadu_pd(crossed + at));
                s1 = s1 + (re * _mm256_loadu_pd(inRaw + at + 4) + im * _mm256_loadu_pd(crossed + at + 4));
            }
            double* o = outRaw + 2 * (static_cast<std::size_t>(p) * right + q);
            _mm256_storeu_pd(o, s0);
            _mm256_storeu_pd(o + 4, s1);
        }
        for (; q < right; ++q) {
            __m128d s = _mm_setzero_pd();
            for (int source = 0; source < n; ++source) {
                const Complex& x = op[p + static_cast<std::size_t>(source) * m];
                const std::size_t at = 2 * (static_cast<std::size_t>(source) * right + q);
                s = s + (_mm_set1_pd(x.re) * _mm_loadu_pd(inRaw + at) + _mm_set1_pd(x.im) * _mm_loadu_pd(crossed + at));
            }
            _mm_storeu_pd(outRaw + 2 * (static_cast<std::size_t>(p) * right + q), s);
        }
    }
}

// `Wide`: the Avx512 path's 512-bit registers.
template <bool Wide>
FLOCK_VECTOR void multiply(const Complex* a, int rows, int inner, const Complex* b, int cols, Complex* out) {
    if (rows <= 0 || inner <= 0 || cols <= 0) return;
    if (rows < 4) {
        for (int k = 0; k < cols; ++k)
            accumulateColumns<1>(a, rows, inner, b + static_cast<std::size_t>(k) * inner,
                                 out + static_cast<std::size_t>(k) * rows);
        return;
    }
    switch (cols) {
        case 1: accumulateColumns<1>(a, rows, inner, b, out); return;
        case 2: accumulateColumns<2>(a, rows, inner, b, out); return;
        case 3: accumulateColumns<3>(a, rows, inner, b, out); return;
        default: break;
    }
    if (Wide)
        multiplyPacked<8>(kWideTiles, a, rows, inner, b, cols, out);
    else
        multiplyPacked<4>(kNarrowTiles, a, rows, inner, b, cols, out);
}

template <bool Wide>
void multiplyStreaming(const Complex* a, int rows, int inner, const Complex* b, int cols, Complex* out) {
    if (rows <= 0 || inner <= 0) return;
    if (Wide)
        multiplyStreamingWith(kWideStream, a, rows, inner, b, cols, out);
    else
        multiplyStreamingWith(kNarrowStream, a, rows, inner, b, cols, out);
}

FLOCK_VECTOR void applyOnFactor(const Complex* op, int m, int n, int left, int right, const Complex* in,
                                Complex* out) {
    const std::size_t inBlock = static_cast<std::size_t>(n) * right;
    const std::size_t outBlock = static_cast<std::size_t>(m) * right;
    if (right == 1) {
        // Each block is op times a column: the streaming product's work.
        std::fill_n(out, outBlock * left, Complex{});
        for (int a = 0; a < left; ++a) accumulateColumns<1>(op, m, n, in + a * inBlock, out + a * outBlock);
        return;
    }
    thread_local std::vector<double> crossed;
    crossed.resize(2 * inBlock * left);
    for (std::size_t e = 0; e < inBlock * left; ++e) {
        crossed[2 * e] = -in[e].im;
        crossed[2 * e + 1] = in[e].re;
    }
    for (int a = 0; a < left; ++a)
        applyOnBlock(op, m, n, right, in + a * inBlock, crossed.data() + 2 * a * inBlock, out + a * outBlock);
}

FLOCK_VECTOR void multiplyCompressed(int cols, const int* start, const int* rowIndex, const Complex* values,
                                     const Complex* b, Complex* out) {
    double* o = raw(out);
    for (int j = 0; j < cols; ++j) {
        const Factor2 y = factor2(b[j]);
        for (int e = start[j]; e < start[j + 1]; ++e) {
            double* target = o + 2 * static_cast<std::size_t>(rowIndex[e]);
            _mm_storeu_pd(target, addTerm(_mm_loadu_pd(target), split(_mm_loadu_pd(raw(values + e))), y));
        }
    }
}

constexpr KernelTable kKernels{multiply<false>, multiplyStreaming<false>, applyOnFactor, multiplyCompressed};
constexpr KernelTable kWideKernels{multiply<true>, multiplyStreaming<true>, applyOnFactor, multiplyCompressed};

}  // namespace vector

#endif

}  // namespace

const KernelTable& kernelsFor(KernelPath path) {
#ifdef FLOCK_VECTOR_KERNELS
    if (path == KernelPath::Avx2) return vector::kKernels;
    if (path == KernelPath::Avx512) return vector::kWideKernels;
#endif
    (void)path;
    return portable::kKernels;
}

}  // namespace linalg
