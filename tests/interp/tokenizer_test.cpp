#include "interp/CommandTokenizer.h"

#include <gtest/gtest.h>

#include "tests/interp/RescanningTokenizer.h"

#include <random>
#include <string>
#include <vector>

using tala::interp::CommandTokenizer;
using tala::interp::normalizeCommandText;

namespace {

using Tokens = std::vector<std::string>;

Tokens tokensOf(CommandTokenizer tokenizer, const std::string& text) {
    tokenizer.setText(text);
    Tokens tokens;
    for (int i = 0; i < tokenizer.count(); ++i) tokens.push_back(tokenizer.token(i));
    return tokens;
}

Tokens scriptTokens(const std::string& text) { return tokensOf(CommandTokenizer::forScripts(), text); }

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

TEST(Tokenizer, ReuseAndIndicesOutsideTheCount) {
    CommandTokenizer tokenizer = CommandTokenizer::forScripts();
    tokenizer.setText("a longer text with more tokens");
    tokenizer.setText("x y");
    EXPECT_EQ(tokenizer.count(), 2);
    EXPECT_EQ(tokenizer.token(2), "");
    EXPECT_EQ(tokenizer.token(-1), "");
}

TEST(Tokenizer, KeptPositionsGiveTheTokensOfAFullRescan) {
    // Texts drawn from the characters that steer the scan, so that quotes inside
    // groups, unclosed sections and stray closing brackets all come up; all tokens
    // taken at once are the tokens taken one by one.
    const std::string alphabet = "ab (),\t\"";
    std::mt19937 generator(17);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int length = static_cast<int>(generator() % 24);
        for (int i = 0; i < length; ++i) text.push_back(alphabet[generator() % alphabet.size()]);
        CommandTokenizer tokenizer = CommandTokenizer::forScripts();
        tokenizer.setText(text);
        for (int n = -1; n <= tokenizer.count(); ++n)
            ASSERT_EQ(tokenizer.token(n), rescanning::token(tokenizer, rescanning::kScripts, n)) << "text [" << text << "] token " << n;
        ASSERT_EQ(tokenizer.tokens(), tokensOf(tokenizer, text)) << "text [" << text << "]";
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
