// Sums, the Kronecker product and the dot product. The loops run over the raw
// column-major storage; shapes and storage are checked once up front.

#include <cstddef>
#include <utility>

#include "linalg/EntryLimit.h"
#include "support/Failure.h"
#include "linalg/Matrix.h"

namespace linalg {
namespace {

bool sameShapeWithStorage(const Matrix& a, const Matrix& b) {
    return a.hasStorage() && b.hasStorage() && a.rows() == b.rows() && a.cols() == b.cols();
}

template <typename Combine>
void combineEntries(const Matrix& a, Matrix& result, const Matrix& b, Combine combine) {
    result.resize(a.rows(), a.cols());
    const Complex* x = a.data();
    const Complex* y = b.data();
    Complex* out = result.data();
    // Entry by entry, so a result that is also an operand still comes out right.
    for (int n = 0; n < result.entryCount(); ++n) out[n] = combine(x[n], y[n]);
}

void kroneckerInto(const Matrix& a, const Matrix& b, Matrix& result) {
    const int bRows = b.rows();
    const int bCols = b.cols();
    const int rows = a.rows() * bRows;
    const int cols = a.cols() * bCols;
    result.resize(rows, cols);
    const Complex* x = a.data();
    const Complex* y = b.data();
    Complex* out = result.data();
    for (int k = 0; k < cols; ++k) {
        const Complex* aColumn = x + static_cast<std::size_t>(k / bCols) * a.rows();
        const Complex* bColumn = y + static_cast<std::size_t>(k % bCols) * bRows;
        Complex* outColumn = out + static_cast<std::size_t>(k) * rows;
        for (int ia = 0; ia < a.rows(); ++ia) {
            const Complex factor = aColumn[ia];
            Complex* block = outColumn + static_cast<std::size_t>(ia) * bRows;
            for (int ib = 0; ib < bRows; ++ib) block[ib] = multiply(factor, bColumn[ib]);
        }
    }
}

}  // namespace

void add(const Matrix& a, Matrix* result, const Matrix* b) {
    if (result == nullptr || b == nullptr) return;
    if (!sameShapeWithStorage(a, *b)) throw support::Failure("Error - cannot add matrix\n");
    combineEntries(a, *result, *b, [](Complex x, Complex y) { return x + y; });
}

void subtract(const Matrix& a, Matrix* result, const Matrix* b) {
    if (result == nullptr || b == nullptr) return;
    if (!sameShapeWithStorage(a, *b)) throw support::Failure("Error - cannot subtract matrix\n");
    combineEntries(a, *result, *b, [](Complex x, Complex y) { return x - y; });
}

void kronecker(const Matrix& a, const Matrix* b, Matrix* result) {
    if (b == nullptr || result == nullptr) return;
    (void)a(0, 0);
    (void)(*b)(0, 0);
    requireEntryLimit(static_cast<std::int64_t>(a.rows()) * b->rows(),
                      static_cast<std::int64_t>(a.cols()) * b->cols());
    if (result == &a || result == b) {
        Matrix product;
        kroneckerInto(a, *b, product);
        *result = std::move(product);
    } else {
        kroneckerInto(a, *b, *result);
    }
}

Complex dot(const Matrix& a, const Matrix* b) {
    if (b == nullptr) throw support::Failure("dot product: B is NULL");
    if (a.entryCount() != b->entryCount()) throw support::Failure("Dot product error 1\n");
    if (a.rows() != 1 && a.cols() != 1) throw support::Failure("Dot product error 2\n");
    if (b->cols() != 1) throw support::Failure("Dot product error 3\n");
    if (a.entryCount() > 0) {
        (void)a(0, 0);
        (void)(*b)(0, 0);
    }
    const Complex* x = a.data();
    const Complex* y = b->data();
    Complex sum;
    for (int n = 0; n < a.entryCount(); ++n) sum = sum + multiply(x[n], y[n]);
    return sum;
}

}  // namespace linalg
