// The kernel paths against one another, the general factor kernel and the compressed
// form against the full products, and the version that keys things derived from a matrix.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <set>
#include <cstring>
#include <utility>
#include <vector>

#include "linalg/CompressedMatrix.h"
#include "linalg/KernelPath.h"
#include "linalg/Kernels.h"
#include "linalg/Matrix.h"
#include "tests/linalg/MatrixTestSupport.h"

using linalg::Complex;
using linalg::KernelPath;
using linalg::Matrix;
using namespace linalg::testing;

namespace {

// Puts the path in use back when a test ends.
class PathGuard {
public:
    PathGuard() : saved_(linalg::kernelPath()) {}
    ~PathGuard() { linalg::selectKernelPath(saved_); }

private:
    KernelPath saved_;
};

// The paths this processor runs beyond the portable one.
std::vector<KernelPath> fasterPaths() {
    std::vector<KernelPath> paths;
    for (KernelPath path : {KernelPath::Avx2, KernelPath::Avx512})
        if (path <= linalg::bestKernelPath()) paths.push_back(path);
    return paths;
}

// About one entry in `share` non-zero, some of the zeros negative.
Matrix sparseMatrix(int rows, int cols, int share, std::mt19937& generator) {
    Matrix m = randomMatrix(rows, cols, generator);
    std::uniform_int_distribution<int> pick(0, share - 1);
    for (int n = 0; n < m.entryCount(); ++n)
        if (pick(generator) != 0) m.data()[n] = n % 3 == 0 ? Complex{-0.0, 0.0} : Complex{};
    return m;
}

}  // namespace

TEST(KernelPaths, NeverBeyondWhatTheProcessorRuns) {
    PathGuard guard;
    EXPECT_EQ(KernelPath::Portable, linalg::selectKernelPath(KernelPath::Portable));
    EXPECT_EQ(KernelPath::Portable, linalg::kernelPath());
    EXPECT_EQ(std::min(KernelPath::Avx2, linalg::bestKernelPath()), linalg::selectKernelPath(KernelPath::Avx2));
    EXPECT_EQ(linalg::bestKernelPath(), linalg::selectKernelPath(KernelPath::Avx512));
}

// Each path runs its own product kernel, taken from its table when the path is chosen.
TEST(KernelPaths, EachPathRunsItsOwnKernels) {
    PathGuard guard;
    std::vector<KernelPath> paths = fasterPaths();
    paths.insert(paths.begin(), KernelPath::Portable);
    for (std::size_t n = 0; n < paths.size(); ++n) {
        linalg::selectKernelPath(paths[n]);
        EXPECT_EQ(&linalg::kernels(), &linalg::kernelsFor(paths[n]));
        for (std::size_t other = 0; other < n; ++other)
            EXPECT_NE(linalg::kernels().multiply, linalg::kernelsFor(paths[other]).multiply);
    }
}

// The paths round every term alike and sum in the same order: the same numbers bit for
// bit, for every shape the tiles and register widths split differently.
TEST(KernelPaths, EveryPathGivesThePortableNumbers) {
    PathGuard guard;
    std::mt19937 generator(11);
    const int shapes[][3] = {{1, 1, 1}, {2, 3, 5}, {3, 5, 4},    {4, 4, 4},    {5, 7, 9},
                             {9, 2, 3}, {17, 70, 6}, {70, 130, 5}, {450, 30, 1}, {13, 1, 8}};
    for (const auto& s : shapes) {
        const Matrix a = randomMatrix(s[0], s[1], generator), b = randomMatrix(s[1], s[2], generator);
        linalg::selectKernelPath(KernelPath::Portable);
        const Matrix portable = product(a, b);
        for (KernelPath path : fasterPaths()) {
            linalg::selectKernelPath(path);
            expectSame(portable, product(a, b));
        }
    }
}

// The streaming product of a matrix by a few dozen columns: each column has the
// numbers of its own product with the matrix, on every path, whatever the groups of
// columns and rows and the leftover terms.
TEST(KernelPaths, ProductByColumnsGivesEachColumnsOwnProduct) {
    PathGuard guard;
    std::mt19937 generator(14);
    const int shapes[][3] = {{1, 1, 1}, {3, 5, 9}, {7, 6, 4}, {13, 11, 17}, {450, 30, 5}, {9, 3, 40}};
    for (const auto& s : shapes) {
        const Matrix a = randomMatrix(s[0], s[1], generator), b = randomMatrix(s[1], s[2], generator);
        for (KernelPath path : {KernelPath::Portable, KernelPath::Avx2, KernelPath::Avx512}) {
            linalg::selectKernelPath(path);
            Matrix together(1, 1);
            ASSERT_TRUE(linalg::multiplyColumns(a, together, b));
            ASSERT_EQ(s[2], together.cols());
            for (int k = 0; k < s[2]; ++k) {
                Matrix column(s[1], 1);
                std::copy_n(b.data() + k * s[1], s[1], column.data());
                const Matrix alone = product(a, column);
                ASSERT_EQ(0, std::memcmp(alone.data(), together.data() + k * s[0], s[0] * sizeof(Complex)))
                    << s[0] << " x " << s[1] << " by " << s[2] << ", column " << k;
            }
        }
    }
    Matrix unchanged(2, 2);
    EXPECT_FALSE(linalg::multiplyColumns(randomMatrix(3, 4, generator), unchanged, randomMatrix(5, 2, generator)));
    EXPECT_EQ(2, unchanged.rows());
}

