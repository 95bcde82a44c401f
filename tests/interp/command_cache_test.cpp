// The cache of split command texts: served tokens equal a fresh split, the bounds hold and
// the bytes are counted in the budget, and what a command does is still decided on every run.
#include "interp/CommandTextCache.h"
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>
#include "interp/CommandTokenizer.h"
#include "interp/Interpreter.h"
#include "linalg/MemoryBudget.h"
#include "support/Failure.h"
#include "testsupport/StreamCapture.h"
using namespace tala::interp;
namespace {
using Tokens = std::vector<std::string>;
Tokens freshTokens(const std::string& text) {
    CommandTokenizer tokenizer = CommandTokenizer::forScripts();
    tokenizer.setText(text);
    return tokenizer.tokens();
}
Tokens servedTokens(const std::string& text) {
    const CommandTokenizer tokenizer = CommandTokenizer::forScriptText(text);
    Tokens tokens;
    for (int i = 0; i < tokenizer.count(); ++i) tokens.push_back(tokenizer.token(i));
    EXPECT_EQ(tokenizer.text(), text);
    EXPECT_EQ(tokenizer.token(tokenizer.count()), "");
    return tokens;
}
class CommandCacheTest : public ::testing::Test {
protected:
    void SetUp() override { cache.clear(); }
    void TearDown() override {
        cache.clear();
        cache.setEnabled(true);
    }
    CommandTextCache& cache = CommandTextCache::forThisThread();
};
// A library answering the word "late" once it is added.
class LateLibrary : public CommandLibrary {
public:
    bool execute(const CommandTokenizer& tokens, ObjectList&, Object& result, Interpreter&, const LibraryList&,
                 bool) override {
        if (tokens.token(0) != "late") return false;
        result.setString("late:" + tokens.token(1));
        return true;
    }
    bool createType(const std::string&, const std::string&, ObjectList&) override { return false; }
    std::int32_t interfaceLevel() override { return 1; }
};
std::string run(Interpreter& interpreter, const std::string& text, const LibraryList& libraries = {}) {
    Object result;
    OutputCapture out;
    std::string outcome;
    try {
        interpreter.execute(text, interpreter.globals(), result, libraries, false, true);
        outcome = result.holds(ObjectType::String) ? result.getString() : "";
    } catch (const support::Failure& failure) {
        outcome = std::string("failed: ") + failure.what();
    }
    return out.take() + "|" + outcome;
}
}  // namespace

