#include "linalg/Kernels.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "linalg/EntryLimit.h"
#include "support/Failure.h"
#include "linalg/KernelPath.h"

namespace linalg {
namespace {

void requireOperator(const Matrix& op, bool square) {
    if (!op.hasStorage() || (square && op.rows() != op.cols())) {
        throw support::Failure(square ? "applyOnFactor: the operator must be a square matrix with entries"
                                   : "applyOnFactor: the operator must be a matrix with entries");
    }
}

void requireIdentitySizes(int left, int right) {
    if (left < 1 || right < 1) {
        throw support::Failure("applyOnFactor: identity sizes must be at least 1, not " + std::to_string(left) +
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
        throw support::Failure("applyOnFactor: the state must be a column of " + std::to_string(length) +
                            " entries, not " + shapeText(state));
    }
}

void requireOperandsApart(const Matrix& op, const Matrix& out) {
    if (&out == &op) throw support::Failure("applyOnFactor: the result must not be the operator");
}

// One column of left * n * right entries in, left * m * right out; out is not in.
void applyOnColumn(const Matrix& op, int left, int right, const Complex* in, Complex* out) {
    kernels().applyOnFactor(op.data(), op.rows(), op.cols(), left, right, in, out);
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
    thread_local std::vector<Complex> copy;
    copy.assign(state.data(), state.data() + state.entryCount());
    applyOnColumn(op, left, right, copy.data(), state.data());
}

void applyOnFactorColumns(const Matrix& op, int left, int right, const Matrix& state, Matrix& out) {
    requireOperator(op, false);
    requireIdentitySizes(left, right);
    const std::int64_t inLength = static_cast<std::int64_t>(left) * op.cols() * right;
    if (!state.hasStorage() || state.rows() != inLength) {
        throw support::Failure("applyOnFactor: the state must have " + std::to_string(inLength) + " rows, not " +
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
