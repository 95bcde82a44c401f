// The random words against draws of the same C library generator, replayed by
// seeding it again.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

#include "interp/Variable.h"
#include "interp/VariableTable.h"
#include "linalg/Failure.h"
#include "qlang/Evaluate.h"

namespace {

using tala::interp::Variable;
using tala::interp::VariableTable;

class RandomWords : public ::testing::Test {
protected:
    Variable& run(const std::string& text) {
        result.release();
        qlang::evaluate(table, text, table.variables, result, false, true);
        return result;
    }
    // The next raw draw after seeding, with the generator seeded again so that
    // the word under test sees the same draw.
    static int replayedDraw(unsigned seed) {
        std::srand(seed);
        const int draw = std::rand();
        std::srand(seed);
        return draw;
    }

    VariableTable table;
    Variable result;
};

TEST_F(RandomWords, RandTakesOneDrawModuloTheRange) {
    for (unsigned seed = 1; seed < 20; ++seed) {
        const int draw = replayedDraw(seed);
        EXPECT_EQ(run("rand 7").getInteger(), draw % 7);
    }
}

TEST_F(RandomWords, RandfHasResolutionOneTenThousandth) {
    for (unsigned seed = 1; seed < 20; ++seed) {
        const int draw = replayedDraw(seed) % 10000;
        EXPECT_DOUBLE_EQ(run("randf 1.0 3.0").getDouble(), 1.0 + (draw / 10000.0) * 2.0);
    }
}

TEST_F(RandomWords, RandomIntTruncatesOneScaledSumTowardZero) {
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

TEST_F(RandomWords, DrawsCoverTheirRangeAndStayInIt) {
    std::srand(99);
    std::set<int> ints, rands;
    for (int n = 0; n < 2000; ++n) {
        ints.insert(run("random_int 3 7").getInteger());
        rands.insert(run("rand 5").getInteger());
    }
    EXPECT_EQ(ints, (std::set<int>{3, 4, 5, 6, 7}));
    EXPECT_EQ(rands, (std::set<int>{0, 1, 2, 3, 4}));
}

TEST_F(RandomWords, ReversedRangeReportsThenFails) {
    std::ostringstream out;
    std::streambuf* saved = std::cout.rdbuf(out.rdbuf());
    EXPECT_THROW(run("random_int 5 4"), tala::Failure);
    std::cout.rdbuf(saved);
    EXPECT_EQ(out.str(), "Syntax error 'random_int 5 4'; large < small\n");
    EXPECT_FALSE(result.hasValue());
}

}  // namespace
