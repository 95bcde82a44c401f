// The pieces both evaluators share, where the scripts cannot reach them: the nesting
// guard on its own and with the stack watch, the bracket check at its limit, and
// where the two languages' number readers part (each language's literals are in its
// golden scripts).

#include "interp/InterpreterCore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "tests/support/StreamCapture.h"

using namespace tala::interp;

namespace {

constexpr NestingRule kThreeDeep{3, "too deep", false};

// Recursion with frames far larger than any evaluator's: only the stack watch stops it.
int recurse(NestingDepth& depth, const NestingRule& rule, int level) {
    const NestingGuard guard(depth, rule);
    volatile char frame[64 * 1024];
    frame[level % sizeof frame] = 1;
    if (level > 100000) return 0;
    return recurse(depth, rule, level + 1) + frame[0];
}

}  // namespace

TEST(NestingGuard, CountsOpenEvaluationsRefusesPastTheLimitAndRecovers) {
    NestingDepth depth;
    {
        const NestingGuard a(depth, kThreeDeep), b(depth, kThreeDeep), c(depth, kThreeDeep);
        EXPECT_EQ(depth.depth, 3);
        EXPECT_EQ(failureOf([&] { const NestingGuard d(depth, kThreeDeep); }), "too deep");
        EXPECT_EQ(depth.depth, 3);
    }
    EXPECT_EQ(depth.depth, 0);
}

TEST(NestingGuard, TheStackWatchStopsLargeFramesBeforeTheStackRunsOut) {
    NestingDepth depth;
    EXPECT_EQ(failureOf([&] { recurse(depth, {1000000, "stack spent", true}, 0); }), "stack spent");
    EXPECT_EQ(depth.depth, 0);
}

TEST(BracketDepth, TextsNestedToTheLimitPassAndOneLevelMoreFails) {
    EXPECT_EQ(failureOf([] { checkBracketDepth("a (b (c (d)))", kThreeDeep); }), "(no failure)");
    EXPECT_EQ(failureOf([] { checkBracketDepth("a (b (c (d (e))))", kThreeDeep); }), "too deep");
    // Closing brackets without an opening one give no credit.
    EXPECT_EQ(failureOf([] { checkBracketDepth(")))) ((((x))))", kThreeDeep); }), "too deep");
}

TEST(Literals, TheNumberReadersAgreeOnDecimalTextAndPartOnTheRest) {
    for (const char* text : {"12", "-7", "+3", "  42x", "3.25", "-0.5e2", "1e3x", "-.5", "99999999999",
                             "-99999999999", "abc", "", "--5"}) {
        EXPECT_EQ(TypedNumbers::integer(text), ObjectNumbers::integer(text)) << text;
        EXPECT_EQ(TypedNumbers::real(text), ObjectNumbers::real(text)) << text;
    }
    EXPECT_EQ(ObjectNumbers::integer("99999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ObjectNumbers::integer("-99999999999"), std::numeric_limits<std::int32_t>::min());
    // Only C's reader takes hex floats, infinities and NaN.
    EXPECT_EQ(TypedNumbers::real("0x1.8p1"), 3.0);
    EXPECT_EQ(ObjectNumbers::real("0x1.8p1"), 0.0);
    EXPECT_TRUE(std::isinf(TypedNumbers::real("-inf")));
    EXPECT_EQ(ObjectNumbers::real("-inf"), 0.0);
}
