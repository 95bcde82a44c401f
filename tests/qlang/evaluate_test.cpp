#include "qlang/Evaluate.h"

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>

#include "support/Failure.h"
#include "tests/support/StreamCapture.h"
#include "support/ConsoleKeys.h"
#include "tests/support/TypedKeys.h"

using namespace tala::interp;

namespace {

// An extension word that records how it was called.
class RecordingHandler : public CommandHandler {
public:
    explicit RecordingHandler(std::string word) : word_(std::move(word)) {}
    void execute(const CommandTokenizer& tokens, VariableList& localScope, Variable& result, bool global,
                 bool fresh, VariableTable&) override {
        ++calls;
        lastArgument = tokens.token(1);
        scopeSize = localScope.size();
        sawGlobal = global;
        sawFresh = fresh;
        result.setInteger(99);
    }
    void help() override { std::cout << "help of " << word_ << "\n"; }
    std::string name() override { return word_; }

    int calls = 0;
    std::string lastArgument;
    size_t scopeSize = 0;
    bool sawGlobal = false;
    bool sawFresh = false;

private:
    std::string word_;
};

// An extension word that evaluates itself again: recursion without brackets.
class RecursiveHandler : public CommandHandler {
public:
    void execute(const CommandTokenizer&, VariableList& localScope, Variable& result, bool global, bool,
                 VariableTable& table) override {
        qlang::evaluate(table, "recurse 1", localScope, result, global, true);
    }
    void help() override {}
    std::string name() override { return "recurse"; }
};

struct Evaluator {
    VariableTable table;
    Variable result;

    void run(const std::string& text, bool global = false) {
        qlang::evaluate(table, text, table.variables, result, global, true);
    }
    int integer(const std::string& name) {
        Variable found;
        lookup(table.variables, name, found);
        return found.getInteger();
    }
};

}  // namespace

// Words the language does not know go to the first handler of that name, with its help;
// the language's own words cannot be taken over.
TEST(Evaluate, UnknownWordsGoToTheFirstHandlerOfThatNameAndBuiltinsStay) {
    Evaluator e;
    e.run("global (new integer x)");
    RecordingHandler* first = new RecordingHandler("ext");
    RecordingHandler* second = new RecordingHandler("ext");
    RecordingHandler* get = new RecordingHandler("get");
    for (RecordingHandler* handler : {first, second, get}) e.table.handlers.emplace_back(handler);

    e.run("ext (a b)", true);
    EXPECT_EQ(first->calls, 1);
    EXPECT_EQ(second->calls, 0);
    EXPECT_EQ(first->lastArgument, "a b");
    EXPECT_EQ(first->scopeSize, 1u);  // the local copy of the caller's scope
    EXPECT_TRUE(first->sawGlobal);
    EXPECT_TRUE(first->sawFresh);
    EXPECT_EQ(e.result.getInteger(), 99);

    e.result.release();
    e.run("get y");
    EXPECT_EQ(get->calls, 0);
    EXPECT_FALSE(e.result.hasValue());

    OutputCapture out;
    e.run("help ext");
    e.run("help other");
    EXPECT_EQ(out.text(), "help of ext\n");
}

TEST(Evaluate, WithTheGlobalFlagABeginSeesItsOwnGlobalDeclarations) {
    // As the decision maker runs its texts: everything works on the global list.
    Evaluator maker;
    maker.run("begin (global (new integer x)) (set x 5)", true);
    EXPECT_EQ(maker.integer("x"), 5);
}

// Recursion through an extension word has no brackets to count.
TEST(Evaluate, RunawayRecursionFailsCleanlyAndTheCountRecovers) {
    Evaluator e;
    e.table.handlers.push_back(std::make_unique<RecursiveHandler>());
    EXPECT_EQ(failureOf([&] { e.run("recurse 1"); }), "Nesting deeper than 1000 levels");
    e.run("begin 1 2");
    EXPECT_EQ(e.result.getInteger(), 2);
}

// A key pressed at the console ends an endless loop with the user-break failure; the
// loop's statements ran until then and the key stays waiting.
using WhileLoop = TypedKeys;

TEST_F(WhileLoop, AKeyPressBreaksTheLoop) {
    Evaluator e;
    e.run("global (new integer n)");
    type("k");
    EXPECT_EQ(failureOf([&] { e.run("while 1 (set n (+ (get n) 1))", true); }), "Error: User break.");
    EXPECT_TRUE(tala::interp::keyWaiting());
    EXPECT_EQ(e.integer("n"), 0);
}
