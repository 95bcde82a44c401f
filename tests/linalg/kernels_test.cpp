// Every kernel path against the plain formulas, each forced in turn; the refusals of the
// factor kernel; the compressed form; and the version that keys things derived from a matrix.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <utility>
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
const char* nameOf(KernelPath path) {
    return path == KernelPath::Portable ? "Portable" : path == KernelPath::Avx2 ? "Avx2" : "Avx512";
}
// Puts the path in use back when a test ends.
struct PathGuard {
    const KernelPath saved = linalg::kernelPath();
    ~PathGuard() { linalg::selectKernelPath(saved); }
};
// Runs a test on one path, and skips it, naming the path, where the processor lacks that.
template <KernelPath path>
struct OnePath : ::testing::Test {
    void SetUp() override {
        if (linalg::selectKernelPath(path) != path)
            GTEST_SKIP() << "this processor does not run the " << nameOf(path) << " kernels";
    }
    PathGuard guard_;
};
using PortableKernels = OnePath<KernelPath::Portable>;
using Avx2Kernels = OnePath<KernelPath::Avx2>;
using Avx512Kernels = OnePath<KernelPath::Avx512>;
// About one entry in `share` non-zero, some of the zeros negative.
Matrix sparseMatrix(int rows, int cols, int share, std::mt19937& generator) {
    Matrix m = randomMatrix(rows, cols, generator);
    std::uniform_int_distribution<int> pick(0, share - 1);
    for (int n = 0; n < m.entryCount(); ++n)
        if (pick(generator) != 0) m.data()[n] = n % 3 == 0 ? Complex{-0.0, 0.0} : Complex{};
    return m;
}
// Terms rounded alike, added from +0 in ascending order: bit for bit however tiles split; skipped -0 adds nothing.
void productsGiveThePlainFormulasNumbers() {
    std::mt19937 generator(2);
    const int shapes[][3] = {{1, 1, 1}, {2, 3, 5}, {3, 4, 2}, {3, 5, 9}, {4, 4, 4}, {5, 7, 9}, {6, 1, 4}, {7, 6, 4},
                             {9, 3, 40}, {13, 1, 8}, {13, 11, 17}, {17, 9, 1}, {33, 70, 9}, {70, 130, 5}, {450, 30, 5},
                             {2, 450, 1}};
    for (const auto& s : shapes) {
        const Matrix a = randomMatrix(s[0], s[1], generator), b = randomMatrix(s[1], s[2], generator);
        Matrix result(s[0], s[2]), byColumns(1, 1);
        result.fill({3.0, -3.0});  // old entries must not leak into sums
        ASSERT_TRUE(linalg::multiply(a, result, b));
        ASSERT_TRUE(linalg::multiplyColumns(a, byColumns, b));
        expectSame(referenceProduct(a, b), result);
        expectSame(referenceProduct(a, b), byColumns);
    }
    const Matrix x = randomMatrix(3, 3, generator), y = randomMatrix(3, 3, generator);
    Matrix right = y;  // the result may also be an operand
    ASSERT_TRUE(linalg::multiply(x, right, right));
    expectSame(referenceProduct(x, y), right);
    Matrix untouched = randomMatrix(2, 2, generator);
    const Matrix before = untouched;
    EXPECT_FALSE(linalg::multiply(Matrix(2, 3), untouched, Matrix(2, 3)));
    EXPECT_FALSE(linalg::multiply(Matrix(1, 1), untouched, Matrix()));
    EXPECT_FALSE(linalg::multiplyColumns(Matrix(3, 4), untouched, Matrix(5, 2)));
    expectSame(before, untouched);
    generator.seed(14);
    for (int share : {1, 3, 50}) {
        const Matrix a = sparseMatrix(37, 41, share, generator), column = randomMatrix(41, 1, generator);
        Matrix result(1, 1);
        ASSERT_TRUE(linalg::CompressedMatrix(a).multiply(column, result));
        expectSame(referenceProduct(a, column), result);
    }
}
// Products with the identity's 1 + 0i are exact, so each form gives the full product's numbers bit for bit.
void factorKernelsGiveTheFullProductsNumbers() {
    std::mt19937 generator(12);
    std::uniform_int_distribution<int> size(1, 6);
    for (int trial = 0; trial < 60; ++trial) {
        const bool square = trial % 2 == 0;
        const int n = size(generator), m = square ? n : size(generator), left = size(generator);
        const int right = size(generator), columns = square ? 1 : size(generator) % 3 + 1;
        const Matrix op = randomMatrix(m, n, generator), state = randomMatrix(left * n * right, columns, generator);
        const Matrix expected = fullProduct(op, left, right, state);
        Matrix out(2, 2);
        linalg::applyOnFactorColumns(op, left, right, state, out);
        expectSame(expected, out);
        if (!square) continue;
        Matrix single(3, 3), inPlace = state, aliased = state, aliasedColumns = state;
        linalg::applyOnFactor(op, left, right, state, single);
        linalg::applyOnFactorInPlace(op, left, right, inPlace);
        linalg::applyOnFactor(op, left, right, aliased, aliased);
        linalg::applyOnFactorColumns(op, left, right, aliasedColumns, aliasedColumns);
        for (const Matrix* result : {&single, &inPlace, &aliased, &aliasedColumns}) expectSame(expected, *result);
    }
}
}  // namespace

