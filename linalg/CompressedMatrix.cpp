#include "linalg/CompressedMatrix.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>

#include "linalg/KernelPath.h"

namespace linalg {

namespace {

bool isZero(Complex z) { return z.re == 0.0 && z.im == 0.0; }

bool allFinite(const Complex* z, int count) {
    for (int n = 0; n < count; ++n)
        if (!std::isfinite(z[n].re) || !std::isfinite(z[n].im)) return false;
    return true;
}

bool sameBits(const Complex& a, const Complex& b) { return std::memcmp(&a, &b, sizeof(Complex)) == 0; }

}  // namespace

int CompressedMatrix::nonZeroCountOf(const Matrix& m) {
    const Complex* entries = m.data();
    int count = 0;
    for (int n = 0; n < m.entryCount(); ++n) count += !isZero(entries[n]);
    return count;
}

bool CompressedMatrix::madeFrom(const Matrix& m) const {
    if (!m.hasStorage()) return rows_ == 0 && cols_ == 0;
    if (m.rows() != rows_ || m.cols() != cols_) return false;
    const Complex* entries = m.data();
    for (int c = 0; c < cols_; ++c) {
        const Complex* column = entries + static_cast<std::size_t>(c) * rows_;
        int kept = start_[c];
        for (int r = 0; r < rows_; ++r) {
            if (kept < start_[c + 1] && rowIndex_[kept] == r) {
                if (!sameBits(column[r], values_[kept++])) return false;
            } else if (!isPositiveZero(column[r])) {
                return false;
            }
        }
    }
    return true;
}

CompressedMatrix::CompressedMatrix(const Matrix& m) : rows_(m.rows()), cols_(m.cols()) {
    if (!m.hasStorage()) {
        rows_ = cols_ = 0;
        start_.assign(1, 0);
        return;
    }
    start_.reserve(static_cast<std::size_t>(cols_) + 1);
    start_.push_back(0);
    const Complex* entries = m.data();
    for (int c = 0; c < cols_; ++c) {
        const Complex* column = entries + static_cast<std::size_t>(c) * rows_;
        for (int r = 0; r < rows_; ++r) {
            if (isZero(column[r])) continue;
            rowIndex_.push_back(r);
            values_.push_back(column[r]);
        }
        start_.push_back(static_cast<int>(values_.size()));
    }
}

bool CompressedMatrix::multiply(const Matrix& column, Matrix& result) const {
    if (cols_ == 0 || !column.hasStorage() || column.cols() != 1 || column.rows() != cols_) return false;
    if (!allFinite(column.data(), cols_)) return false;
    // A result of the right shape is reused, unless it is the column itself.
    Matrix product;
    Matrix& target = &result == &column || rows_ == 0 ? product : result;
    target.resize(rows_, 1);
    target.setZero();
    kernels().multiplyCompressed(cols_, start_.data(), rowIndex_.data(), values_.data(), column.data(), target.data());
    if (&target == &product) result = std::move(product);
    return true;
}

}  // namespace linalg
