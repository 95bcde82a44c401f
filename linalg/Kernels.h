#pragma once
// Fast routes for applying an operator to one factor of a composite state.
// They give the same numbers as building the full Kronecker product and
// multiplying, without materialising the large matrix.

#include "linalg/Matrix.h"

namespace linalg {

// out = (I_left (x) op (x) I_right) * state, for a one-column state of length
// left * n * right (n = op.rows = op.cols). Cost O(length * n). Each output entry
// sums its terms in ascending index order, as the full product does, so finite
// inputs give bit-identical results. out must not be state; shapes that do not
// fit raise tala::Failure.
void applyOnFactor(const Matrix& op, int left, int right, const Matrix& state, Matrix& out);

// The same, overwriting state; uses a scratch buffer of n * right entries.
void applyOnFactorInPlace(const Matrix& op, int left, int right, Matrix& state);

}  // namespace linalg
