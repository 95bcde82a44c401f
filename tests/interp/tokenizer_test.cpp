#include "interp/CommandTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tala::interp::CommandTokenizer;
using tala::interp::normalizeCommandText;

namespace {

std::vector<std::string> tokensOf(CommandTokenizer tokenizer, const std::string& text) {
    tokenizer.setText(text);
    std::vector<std::string> tokens;
    for (int i = 0; i < tokenizer.count(); ++i) tokens.push_back(tokenizer.token(i));
    return tokens;
}

std::vector<std::string> scriptTokens(const std::string& text) {
    return tokensOf(CommandTokenizer::forScripts(), text);
}

using Tokens = std::vector<std::string>;

}  // namespace

TEST(Tokenizer, GroupsComeBackAsOneTokenWithoutOuterBrackets) {
    EXPECT_EQ(scriptTokens("set x (+ x 1)"), (Tokens{"set", "x", "+ x 1"}));
    EXPECT_EQ(scriptTokens("global (new integer n)"), (Tokens{"global", "new integer n"}));
    EXPECT_EQ(scriptTokens("f (a (b c)) d"), (Tokens{"f", "a (b c)", "d"}));
    EXPECT_EQ(scriptTokens("f (a b"), (Tokens{"f", "a b"}));
    // Glued groups stay in one token; only the outer brackets of each group go.
    EXPECT_EQ(scriptTokens("f(a)(b) c"), (Tokens{"f" "a" "b", "c"}));
}

TEST(Tokenizer, EverySeparatorMakesAToken) {
    EXPECT_EQ(scriptTokens(""), (Tokens{""}));
    EXPECT_EQ(scriptTokens("a,b"), (Tokens{"a", "b"}));
    EXPECT_EQ(scriptTokens("a, b"), (Tokens{"a", "", "b"}));
    EXPECT_EQ(scriptTokens("print  x"), (Tokens{"print", "", "x"}));
    EXPECT_EQ(scriptTokens(" a "), (Tokens{"", "a", ""}));
}

TEST(Tokenizer, QuotedSections) {
    EXPECT_EQ(scriptTokens("print \"a b\""), (Tokens{"print", "a b"}));
    // Counting skips to the next quote, extracting stops at a bracket too.
    EXPECT_EQ(scriptTokens("x \"p(q\" r"), (Tokens{"x", "pq r", "r"}));
    EXPECT_EQ(scriptTokens("x \"a b"), (Tokens{"x", "a b"}));
    // A bracket inside quotes does not open a group when the token is skipped, but it
    // ends the quoted section when the token is extracted (and the closing quote then
    // opens a new one that runs to the end).
    EXPECT_EQ(scriptTokens("\"(\" y"), (Tokens{" y", "y"}));
}

TEST(Tokenizer, TabsAreDroppedOnlyOutsideGroups) {
    EXPECT_EQ(scriptTokens("pr\tint x"), (Tokens{"print", "x"}));
    Tokens outer = scriptTokens("f (a\tb)");
    EXPECT_EQ(outer, (Tokens{"f", "a\tb"}));
    EXPECT_EQ(scriptTokens(outer[1]), (Tokens{"ab"}));
}

TEST(Tokenizer, ClosingBracketWithoutGroupIsOrdinary) {
    EXPECT_EQ(scriptTokens("a) b"), (Tokens{"a)", "b"}));
}

TEST(Tokenizer, IndicesOutsideTheCountGiveEmptyText) {
    CommandTokenizer tokenizer = CommandTokenizer::forScripts();
    tokenizer.setText("a b c");
    ASSERT_EQ(tokenizer.count(), 3);
    EXPECT_EQ(tokenizer.token(3), "");
    EXPECT_EQ(tokenizer.token(4), "");
    EXPECT_EQ(tokenizer.token(1000), "");
    EXPECT_EQ(tokenizer.token(-1), "");
}

TEST(Tokenizer, SetTextReplacesThePreviousText) {
    CommandTokenizer tokenizer = CommandTokenizer::forScripts();
    tokenizer.setText("a much longer text with many tokens in it");
    tokenizer.setText("x y");
    EXPECT_EQ(tokenizer.count(), 2);
    EXPECT_EQ(tokenizer.token(1), "y");
    EXPECT_EQ(tokenizer.token(2), "");
}

TEST(Tokenizer, ShellCommandConfigurationSplitsOnBlanksOnly) {
    CommandTokenizer shell = CommandTokenizer::forShellCommands();
    EXPECT_EQ(tokensOf(shell, "!state (a,b)\t\"c"), (Tokens{"!state", "(a,b)\t\"c"}));
}

TEST(Tokenizer, AllTokensAtOnceMatchTokensOneByOne) {
    const char* texts[] = {"", "a", " a ", "a,b, c", "set x (+ x 1)", "f (a (b c)) d", "x \"p(q\" r",
                           "\"(\" y", "f (a b", "pr\tint (a\tb)", "a) b", "\"a b", "((x)) \"\" ,"};
    for (const char* text : texts) {
        CommandTokenizer tokenizer = CommandTokenizer::forScripts();
        tokenizer.setText(text);
        EXPECT_EQ(tokenizer.tokens(), tokensOf(tokenizer, text)) << text;
    }
}

TEST(Tokenizer, DeepNestingIsHandledWithoutRecursion) {
    std::string text = "f " + std::string(200000, '(') + "x" + std::string(200000, ')') + " y";
    Tokens tokens = scriptTokens(text);
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[1].size(), 399999u);
    EXPECT_EQ(tokens[2], "y");
}

TEST(Normalize, FoldsBlanksAndSpacesBrackets) {
    EXPECT_EQ(normalizeCommandText("  f(a  b)( c) "), "f (a b) (c)");
    EXPECT_EQ(normalizeCommandText("f((x))"), "f ( (x))");
    EXPECT_EQ(normalizeCommandText("    "), "");
    EXPECT_EQ(normalizeCommandText(""), "");
    EXPECT_EQ(normalizeCommandText("(a)"), "(a)");
    EXPECT_EQ(normalizeCommandText("set x   (+ x 1)"), "set x (+ x 1)");
}

TEST(Normalize, OnlyBlanksTakePart) {
    EXPECT_EQ(normalizeCommandText("a,\tb\t"), "a,\tb\t");
    // A tab is not a blank: the bracket after it still gets its blank.
    EXPECT_EQ(normalizeCommandText("f\t(x)"), "f\t (x)");
    EXPECT_EQ(normalizeCommandText("f \t(x)"), "f \t(x)");
}
