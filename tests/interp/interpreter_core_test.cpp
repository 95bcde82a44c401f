// The pieces both evaluators share, where the scripts cannot reach them: the tokenizer
// against a full rescan, the nesting guard on its own and with the stack watch, the
// bracket check at its limit, and where the two languages' number readers part (each
// language's literals are in its golden scripts).

#include "interp/InterpreterCore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "interp/CommandTokenizer.h"
#include "tests/interp/RescanningTokenizer.h"
#include "tests/support/StreamCapture.h"

using namespace tala::interp;

namespace {

using Tokens = std::vector<std::string>;

Tokens tokensOf(CommandTokenizer tokenizer, const std::string& text) {
    tokenizer.setText(text);
    Tokens tokens;
    for (int i = 0; i < tokenizer.count(); ++i) tokens.push_back(tokenizer.token(i));
    return tokens;
}

Tokens scriptTokens(const std::string& text) { return tokensOf(CommandTokenizer::forScripts(), text); }

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

TEST(Tokenizer, GroupsSeparatorsTabsAndQuotes) {
    EXPECT_EQ(scriptTokens("f (a (b c)) d"), (Tokens{"f", "a (b c)", "d"}));
    EXPECT_EQ(scriptTokens("f (a b"), (Tokens{"f", "a b"}));
    // Glued groups stay in one token; only the outer brackets of each group go.
    EXPECT_EQ(scriptTokens("f(a)(b) c"), (Tokens{"fab", "c"}));
    EXPECT_EQ(scriptTokens("a) b"), (Tokens{"a)", "b"}));
    // Every separator makes a token, even an empty one.
    EXPECT_EQ(scriptTokens(""), (Tokens{""}));
    EXPECT_EQ(scriptTokens("a, b"), (Tokens{"a", "", "b"}));
    EXPECT_EQ(scriptTokens(" a "), (Tokens{"", "a", ""}));
    // Tabs are dropped outside groups only.
    EXPECT_EQ(scriptTokens("pr\tint (a\tb)"), (Tokens{"print", "a\tb"}));
    // Counting skips to the next quote, extracting stops at a bracket too.
    EXPECT_EQ(scriptTokens("x \"p(q\" r"), (Tokens{"x", "pq r", "r"}));
    EXPECT_EQ(scriptTokens("\"(\" y"), (Tokens{" y", "y"}));
}

TEST(Tokenizer, KeptPositionsGiveTheTokensOfAFullRescan) {
    // Texts drawn from the characters that steer the scan, so that quotes inside
    // groups, unclosed sections and stray closing brackets all come up; all tokens
    // taken at once are the tokens taken one by one. One tokenizer takes every text in
    // turn, so that nothing of a longer text before is left over.
    const std::string alphabet = "ab (),\t\"";
    std::mt19937 generator(17);
    CommandTokenizer tokenizer = CommandTokenizer::forScripts();
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int length = static_cast<int>(generator() % 24);
        for (int i = 0; i < length; ++i) text.push_back(alphabet[generator() % alphabet.size()]);
        tokenizer.setText(text);
        for (int n = -1; n <= tokenizer.count(); ++n)
            ASSERT_EQ(tokenizer.token(n), rescanning::token(tokenizer, rescanning::kScripts, n)) << "text [" << text << "] token " << n;
        ASSERT_EQ(tokenizer.tokens(), tokensOf(CommandTokenizer::forScripts(), text)) << "text [" << text << "]";
    }
}

TEST(Tokenizer, DeepNestingIsHandledWithoutRecursion) {
    std::string text = "f " + std::string(200000, '(') + "x" + std::string(200000, ')') + " y";
    Tokens tokens = scriptTokens(text);
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[1].size(), 399999u);
}

TEST(Normalize, FoldsBlanksAndSpacesBrackets) {
    EXPECT_EQ(normalizeCommandText("  f(a  b)( c) "), "f (a b) (c)");
    EXPECT_EQ(normalizeCommandText("f((x))"), "f ( (x))");
    EXPECT_EQ(normalizeCommandText("    "), "");
    // A tab is not a blank: the bracket after it still gets its blank.
    EXPECT_EQ(normalizeCommandText("f\t(x)"), "f\t (x)");
    EXPECT_EQ(normalizeCommandText("f \t(x)"), "f \t(x)");
}

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
