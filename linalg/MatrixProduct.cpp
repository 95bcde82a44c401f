// The matrix product. The loops run over the raw column-major storage; shapes
// and storage are checked once up front instead of per entry. The portable
// kernel is here; the vector one (linalg/VectorKernels.cpp) runs where the
// processor has it.

#include <algorithm>
#include <cstddef>
#include <utility>

#include "linalg/KernelPath.h"
#include "linalg/Matrix.h"
#include "linalg/VectorKernels.h"

namespace linalg {
namespace {

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

void multiplyInto(const Matrix& a, Matrix& result, const Matrix& b) {
    const int rows = a.rows();
    const int inner = a.cols();
    const int cols = b.cols();
    result.resize(rows, cols);
    if (rows <= 0 || cols <= 0) return;
    Complex* out = result.data();
    std::fill_n(out, static_cast<std::size_t>(rows) * cols, Complex{});
    const Complex* left = a.data();
    const Complex* right = b.data();
    if (const KernelPath path = kernelPath(); path != KernelPath::Portable) {
        vector::multiply(left, rows, inner, right, cols, out, path == KernelPath::Avx512);
        return;
    }
    for (int jBegin = 0; jBegin < inner; jBegin += kInnerBlock) {
        const int jEnd = std::min(inner, jBegin + kInnerBlock);
        int k = 0;
        for (; k + kColumnGroup <= cols; k += kColumnGroup)
            accumulateColumns(left, rows, right, inner, jBegin, jEnd, k, out);
        for (; k < cols; ++k) accumulateColumn(left, rows, right, inner, jBegin, jEnd, k, out);
    }
}

}  // namespace

bool multiplyColumns(const Matrix& a, Matrix& result, const Matrix& b) {
    if (kernelPath() == KernelPath::Portable || &result == &a || &result == &b || a.cols() != b.rows() ||
        a.rows() <= 0 || a.cols() <= 0 || b.cols() <= 0)
        return multiply(a, result, b);
    a.requireStorage();
    b.requireStorage();
    result.resize(a.rows(), b.cols());
    std::fill_n(result.data(), static_cast<std::size_t>(a.rows()) * b.cols(), Complex{});
    vector::multiplyStreaming(a.data(), a.rows(), a.cols(), b.data(), b.cols(), result.data(),
                              kernelPath() == KernelPath::Avx512);
    return true;
}

bool multiply(const Matrix& a, Matrix& result, const Matrix& b) {
    if (a.cols() != b.rows()) return false;
    if (a.rows() > 0 && a.cols() > 0 && b.cols() > 0) {
        // An operand without storage fails as reading its first entry would,
        // before the result is touched.
        a.requireStorage();
        b.requireStorage();
    }
    if (&result == &a || &result == &b) {
        Matrix product;
        multiplyInto(a, product, b);
        result = std::move(product);
    } else {
        multiplyInto(a, result, b);
    }
    return true;
}

}  // namespace linalg
