#include "linalg/Kernels.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "linalg/Failure.h"

namespace linalg {
namespace {

// Checks everything before anything is written; answers n.
int requireFactorShapes(const Matrix& op, int left, int right, const Matrix& state) {
    if (!op.hasStorage() || op.rows() != op.cols()) {
        throw tala::Failure("applyOnFactor: the operator must be a square matrix with entries");
    }
    if (left < 1 || right < 1) {
        throw tala::Failure("applyOnFactor: identity sizes must be at least 1, not " +
                            std::to_string(left) + " and " + std::to_string(right));
    }
    const int n = op.rows();
    const std::int64_t length = static_cast<std::int64_t>(left) * n * right;
    if (!state.hasStorage() || state.cols() != 1 || state.rows() != length) {
        throw tala::Failure("applyOnFactor: the state must be a column of " + std::to_string(length) +
                            " entries, not " + std::to_string(state.rows()) + " x " +
                            std::to_string(state.cols()));
    }
    return n;
}

// One block of n * right entries: block index (p, q) is p * right + q.
// out(p, q) = sum over ascending p' of op(p, p') * in(p', q), summed from zero.
void applyOnBlock(const Complex* op, int n, int right, const Complex* in, Complex* out) {
    std::fill_n(out, static_cast<std::size_t>(n) * right, Complex{});
    for (int source = 0; source < n; ++source) {
        const Complex* inRow = in + static_cast<std::size_t>(source) * right;
        const Complex* opColumn = op + static_cast<std::size_t>(source) * n;
        for (int target = 0; target < n; ++target) {
            const Complex factor = opColumn[target];
            Complex* outRow = out + static_cast<std::size_t>(target) * right;
            for (int q = 0; q < right; ++q) outRow[q] = outRow[q] + multiply(factor, inRow[q]);
        }
    }
}

}  // namespace

void applyOnFactor(const Matrix& op, int left, int right, const Matrix& state, Matrix& out) {
    const int n = requireFactorShapes(op, left, right, state);
    if (&out == &state) {
        applyOnFactorInPlace(op, left, right, out);
        return;
    }
    if (&out == &op) throw tala::Failure("applyOnFactor: the result must not be the operator");
    out.resize(state.rows(), 1);
    const std::size_t blockSize = static_cast<std::size_t>(n) * right;
    for (int a = 0; a < left; ++a) {
        applyOnBlock(op.data(), n, right, state.data() + a * blockSize, out.data() + a * blockSize);
    }
}

void applyOnFactorInPlace(const Matrix& op, int left, int right, Matrix& state) {
    const int n = requireFactorShapes(op, left, right, state);
    if (&op == &state) throw tala::Failure("applyOnFactor: the result must not be the operator");
    const std::size_t blockSize = static_cast<std::size_t>(n) * right;
    std::vector<Complex> scratch(blockSize);
    for (int a = 0; a < left; ++a) {
        Complex* block = state.data() + a * blockSize;
        std::copy_n(block, blockSize, scratch.data());
        applyOnBlock(op.data(), n, right, scratch.data(), block);
    }
}

}  // namespace linalg
