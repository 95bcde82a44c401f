// The memory budget: the count follows matrix storage, and a request over the budget is
// refused before anything changes.
#include "linalg/MemoryBudget.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>
#include "linalg/Matrix.h"
#include "testsupport/StreamCapture.h"
namespace {
using linalg::Matrix;
using linalg::memoryInUse;
constexpr std::int64_t kEntry = sizeof(linalg::Complex);
class MemoryBudget : public ::testing::Test {
protected:
    void TearDown() override { linalg::setMemoryBudget(saved_); }
    // A budget that leaves exactly `free` bytes over what is counted now.
    void leaveFree(std::int64_t free) { linalg::setMemoryBudget(memoryInUse() + free); }
    const std::int64_t saved_ = linalg::memoryBudget();
    const std::int64_t base_ = memoryInUse();
};

TEST_F(MemoryBudget, CountFollowsStorageThroughCopiesMovesAndResizes) {
    {
        Matrix a(100, 100);
        EXPECT_EQ(memoryInUse() - base_, 10000 * kEntry);
        Matrix b = a;
        EXPECT_EQ(memoryInUse() - base_, 20000 * kEntry);
        Matrix c = std::move(a);
        EXPECT_EQ(memoryInUse() - base_, 20000 * kEntry);
        b.resize(10, 10);
        EXPECT_EQ(memoryInUse() - base_, 10100 * kEntry);
        c = b;
        EXPECT_EQ(memoryInUse() - base_, 200 * kEntry);
        a = std::move(c);
        b = Matrix();
        EXPECT_EQ(memoryInUse() - base_, 100 * kEntry);
    }
    EXPECT_EQ(memoryInUse(), base_);
}

TEST_F(MemoryBudget, RequestsOverTheBudgetAreRefusedBeforeAnythingChanges) {
    Matrix m(10, 10);
    m(3, 4) = {5.0, 0.0};
    leaveFree(1 << 20);
    EXPECT_EQ("Not enough memory for a 1000 x 1000 matrix: it needs 16 MB, but only 1024 KB of the memory budget are free",
              failureOf([&] { m.resize(1000, 1000); }));
    EXPECT_EQ(m.rows(), 10);
    EXPECT_EQ(m(3, 4).re, 5.0);
    EXPECT_EQ("Not enough memory for the test: it needs 2048 KB, but only 1024 KB of the memory budget are free",
              failureOf([] { linalg::requireMemory(2 << 20, "the test"); }));
    // What fits is allowed, up to the last byte; what is given back can be asked for again.
    Matrix fits(256, 256);
    EXPECT_EQ("Not enough memory for a 1 x 1 matrix: it needs 16 bytes, but only 0 bytes of the memory budget are free",
              failureOf([] { Matrix one(1, 1); }));
    fits = Matrix();
    fits = Matrix(256, 256);
    EXPECT_EQ(memoryInUse(), linalg::memoryBudget());
}

TEST_F(MemoryBudget, CountingAllocatorCountsEachAllocationWithItsExtra) {
    {
        std::vector<double, linalg::CountingAllocator<double, 100>> values;
        values.reserve(10);
        EXPECT_EQ(memoryInUse() - base_, 10 * 8 + 100);
        leaveFree(0);
        EXPECT_EQ("Not enough memory for a value: it needs 260 bytes, but only 0 bytes of the memory budget are free",
                  failureOf([&] { values.reserve(20); }));
        EXPECT_EQ(values.capacity(), 10u);
    }
    EXPECT_EQ(memoryInUse(), base_);
}

// A limit not a positive number or over the memory available (2^43 MB overflows in bytes) is refused with a notice.
TEST(MemoryBudgetSetting, TheLimitIsReadWithARangeCheck) {
    constexpr std::int64_t kMB = 1 << 20, available = 8192 * kMB, kept = 7168 * kMB;  // the margin is an eighth
    const std::tuple<const char*, std::int64_t, const char*> cases[] = {
        {nullptr, kept, ""}, {"100", 100 * kMB, ""}, {"8000", kept, ""},
        {"8193", kept,
         "FLOCK_MEMORY_LIMIT_MB='8193' is more than the 8192 MB of memory available; the budget stays at 7168 MB."},
        {"8796093022208", kept, "FLOCK_MEMORY_LIMIT_MB='8796093022208' is more than the 8192 MB"},
        {"0", kept, "FLOCK_MEMORY_LIMIT_MB='0' is not a number of megabytes; ignored."},
        {"12x", kept, "is not a number of megabytes"}, {"", kept, "is not a number of megabytes"}};
    for (const auto& [limit, budget, expected] : cases) {
        std::string notice;
        EXPECT_EQ(linalg::memoryBudgetFor(available, limit, notice), budget) << (limit ? limit : "unset");
        EXPECT_NE(notice.find(expected), std::string::npos) << notice;
        EXPECT_EQ(notice.empty(), *expected == '\0') << notice;
    }
}
}  // namespace