// Rectangular operators and states of several columns, as the typed language's
// apply_op lifts them, against the Kronecker product multiplied out; every path gives
// the portable numbers.
TEST(ApplyOnFactorColumns, SameNumbersAsTheFullProduct) {
    PathGuard guard;
    std::mt19937 generator(12);
    std::uniform_int_distribution<int> size(1, 6);
    for (int trial = 0; trial < 40; ++trial) {
        const int m = size(generator), n = size(generator), left = size(generator), right = size(generator);
        const Matrix op = randomMatrix(m, n, generator);
        const Matrix state = randomMatrix(left * n * right, size(generator) % 3 + 1, generator);
        linalg::selectKernelPath(KernelPath::Portable);
        Matrix out(2, 2), aliased = state;
        linalg::applyOnFactorColumns(op, left, right, state, out);
        expectSame(fullProduct(op, left, right, state), out);
        if (m == n) {
            linalg::applyOnFactorColumns(op, left, right, aliased, aliased);
            expectSame(out, aliased);
        }
        for (KernelPath path : fasterPaths()) {
            linalg::selectKernelPath(path);
            Matrix faster;
            linalg::applyOnFactorColumns(op, left, right, state, faster);
            expectSame(out, faster);
        }
    }
}

TEST(ApplyOnFactorColumns, ShapesThatDoNotFitAreRefusedWithTheirReason) {
    std::mt19937 generator(13);
    const Matrix op = randomMatrix(3, 2, generator), state = randomMatrix(8, 2, generator);
    Matrix out = state;
    EXPECT_EQ("applyOnFactor: the state must have 12 rows, not 8 x 2",
              failureOf([&] { linalg::applyOnFactorColumns(op, 3, 2, state, out); }));
    EXPECT_EQ("applyOnFactor: identity sizes must be at least 1, not 4 and 0",
              failureOf([&] { linalg::applyOnFactorColumns(op, 4, 0, state, out); }));
    EXPECT_EQ("applyOnFactor: the operator must be a matrix with entries",
              failureOf([&] { linalg::applyOnFactorColumns(Matrix(), 4, 1, state, out); }));
    Matrix self = randomMatrix(2, 2, generator);
    EXPECT_EQ("applyOnFactor: the result must not be the operator",
              failureOf([&] { linalg::applyOnFactorColumns(self, 1, 1, self, self); }));
    const Matrix tall(1 << 14, 1), column(1 << 14, 1);
    EXPECT_EQ("Matrix too large: 268435456 x 1 entries",
              failureOf([&] { linalg::applyOnFactorColumns(tall, 1 << 14, 1, column, out); }));
    expectSame(state, out);
}

TEST(CompressedMatrix, SameNumbersAsTheDenseProductOnEveryPath) {
    PathGuard guard;
    std::mt19937 generator(14);
    for (int share : {1, 3, 50}) {
        const Matrix a = sparseMatrix(37, 41, share, generator), column = randomMatrix(41, 1, generator);
        const linalg::CompressedMatrix compressed(a);
        int nonZeros = 0;
        for (int n = 0; n < a.entryCount(); ++n) nonZeros += a.data()[n].re != 0.0 || a.data()[n].im != 0.0;
        EXPECT_EQ(nonZeros, compressed.nonZeroCount());
        for (KernelPath path : {KernelPath::Portable, linalg::bestKernelPath()}) {
            linalg::selectKernelPath(path);
            Matrix result(1, 1);
            ASSERT_TRUE(compressed.multiply(column, result));
            expectSame(product(a, column), result);
        }
    }
}

// 0 * infinity is not 0, and the form does not hold the zeros: such columns and shapes
// that do not fit are declined, the result untouched.
TEST(CompressedMatrix, DeclinesColumnsItCannotMultiplyExactly) {
    std::mt19937 generator(15);
    const linalg::CompressedMatrix compressed(sparseMatrix(4, 3, 2, generator));
    Matrix result = randomMatrix(2, 2, generator);
    const Matrix before = result;
    Matrix column = randomMatrix(3, 1, generator);
    column(1, 0).im = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(compressed.multiply(column, result));
    column(1, 0).im = std::nan("");
    EXPECT_FALSE(compressed.multiply(column, result));
    EXPECT_FALSE(compressed.multiply(randomMatrix(4, 1, generator), result));
    EXPECT_FALSE(compressed.multiply(randomMatrix(3, 2, generator), result));
    EXPECT_FALSE(linalg::CompressedMatrix(Matrix()).multiply(Matrix(), result));
    expectSame(before, result);
}

TEST(MatrixVersion, ChangesWithEveryMutableAccessAndIsNeverShared) {
    std::mt19937 generator(16);
    Matrix m = randomMatrix(3, 3, generator);
    const Matrix& view = m;
    std::set<std::uint64_t> seen;
    auto fresh = [&] { return seen.insert(m.version()).second; };
    ASSERT_TRUE(fresh());
    (void)view(1, 1);
    (void)view.data();
    EXPECT_FALSE(fresh());  // reading changes nothing
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"operator()", [&] { m(0, 1) = {2, 0}; }},
        {"data", [&] { m.data()[4] = {3, 0}; }},
        {"setEntry", [&] { m.setEntry(2, 2, {4, 0}); }},
        {"fill", [&] { m.fill({1, 1}); }},
        {"setIdentity", [&] { m.setIdentity(); }},
        {"scale", [&] { m.scale({0, 1}); }},
        {"setAdjointOf", [&] { m.setAdjointOf(m); }},
        {"copy", [&] { m = randomMatrix(3, 3, generator); }},
        {"resize", [&] { m.resize(2, 5); }},
        {"move", [&] { m = Matrix(2, 5); }},
    };
    for (const auto& [route, change] : changes) {
        change();
        EXPECT_TRUE(fresh()) << route;
    }
    const Matrix copy = m;
    EXPECT_TRUE(seen.insert(copy.version()).second);
    Matrix moved = std::move(m);
    EXPECT_TRUE(seen.insert(moved.version()).second);
    EXPECT_TRUE(fresh());
}
