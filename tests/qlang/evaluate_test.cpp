#include "qlang/Evaluate.h"

#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "tests/support/StreamCapture.h"

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
