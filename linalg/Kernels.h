#pragma once
// Fast routes for applying an operator to one factor of a composite state.
// They give the same numbers as building the full Kronecker product and
// multiplying, without materialising the large matrix.

#include "linalg/Matrix.h"

namespace linalg {

// out = (I_left (x) op (x) I_right) * state, for a one-column state of length
// left * n * right (n = op.rows = op.cols). Cost O(length * n). Each output entry
// sums its terms in ascending index order, as the full product does, so finite
// inputs give bit-identical results. out must not be op; out may be state. Shapes
// that do not fit raise support::Failure before anything is written.
void applyOnFactor(const Matrix& op, int left, int right, const Matrix& state, Matrix& out);

// The same, overwriting state.
void applyOnFactorInPlace(const Matrix& op, int left, int right, Matrix& state);

// The general form the two above are cases of: op may be rectangular (m x n) and
// state may have several columns, each of length left * n * right; out becomes
// (left * m * right) x state.cols. out may be state, not op.
void applyOnFactorColumns(const Matrix& op, int left, int right, const Matrix& state, Matrix& out);

}  // namespace linalg