TEST_F(PortableKernels, ProductsGiveThePlainFormulasNumbers) { productsGiveThePlainFormulasNumbers(); }
TEST_F(Avx2Kernels, ProductsGiveThePlainFormulasNumbers) { productsGiveThePlainFormulasNumbers(); }
TEST_F(Avx512Kernels, ProductsGiveThePlainFormulasNumbers) { productsGiveThePlainFormulasNumbers(); }
TEST_F(PortableKernels, FactorKernelsGiveTheFullProductsNumbers) { factorKernelsGiveTheFullProductsNumbers(); }
TEST_F(Avx2Kernels, FactorKernelsGiveTheFullProductsNumbers) { factorKernelsGiveTheFullProductsNumbers(); }
TEST_F(Avx512Kernels, FactorKernelsGiveTheFullProductsNumbers) { factorKernelsGiveTheFullProductsNumbers(); }

// A path beyond the processor gives the best it runs; each path chosen runs its own table's kernels.
TEST(KernelPaths, EachPathTheProcessorRunsHasItsOwnKernels) {
    PathGuard guard;
    const KernelPath best = linalg::bestKernelPath();
    EXPECT_EQ(std::min(KernelPath::Avx2, best), linalg::selectKernelPath(KernelPath::Avx2));
    EXPECT_EQ(best, linalg::selectKernelPath(KernelPath::Avx512));
    std::set<decltype(linalg::KernelTable::multiply)> products;
    for (KernelPath path : {KernelPath::Portable, KernelPath::Avx2, KernelPath::Avx512}) {
        if (path > best) break;
        EXPECT_EQ(path, linalg::selectKernelPath(path));
        EXPECT_EQ(&linalg::kernels(), &linalg::kernelsFor(path));
        EXPECT_TRUE(products.insert(linalg::kernels().multiply).second) << nameOf(path);
    }
}

TEST(ApplyOnFactor, RefusalsNameTheirReasonAndLeaveEverythingAsItWas) {
    std::mt19937 generator(10);
    const Matrix op = randomMatrix(3, 3, generator), wide = randomMatrix(3, 2, generator);
    const Matrix state = randomMatrix(12, 1, generator), tall(1 << 14, 1);
    Matrix out = state, operand = op, both = randomMatrix(1, 1, generator);
    const Matrix bothBefore = both;
    // An operator that is also the state or the result would be overwritten while it is read.
    const std::pair<const char*, std::function<void()>> refusals[] = {
        {"the state must be a column of 18 entries, not 12 x 1", [&] { linalg::applyOnFactor(op, 3, 2, state, out); }},
        {"the operator must be a square matrix with entries", [&] { linalg::applyOnFactor(wide, 4, 1, state, out); }},
        {"the state must be a column of 3298534883328 entries, not 12 x 1",
         [&] { linalg::applyOnFactor(op, 1 << 20, 1 << 20, state, out); }},
        {"identity sizes must be at least 1, not 0 and 4", [&] { linalg::applyOnFactor(op, 0, 4, state, out); }},
        {"the result must not be the operator", [&] { linalg::applyOnFactorInPlace(both, 1, 1, both); }},
        {"the result must not be the operator", [&] { linalg::applyOnFactor(operand, 1, 4, state, operand); }},
        {"the state must have 8 rows, not 12 x 1", [&] { linalg::applyOnFactorColumns(wide, 4, 1, state, out); }},
        {"the operator must be a matrix with entries",
         [&] { linalg::applyOnFactorColumns(Matrix(), 4, 1, state, out); }},
        {"the result must not be the operator", [&] { linalg::applyOnFactorColumns(both, 1, 1, both, both); }}};
    for (const auto& [reason, action] : refusals) EXPECT_EQ(std::string("applyOnFactor: ") + reason, failureOf(action));
    EXPECT_EQ("Matrix too large: 268435456 x 1 entries",
              failureOf([&] { linalg::applyOnFactorColumns(tall, 1 << 14, 1, tall, out); }));
    expectSame(bothBefore, both);
    expectSame(op, operand);
    expectSame(state, out);
}

// -0 is a zero too; 0 * infinity is not 0, so such columns are declined like misfit shapes, the result untouched.
TEST(CompressedMatrix, HoldsNoZerosAndDeclinesColumnsItCannotMultiplyExactly) {
    Matrix zeros(2, 2);
    zeros(0, 1) = {-0.0, 0.0};
    zeros(1, 0) = {0.0, -2.0};
    EXPECT_EQ(1, linalg::CompressedMatrix(zeros).nonZeroCount());
    std::mt19937 generator(15);
    const linalg::CompressedMatrix compressed(sparseMatrix(4, 3, 2, generator));
    Matrix result = randomMatrix(2, 2, generator), column = randomMatrix(3, 1, generator);
    const Matrix before = result;
    for (double bad : {std::numeric_limits<double>::infinity(), std::nan("")}) {
        column(1, 0).im = bad;
        EXPECT_FALSE(compressed.multiply(column, result));
    }
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
    (void)view(1, 1), (void)view.data();
    EXPECT_FALSE(fresh());  // reading changes nothing
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"operator()", [&] { m(0, 1) = {2, 0}; }}, {"data", [&] { m.data()[4] = {3, 0}; }},
        {"fill", [&] { m.fill({1, 1}); }}, {"scale", [&] { m.scale({0, 1}); }},
        {"setAdjointOf", [&] { m.setAdjointOf(m); }}, {"copy", [&] { m = randomMatrix(3, 3, generator); }},
        {"resize", [&] { m.resize(2, 5); }}, {"move", [&] { m = Matrix(2, 5); }}};
    for (const auto& [route, change] : changes) EXPECT_TRUE((change(), fresh())) << route;
    EXPECT_TRUE(seen.insert(Matrix(m).version()).second);
    EXPECT_TRUE(seen.insert(Matrix(std::move(m)).version()).second);
    EXPECT_TRUE(fresh());
}
