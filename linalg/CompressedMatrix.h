#pragma once
// A sparse matrix in compressed columns, made from a dense one, for products whose
// cost should follow the non-zeros. Its product with a finite column is bit-identical
// to the dense product on the same kernel path: each entry adds the same non-zero
// terms in the same ascending order, and the dense product's exact-zero terms add
// nothing to a sum that starts from +0.

#include <vector>

#include "linalg/Complex.h"
#include "linalg/Matrix.h"

namespace linalg {

class CompressedMatrix {
public:
    CompressedMatrix() = default;
    // The non-zero entries of m (an entry is zero when both parts are 0 or -0).
    explicit CompressedMatrix(const Matrix& m);

    int rows() const { return rows_; }
    int cols() const { return cols_; }
    int nonZeroCount() const { return static_cast<int>(values_.size()); }
    // The entries a form made of m would keep.
    static int nonZeroCountOf(const Matrix& m);
    // Whether m is the matrix this form tells exactly: the same shape, the kept entries
    // in their places with the same bits, and every other entry +0 in both parts.
    bool madeFrom(const Matrix& m) const;

    // result = this * column, the dense product's numbers, for a column of cols()
    // finite entries. Answers false, result untouched, when the column does not fit
    // or holds an infinity or a NaN (where 0 * y is not 0): the caller then takes the
    // dense route.
    bool multiply(const Matrix& column, Matrix& result) const;

private:
    int rows_ = 0;
    int cols_ = 0;
    std::vector<int> start_;     // cols_ + 1 offsets into rowIndex_ and values_
    std::vector<int> rowIndex_;  // ascending within each column
    std::vector<Complex> values_;
};

}  // namespace linalg
