#include "linalg/Kernels.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "linalg/EntryLimit.h"
#include "support/Failure.h"
#include "linalg/KernelPath.h"
#include "linalg/VectorKernels.h"

namespace linalg {
namespace {

void requireOperator(const Matrix& op, bool square) {
    if (!op.hasStorage() || (square && op.rows() != op.cols())) {
        throw tala::Failure(square ? "applyOnFactor: the operator must be a square matrix with entries"
                                   : "applyOnFactor: the operator must be a matrix with entries");
    }
}

void requireIdentitySizes(int left, int right) {
    if (left < 1 || right < 1) {
        throw tala::Failure("applyOnFactor: identity sizes must be at least 1, not " + std::to_string(left) +
                            " and " + std::to_string(right));
    }
}

std::string shapeText(const Matrix& m) { return std::to_string(m.rows()) + " x " + std::to_string(m.cols()); }

// Checks everything before anything is written; the state is one column.
void requireColumnShapes(const Matrix& op, int left, int right, const Matrix& state) {
    requireOperator(op, true);
    requireIdentitySizes(left, right);
    const std::int64_t length = static_cast<std::int64_t>(left) * op.rows() * right;
    if (!state.hasStorage() || state.cols() != 1 || state.rows() != length) {
        throw tala::Failure("applyOnFactor: the state must be a column of " + std::to_string(length) +
                            " entries, not " + shapeText(state));
    }
}

void requireOperandsApart(const Matrix& op, const Matrix& out) {
    if (&out == &op) throw tala::Failure("applyOnFactor: the result must not be the operator");
}

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
            for (int q = 0; q < right; ++q) outRow[q] = outRow[q] + multiply(factor, inRow[q]);
        }
    }
}

// One column of left * n * right entries in, left * m * right out; out is not in.
void applyOnColumn(const Matrix& op, int left, int right, const Complex* in, Complex* out) {
    const int m = op.rows(), n = op.cols();
    if (kernelPath() != KernelPath::Portable) {
        vector::applyOnFactor(op.data(), m, n, left, right, in, out);
        return;
    }
    const std::size_t inBlock = static_cast<std::size_t>(n) * right;
    const std::size_t outBlock = static_cast<std::size_t>(m) * right;
    for (int a = 0; a < left; ++a) applyOnBlock(op.data(), m, n, right, in + a * inBlock, out + a * outBlock);
}

}  // namespace

void applyOnFactor(const Matrix& op, int left, int right, const Matrix& state, Matrix& out) {
    if (&out == &state) {
        applyOnFactorInPlace(op, left, right, out);
        return;
    }
    requireColumnShapes(op, left, right, state);
    requireOperandsApart(op, out);
    out.resize(state.rows(), 1);
    applyOnColumn(op, left, right, state.data(), out.data());
}

void applyOnFactorInPlace(const Matrix& op, int left, int right, Matrix& state) {
    requireColumnShapes(op, left, right, state);
    requireOperandsApart(op, state);
    const std::vector<Complex> copy(state.data(), state.data() + state.entryCount());
    applyOnColumn(op, left, right, copy.data(), state.data());
}

void applyOnFactorColumns(const Matrix& op, int left, int right, const Matrix& state, Matrix& out) {
    requireOperator(op, false);
    requireIdentitySizes(left, right);
    const std::int64_t inLength = static_cast<std::int64_t>(left) * op.cols() * right;
    if (!state.hasStorage() || state.rows() != inLength) {
        throw tala::Failure("applyOnFactor: the state must have " + std::to_string(inLength) + " rows, not " +
                            shapeText(state));
    }
    requireOperandsApart(op, out);
    const std::int64_t outLength = static_cast<std::int64_t>(left) * op.rows() * right;
    requireEntryLimit(outLength, state.cols());
    Matrix product(static_cast<int>(outLength), state.cols());
    for (int c = 0; c < state.cols(); ++c) {
        applyOnColumn(op, left, right, state.data() + static_cast<std::size_t>(c) * state.rows(),
                      product.data() + static_cast<std::size_t>(c) * outLength);
    }
    out = std::move(product);
}

}  // namespace linalg
