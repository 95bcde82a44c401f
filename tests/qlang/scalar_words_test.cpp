// Scalar words checked against independent computations: stepwise remainders, and
// draws of the C library generator replayed by seeding it again.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "interp/Variable.h"
#include "interp/VariableTable.h"
#include "qlang/Evaluate.h"

namespace {

using tala::interp::Variable;
using tala::interp::VariableTable;

class ScalarWords : public ::testing::Test {
protected:
    Variable& run(const std::string& text) {
        result.release();
        qlang::evaluate(table, text, table.variables, result, false, true);
        return result;
    }

    VariableTable table;
    Variable result;
    std::mt19937 numbers{2024};
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(numbers); }
    // The next raw draw after seeding, with the generator seeded again so that
    // the word under test sees the same draw.
    static int replayedDraw(unsigned seed) {
        std::srand(seed);
        const int draw = std::rand();
        std::srand(seed);
        return draw;
    }
};

TEST_F(ScalarWords, PowmAgreesWithStepwiseRemainders) {
    // Small enough operands that no step of the plain loop overflows.
    for (int n = 0; n < 500; ++n) {
        const int base = between(-46340, 46340);
        const int exponent = between(-3, 300);
        int modulus = between(-46340, 46340);
        if (modulus == 0) modulus = 1;
        int r = 1;
        for (int e = 0; e < exponent; ++e) r = (r * base) % modulus;
        const std::string text =
            "powm " + std::to_string(base) + " " + std::to_string(exponent) + " " + std::to_string(modulus);
        EXPECT_EQ(run(text).getInteger(), r) << text;
    }
}

TEST_F(ScalarWords, RandAndRandfTakeOneDrawEach) {
    for (unsigned seed = 1; seed < 20; ++seed) {
        const int draw = replayedDraw(seed);
        EXPECT_EQ(run("rand 7").getInteger(), draw % 7);
        std::srand(seed);
        EXPECT_DOUBLE_EQ(run("randf 1.0 3.0").getDouble(), 1.0 + (draw % 10000 / 10000.0) * 2.0);
    }
}

TEST_F(ScalarWords, RandomIntTruncatesOneScaledSumTowardZero) {
    struct Range {
        std::int64_t small, large;
    };
    // Negative bounds show the truncation: -5 .. -5 can give -4.
    for (Range range : {Range{3, 7}, Range{-5, -5}, Range{-7, 2}, Range{0, 99},
                        Range{INT32_MIN, INT32_MAX}}) {
        for (unsigned seed = 1; seed < 30; ++seed) {
            const std::int64_t draw = replayedDraw(seed) % 100;
            const std::int64_t expected = (range.small * 100 + draw * (range.large - range.small + 1)) / 100;
            const std::string text = "random_int " + std::to_string(range.small) + " " + std::to_string(range.large);
            EXPECT_EQ(run(text).getInteger(), expected) << text << " seed " << seed;
        }
    }
}

}  // namespace
