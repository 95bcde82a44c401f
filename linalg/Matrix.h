#pragma once
// Dense column-major complex matrix. Entry (r, c) is element r + c * rows.
// A matrix exclusively owns its storage; copies never share it. Storage counts
// against the process's memory budget (linalg/MemoryBudget.h).

#include <cstdint>
#include <iosfwd>
#include <vector>

#include "linalg/Complex.h"
#include "linalg/MemoryBudget.h"

namespace linalg {

// Largest number of entries one matrix may hold; a larger request fails with
// its own text instead of reaching the allocator.
inline constexpr std::int64_t kMaxEntries = (std::int64_t{1} << 28) - 1;

class Matrix {
public:
    Matrix() = default;
    Matrix(int rows, int cols);  // zero-filled; same rules as resize
    Matrix(const Matrix& other);
    Matrix& operator=(const Matrix& source);
    Matrix(Matrix&& other) noexcept;
    Matrix& operator=(Matrix&& other) noexcept;

    int rows() const { return rows_; }
    int cols() const { return cols_; }
    int entryCount() const { return entryCount_; }
    bool hasStorage() const { return static_cast<bool>(elements_); }

    // Checked access: prints the "Error 5 (" line and raises "Error 1 in operator()".
    Complex& operator()(int r, int c);
    const Complex& operator()(int r, int c) const;
    void setEntry(int r, int c, Complex value);
    // Without storage: the failure of reading entry (0, 0), its "Error 5 (" line included.
    void requireStorage() const {
        if (!elements_) accessFailure(0, 0);
    }

    // Unchecked storage for kernels (column-major, entryCount() entries; null without storage).
    // Writes go through the pointer the mutable data() has just answered.
    Complex* data() {
        changed();
        return elements_.get();
    }
    const Complex* data() const { return elements_.get(); }

    // A number for the present contents, for keeping things derived from a matrix: it
    // is never 0, two matrices never share it, and it changes whenever this matrix may
    // have changed (every mutable access counts). Single-threaded, like the matrix.
    std::uint64_t version() const;

    void resize(int rows, int cols);
    void setZero();
    void setIdentity();
    void fill(Complex value);
    void scale(Complex factor);
    void setAdjointOf(const Matrix& source);

    bool isUnitary() const;
    void print(std::ostream& out, bool all) const;

private:
    void allocate(int rows, int cols);
    [[noreturn]] void accessFailure(int r, int c) const;
    void changed() { version_ = 0; }

    CountedArray<Complex> elements_;
    int rows_ = 0;
    int cols_ = 0;
    int entryCount_ = 0;
    mutable std::uint64_t version_ = 0;  // 0: none handed out since the last change
};

// result = a + b; raises "Error - cannot add matrix\n" on missing storage or shape mismatch.
// A null result or null b does nothing.
void add(const Matrix& a, Matrix* result, const Matrix* b);
// result = a - b; raises "Error - cannot subtract matrix\n".
void subtract(const Matrix& a, Matrix* result, const Matrix* b);
// result = a * b; false (result untouched) when a.cols != b.rows.
bool multiply(const Matrix& a, Matrix& result, const Matrix& b);
// The same product, the same numbers, for a large a and a few dozen columns of b: a is
// read once for every few columns instead of being repacked.
bool multiplyColumns(const Matrix& a, Matrix& result, const Matrix& b);
// result = a (x) b, a the most significant factor. A null b or result does nothing.
void kronecker(const Matrix& a, const Matrix* b, Matrix* result);
// Sum of a[n] * b[n] over stored entries, no conjugation; four failures in order.
Complex dot(const Matrix& a, const Matrix* b);
// Fills result (already n x n) with the unitary built from the angle arrays.
void buildUnitary(const std::vector<double>& rotation, const std::vector<double>& phase,
                  const std::vector<double>& offPhase, Matrix& result);

}  // namespace linalg