TEST_F(CommandCacheTest, ServedTokensEqualAFreshSplitOnRandomTexts) {
    std::mt19937 random(7);
    const std::string alphabet = "ab1.- ,,\t()\"";
    for (int n = 0; n < 3000; ++n) {
        std::string text(random() % 24, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        const Tokens fresh = freshTokens(text);
        ASSERT_EQ(servedTokens(text), fresh) << "[" << text << "]";
        ASSERT_EQ(servedTokens(text), fresh) << "again [" << text << "]";
        const CommandTokenizer served = CommandTokenizer::forScriptText(text);
        for (int k = 0; k < served.count(); ++k)
            ASSERT_EQ(served.forScriptToken(k).tokens(), freshTokens(fresh[k])) << "token " << k << " [" << text << "]";
    }
    EXPECT_GE(cache.hits(), 3000u);
    // A served tokenizer that is changed becomes an ordinary one.
    CommandTokenizer tokenizer = CommandTokenizer::forScriptText("a (b c) d");
    tokenizer.setText(tokenizer.text() + " e");
    EXPECT_EQ(tokenizer.tokens(), freshTokens("a (b c) d e"));
    tokenizer = CommandTokenizer::forScriptText("a;b c");
    tokenizer.addSeparator(';');
    tokenizer.setText(tokenizer.text());
    EXPECT_EQ(tokenizer.tokens(), (Tokens{"a", "b", "c"}));
}

TEST_F(CommandCacheTest, KeepsToItsBoundsLeastRecentlyUsedFirstAndCountsItsBytes) {
    const std::int64_t before = linalg::memoryCached();
    servedTokens("print first");
    for (std::size_t n = 0; n < CommandTextCache::kMaxEntries + 500; ++n) {
        servedTokens("print " + std::to_string(n));
        if (n % 100 == 0) servedTokens("print first");  // kept in use: never the oldest
        ASSERT_LE(cache.entries(), CommandTextCache::kMaxEntries);
    }
    EXPECT_EQ(cache.entries(), CommandTextCache::kMaxEntries);
    EXPECT_EQ(linalg::memoryCached() - before, static_cast<std::int64_t>(cache.bytes()));
    const std::size_t hits = cache.hits();
    servedTokens("print first");
    EXPECT_EQ(cache.hits(), hits + 1);
    servedTokens("print 0");  // the oldest, long gone
    EXPECT_EQ(cache.hits(), hits + 1);

    const std::string filler(4000, 'x');
    for (int n = 0; n < 600; ++n) servedTokens("print " + std::to_string(n) + filler);
    EXPECT_LE(cache.bytes(), CommandTextCache::kMaxBytes);
    EXPECT_GT(cache.bytes(), CommandTextCache::kMaxBytes / 2);
    EXPECT_EQ(linalg::memoryCached() - before, static_cast<std::int64_t>(cache.bytes()));
    // Too long to keep: split afresh every time.
    const std::string huge = "print " + std::string(CommandTextCache::kMaxTextSize, 'y');
    EXPECT_EQ(servedTokens(huge), freshTokens(huge));
    EXPECT_EQ(servedTokens(huge), freshTokens(huge));
    EXPECT_EQ(cache.hits(), hits + 1);
    cache.clear();
    EXPECT_EQ(linalg::memoryCached(), before);
}

TEST_F(CommandCacheTest, AFullBudgetKeepsNothingAndChangesNoResult) {
    const std::int64_t budget = linalg::memoryBudget();
    linalg::setMemoryBudget(linalg::memoryCached());
    EXPECT_EQ(servedTokens("print (a b)"), freshTokens("print (a b)"));
    EXPECT_EQ(cache.entries(), 0u);
    linalg::setMemoryBudget(budget);
}

TEST_F(CommandCacheTest, AWordDefinedLaterIsDispatchedAndFailuresRepeatAsUncached) {
    const std::vector<std::string> texts = {"late 1",       "print (late 2)", "foo bar",  "print (unknown word)",
                                            "late 1",       "(",              "print )(", "+ 1 (late 3)",
                                            "print \"a b", "foo bar"};
    auto transcript = [&](const LibraryList& libraries) {
        Interpreter interpreter;
        std::string all;
        for (const std::string& text : texts) all += run(interpreter, text, libraries) + "\n";
        return all;
    };
    LateLibrary late;
    for (const bool cached : {false, true, true}) {
        cache.setEnabled(cached);
        const std::string without = transcript({});
        EXPECT_NE(without.find("Syntax error 'late 1'"), std::string::npos) << without;
        EXPECT_EQ(transcript({&late}).find("Syntax error 'late 1'"), std::string::npos);
        cache.setEnabled(false);
        EXPECT_EQ(without, transcript({}));
        EXPECT_EQ(transcript({&late}), [&] {
            cache.setEnabled(cached);
            return transcript({&late});
        }());
    }
    // Known first as a failure, then answered, by one interpreter with the same texts.
    cache.setEnabled(true);
    Interpreter interpreter;
    EXPECT_EQ(run(interpreter, "late 1"), "Syntax error 'late 1'\n|");
    EXPECT_EQ(run(interpreter, "late 1", {&late}), "|late:1");
    EXPECT_EQ(run(interpreter, "late 1"), "Syntax error 'late 1'\n|");
}

namespace {

// What a run leaves: the printed text, the result's name, type and value.
std::string outcomeOf(Interpreter& interpreter, const std::string& text, ObjectList& scope, bool global) {
    Object result;
    OutputCapture out;
    std::string value;
    try {
        interpreter.execute(text, scope, result, {}, global, true);
        value = result.holds(ObjectType::String)    ? "s:" + result.getString()
                : result.holds(ObjectType::Integer) ? "i:" + std::to_string(result.getInteger())
                : result.hasData()                  ? "data"
                                                    : "none";
    } catch (const support::Failure& failure) {
        value = std::string("failed: ") + failure.what();
    }
    return out.take() + "|" + result.name + "|" + value;
}

}  // namespace

// A single plain token and "get NAME" are read without a split or a copy of the scope;
// "get NAME " (a trailing blank: a third, empty token) still goes the whole way, through
// the builtin word, and must give the same.
TEST_F(CommandCacheTest, APlainGetGivesWhatTheWholeWayGives) {
    for (const bool cached : {false, true}) {
        cache.setEnabled(cached);
        Interpreter interpreter;
        for (const char* setup : {"global (new integer a)", "global (new string b)", "set a 7", "set b \"x y\"",
                                  "global (new integer temp)", "global (new integer a)"})
            run(interpreter, setup);
        ObjectList local = interpreter.globals().borrowedCopy();
        local.append(Object("c", ObjectType::Integer, std::make_shared<ObjectValue>(std::int32_t{4})));
        const std::vector<std::string> names = {"a", "b", "c", "missing", "3", "-2.5", "\"quoted\"", "temp",
                                                "", "a.b", "get", "1e3"};
        for (const std::string& name : names)
            for (const bool global : {false, true})
                for (ObjectList* scope : {&interpreter.globals(), &local}) {
                    const std::string plain = outcomeOf(interpreter, "get " + name, *scope, global);
                    EXPECT_EQ(plain, outcomeOf(interpreter, "get " + name + " ", *scope, global))
                        << "[" << name << "] global " << global;
                }
        // A plain token alone reads as it did: a number, a variable, or its own text.
        for (const std::string& token : names) {
            if (!isPlainScriptToken(token)) continue;
            EXPECT_EQ(outcomeOf(interpreter, token, local, false), outcomeOf(interpreter, "(" + token + ")", local, false))
                << "[" << token << "]";
        }
    }
}

TEST_F(CommandCacheTest, ATokenRunAsACommandKeepsItsSplitBesideTheTextHoldingIt) {
    const std::string text = "begin (print (get a)) \"x (y)\" (set b 1) c";
    const CommandTokenizer outer = CommandTokenizer::forScriptText(text);
    for (int n = 0; n <= outer.count(); ++n) EXPECT_EQ(outer.forScriptToken(n).tokens(), freshTokens(outer.token(n)));
    // Kept beside the text: a second run of the token asks the cache nothing.
    const std::size_t hits = cache.hits();
    EXPECT_EQ(outer.forScriptToken(1).tokens(), freshTokens("print (get a)"));
    for (int again = 0; again < 2; ++again)
        EXPECT_EQ(outer.forScriptToken(1).forScriptToken(1).tokens(), freshTokens("get a"));
    EXPECT_EQ(cache.hits(), hits);
    // The uncached route splits afresh.
    cache.setEnabled(false);
    EXPECT_EQ(outer.forScriptToken(3).tokens(), freshTokens("set b 1"));
    EXPECT_EQ(cache.entries(), 0u);
}
