#include "linalg/Matrix.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <iostream>
#include <new>
#include <string>
#include <utility>

#include "linalg/EntryLimit.h"
#include "support/Failure.h"

namespace linalg {

void requireEntryLimit(std::int64_t rows, std::int64_t cols) {
    if (rows * cols > kMaxEntries) {
        throw support::Failure("Matrix too large: " + std::to_string(rows) + " x " +
                            std::to_string(cols) + " entries");
    }
}

namespace {

// Zero-filled storage for a rows x cols matrix, refused before anything is
// allocated when it does not fit in the memory budget.
CountedArray<Complex> storageFor(int rows, int cols) {
    CountedArray<Complex> storage;
    const auto shape = [&] { return std::to_string(rows) + " x " + std::to_string(cols) + " matrix"; };
    try {
        if (!CountedArray<Complex>::make(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), storage))
            refuseMemory(std::int64_t{rows} * cols * std::int64_t{sizeof(Complex)}, "a " + shape());
    } catch (const std::bad_alloc&) {
        throw support::Failure("Out of memory for a " + shape());
    }
    return storage;
}

}  // namespace

Matrix::Matrix(int rows, int cols) { resize(rows, cols); }

Matrix::Matrix(const Matrix& other)
    : rows_(other.rows_), cols_(other.cols_), entryCount_(other.entryCount_) {
    if (rows_ != 0 && cols_ != 0 && other.hasStorage()) {
        elements_ = storageFor(rows_, cols_);
        std::copy_n(other.elements_.get(), entryCount_, elements_.get());
    }
}

Matrix::Matrix(Matrix&& other) noexcept
    : elements_(std::move(other.elements_)),
      rows_(std::exchange(other.rows_, 0)),
      cols_(std::exchange(other.cols_, 0)),
      entryCount_(std::exchange(other.entryCount_, 0)) {
    other.changed();
}

Matrix& Matrix::operator=(Matrix&& other) noexcept {
    if (this != &other) {
        changed();
        other.changed();
        elements_ = std::move(other.elements_);
        rows_ = std::exchange(other.rows_, 0);
        cols_ = std::exchange(other.cols_, 0);
        entryCount_ = std::exchange(other.entryCount_, 0);
    }
    return *this;
}

Matrix& Matrix::operator=(const Matrix& source) {
    if (this == &source) return *this;
    changed();
    if (hasStorage() && rows_ == source.rows_ && cols_ == source.cols_) {
        if (!source.hasStorage()) throw support::Failure("Error 2 in operator=\n");
        std::copy_n(source.elements_.get(), entryCount_, elements_.get());
        return *this;
    }
    elements_.reset();
    rows_ = source.rows_;
    cols_ = source.cols_;
    entryCount_ = source.entryCount_;
    if (rows_ == 0 || cols_ == 0 || !source.hasStorage()) {
        throw support::Failure("Error 1 in operator=\n");
    }
    elements_ = storageFor(rows_, cols_);
    std::copy_n(source.elements_.get(), entryCount_, elements_.get());
    return *this;
}

void Matrix::accessFailure(int r, int c) const {
    std::cout << "Error 5 (" << static_cast<const void*>(elements_.get()) << ", " << r << ", "
              << rows_ << ", " << c << ", " << cols_ << ")\n";
    throw support::Failure("Error 1 in operator()");
}

Complex& Matrix::operator()(int r, int c) {
    if (!elements_ || r < 0 || r >= rows_ || c < 0 || c >= cols_) accessFailure(r, c);
    changed();
    return elements_[r + static_cast<std::size_t>(c) * rows_];
}

const Complex& Matrix::operator()(int r, int c) const {
    if (!elements_ || r < 0 || r >= rows_ || c < 0 || c >= cols_) accessFailure(r, c);
    return elements_[r + static_cast<std::size_t>(c) * rows_];
}

void Matrix::setEntry(int r, int c, Complex value) { (*this)(r, c) = value; }

std::uint64_t Matrix::version() const {
    static std::atomic<std::uint64_t> lastVersion{0};
    if (version_ == 0) version_ = ++lastVersion;
    return version_;
}

void Matrix::allocate(int rows, int cols) {
    // Check before freeing anything: a refused request leaves the matrix as it was.
    requireEntryLimit(rows, cols);
    const int count = rows * cols;
    CountedArray<Complex> fresh = storageFor(rows, cols);
    changed();
    elements_ = std::move(fresh);
    rows_ = rows;
    cols_ = cols;
    entryCount_ = count;
}

void Matrix::resize(int rows, int cols) {
    if (rows <= 0 || cols <= 0) return;
    if (hasStorage() && rows == rows_ && cols == cols_) return;
    allocate(rows, cols);
}

void Matrix::setZero() { fill({0.0, 0.0}); }

void Matrix::setIdentity() {
    if (!hasStorage()) return;
    setZero();
    const int diagonal = std::min(rows_, cols_);
    for (int i = 0; i < diagonal; ++i) elements_[i + static_cast<std::size_t>(i) * rows_] = {1.0, 0.0};
}

void Matrix::fill(Complex value) {
    if (!hasStorage()) return;
    changed();
    std::fill_n(elements_.get(), entryCount_, value);
}

void Matrix::scale(Complex factor) {
    if (!hasStorage()) return;
    changed();
    Complex* e = elements_.get();
    for (int n = 0; n < entryCount_; ++n) e[n] = multiply(factor, e[n]);
}

void Matrix::setAdjointOf(const Matrix& source) {
    if (!source.hasStorage()) return;
    // Built apart so that m.setAdjointOf(m) reads the entries before they are overwritten.
    Matrix adjoint(source.cols_, source.rows_);
    const Complex* from = source.elements_.get();
    Complex* to = adjoint.elements_.get();
    for (int c = 0; c < source.cols_; ++c) {
        for (int r = 0; r < source.rows_; ++r) {
            to[c + static_cast<std::size_t>(r) * source.cols_] =
                conj(from[r + static_cast<std::size_t>(c) * source.rows_]);
        }
    }
    if (this == &source) {
        *this = std::move(adjoint);
        return;
    }
    resize(source.cols_, source.rows_);
    changed();
    std::copy_n(to, entryCount_, elements_.get());
}

bool Matrix::isUnitary() const {
    constexpr double kTolerance = 0.0001;
    Matrix adjoint;
    adjoint.setAdjointOf(*this);
    Matrix product;
    multiply(*this, product, adjoint);
    for (int c = 0; c < product.cols_; ++c) {
        for (int r = 0; r < product.rows_; ++r) {
            const Complex p = product(r, c);
            const double expected = r == c ? 1.0 : 0.0;
            if (!(std::abs(p.re - expected) <= kTolerance) || !(std::abs(p.im) <= kTolerance)) {
                return false;
            }
        }
    }
    return true;
}

void Matrix::print(std::ostream& out, bool all) const {
    if (!hasStorage()) return;
    const int shownRows = all ? rows_ : std::min(rows_, 10);
    const int shownCols = all ? cols_ : std::min(cols_, 10);
    for (int r = 0; r < shownRows; ++r) {
        for (int c = 0; c < shownCols; ++c) {
            const Complex& e = elements_[r + static_cast<std::size_t>(c) * rows_];
            out << e.re << " + " << e.im << "i\t";
        }
        out << "\n";
    }
    out << "\n";
}

}  // namespace linalg
