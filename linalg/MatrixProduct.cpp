// The matrix product over the raw column-major storage: shapes and storage are
// checked once up front, and the kernels of the path in use (linalg/KernelPath.h)
// form the sums.

#include <algorithm>
#include <cstddef>
#include <utility>

#include "linalg/KernelPath.h"
#include "linalg/Matrix.h"

namespace linalg {
namespace {

using ProductKernel = void (*)(const Complex*, int, int, const Complex*, int, Complex*);

void multiplyInto(ProductKernel kernel, const Matrix& a, Matrix& result, const Matrix& b) {
    const int rows = a.rows();
    const int cols = b.cols();
    result.resize(rows, cols);
    if (rows <= 0 || cols <= 0) return;
    std::fill_n(result.data(), static_cast<std::size_t>(rows) * cols, Complex{});
    kernel(a.data(), rows, a.cols(), b.data(), cols, result.data());
}

bool multiplyWith(ProductKernel kernel, const Matrix& a, Matrix& result, const Matrix& b) {
    if (a.cols() != b.rows()) return false;
    if (a.rows() > 0 && a.cols() > 0 && b.cols() > 0) {
        // An operand without storage fails as reading its first entry would,
        // before the result is touched.
        a.requireStorage();
        b.requireStorage();
    }
    if (&result == &a || &result == &b) {
        Matrix product;
        multiplyInto(kernel, a, product, b);
        result = std::move(product);
    } else {
        multiplyInto(kernel, a, result, b);
    }
    return true;
}

}  // namespace

bool multiplyColumns(const Matrix& a, Matrix& result, const Matrix& b) {
    return multiplyWith(kernels().multiplyStreaming, a, result, b);
}

bool multiply(const Matrix& a, Matrix& result, const Matrix& b) { return multiplyWith(kernels().multiply, a, result, b); }

}  // namespace linalg
