// The pieces both evaluators share, where the scripts cannot reach them: the tokenizer against a full rescan,
// the nesting guards, the bracket check at its limit, and where the two languages' number readers part.
#include "interp/InterpreterCore.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>
#include "interp/CommandTokenizer.h"
#include "testsupport/RescanningTokenizer.h"
#include "testsupport/StreamCapture.h"
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
    // Glued groups stay in one token with only the outer brackets of each group gone; every separator makes a
    // token, even an empty one; tabs are dropped outside groups only; counting skips to the next quote, extracting
    // stops at a bracket too.
    const std::pair<const char*, Tokens> cases[] = {
        {"f (a (b c)) d", {"f", "a (b c)", "d"}}, {"f (a b", {"f", "a b"}}, {"f(a)(b) c", {"fab", "c"}},
        {"a) b", {"a)", "b"}}, {"", {""}}, {"a, b", {"a", "", "b"}}, {" a ", {"", "a", ""}},
        {"pr\tint (a\tb)", {"print", "a\tb"}}, {"x \"p(q\" r", {"x", "pq r", "r"}}, {"\"(\" y", {" y", "y"}}};
    for (const auto& [text, tokens] : cases) EXPECT_EQ(scriptTokens(text), tokens) << text;
}

TEST(Tokenizer, KeptPositionsGiveTheTokensOfAFullRescan) {
    // Texts from the characters that steer the scan, so that quotes in groups, unclosed sections and stray closing
    // brackets come up; one tokenizer takes every text in turn, so that nothing of a longer text is left over.
    const std::string alphabet = "ab (),\t\"";
    std::mt19937 generator(17);
    CommandTokenizer tokenizer = CommandTokenizer::forScripts();
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int length = static_cast<int>(generator() % 24);
        for (int i = 0; i < length; ++i) text.push_back(alphabet[generator() % alphabet.size()]);
        tokenizer.setText(text);
        for (int n = -1; n <= tokenizer.count(); ++n)
            ASSERT_EQ(tokenizer.token(n), rescanning::token(tokenizer, rescanning::kScripts, n)) << text << " #" << n;
        ASSERT_EQ(tokenizer.tokens(), tokensOf(CommandTokenizer::forScripts(), text)) << "text [" << text << "]";
    }
}

TEST(Tokenizer, DeepNestingIsHandledWithoutRecursion) {
    const Tokens tokens = scriptTokens("f " + std::string(200000, '(') + "x" + std::string(200000, ')') + " y");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[1].size(), 399999u);
}

TEST(Normalize, FoldsBlanksAndSpacesBrackets) {
    // A tab is not a blank: the bracket after it still gets its blank.
    const char* cases[][2] = {{"  f(a  b)( c) ", "f (a b) (c)"}, {"f((x))", "f ( (x))"}, {"    ", ""},
                              {"f\t(x)", "f\t (x)"}, {"f \t(x)", "f \t(x)"}};
    for (const auto& [text, normal] : cases) EXPECT_EQ(normalizeCommandText(text), normal) << text;
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
    // Closing brackets without an opening one give no credit.
    const char* cases[][2] = {{"a (b (c (d)))", "(no failure)"}, {"a (b (c (d (e))))", "too deep"},
                              {")))) ((((x))))", "too deep"}};
    for (const auto& c : cases) EXPECT_EQ(failureOf([&] { checkBracketDepth(c[0], kThreeDeep); }), c[1]) << c[0];
}

TEST(Literals, TheNumberReadersAgreeOnDecimalTextAndPartOnTheRest) {
    for (const char* text : {"12", "-7", "+3", "  42x", "3.25", "-0.5e2", "1e3x", "-.5", "99999999999", "-99999999999",
                             "abc", "", "--5"}) {
        EXPECT_EQ(TypedNumbers::integer(text), ObjectNumbers::integer(text)) << text;
        EXPECT_EQ(TypedNumbers::real(text), ObjectNumbers::real(text)) << text;
    }
    EXPECT_EQ(ObjectNumbers::integer("99999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ObjectNumbers::integer("-99999999999"), std::numeric_limits<std::int32_t>::min());
    // Only C's reader takes hex floats, infinities and NaN.
    EXPECT_EQ(TypedNumbers::real("0x1.8p1"), 3.0);
    EXPECT_TRUE(std::isinf(TypedNumbers::real("-inf")));
    for (const char* text : {"0x1.8p1", "-inf"}) EXPECT_EQ(ObjectNumbers::real(text), 0.0);
}
