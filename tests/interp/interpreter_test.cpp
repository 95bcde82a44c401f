// The interpreter's dealings with libraries, the host and the console's keys. Plain
// script behaviour is covered by the golden scripts.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/StreamCapture.h"
#include "interp/Interpreter.h"
#include "interp/InterpreterHost.h"
#include "support/Failure.h"
#include "support/ConsoleKeys.h"
#include "tests/support/TypedKeys.h"

using namespace tala::interp;

namespace {

// What library objects and their values announce when they are released.
std::vector<std::string> releases;

// A library with the word "label", answered with its own label, and the value type
// "test::thing"; it may decline everything. It records what it was asked.
class LabelLibrary : public CommandLibrary {
public:
    LabelLibrary(std::string label, bool accepts, std::int32_t level = 1)
        : label(std::move(label)), accepts(accepts), level(level) {}
    ~LabelLibrary() override { releases.push_back(label + " released"); }

    bool execute(const CommandTokenizer& tokens, ObjectList& scope, Object& result,
                 Interpreter& interpreter, const LibraryList& libraries, bool global) override {
        asked.push_back(tokens.token(0));
        if (!accepts || tokens.token(0) != "label") return false;
        Object argument;
        interpreter.execute(tokens.token(1), scope, argument, libraries, global, true);
        result.setString(label + ":" + argument.getString());
        sawGlobal = global;
        return true;
    }

    bool createType(const std::string& typeName, const std::string& variableName, ObjectList& scope) override {
        asked.push_back("type " + typeName);
        if (!accepts || typeName != "test::thing") return false;
        scope.append(Object(variableName, std::make_unique<Thing>()));
        return true;
    }

    std::int32_t interfaceLevel() override { return level; }

    struct Thing : UserObject {
        Thing() : UserObject("test::Thing") {}
        ~Thing() override { releases.push_back("thing released"); }
    };

    std::string label;
    bool accepts;
    std::int32_t level;
    std::vector<std::string> asked;
    bool sawGlobal = false;
};

// Runs a command the way the host does: in the globals, global off, fresh on.
void run(Interpreter& interpreter, const std::string& text, Object& result, const LibraryList& libraries = {}) {
    interpreter.execute(text, interpreter.globals(), result, libraries, false, true);
}

}  // namespace

TEST(InterpreterLibraries, FirstAcceptingLibraryInOrderAnswersAndOthersStaySilent) {
    LabelLibrary newer("newer", true, 2);  // a newer interface: never asked
    LabelLibrary declining("declining", false);
    LabelLibrary first("first", true);
    LabelLibrary second("second", true);
    Interpreter interpreter;
    OutputCapture out;
    Object result;
    run(interpreter, "label x", result, {nullptr, &newer, &declining, &first, &second});
    EXPECT_EQ(result.getString(), "first:x");
    EXPECT_EQ(declining.asked, std::vector<std::string>{"label"});
    EXPECT_TRUE(second.asked.empty());
    EXPECT_EQ(out.take(), "");

    run(interpreter, "label x", result, {&newer, &declining});
    EXPECT_FALSE(result.hasData());
    run(interpreter, "new test::thing t", result, {&newer});
    EXPECT_TRUE(newer.asked.empty());
    EXPECT_EQ(out.take(),
              "Syntax error 'label x'\n"
              "Syntax error 'new test::thing t'; type 'test::thing' not recognized.\n");
}

TEST(InterpreterLibraries, LibraryTypesGoToTheTargetScopeAndGlobalIsPassedOn) {
    LabelLibrary maker("maker", true);
    Interpreter interpreter;
    Object result;
    run(interpreter, "new test::thing local", result, {&maker});
    EXPECT_TRUE(interpreter.globals().empty());
    run(interpreter, "global (new test::thing kept)", result, {&maker});
    ASSERT_EQ(interpreter.globals().size(), 1u);
    EXPECT_EQ(interpreter.globals()[0].getUserObject().typeName(), "test::Thing");

    run(interpreter, "global (label y)", result, {&maker});
    EXPECT_TRUE(maker.sawGlobal);
    run(interpreter, "label y", result, {&maker});
    EXPECT_FALSE(maker.sawGlobal);
}

TEST(InterpreterHostTest, LibrariesGoBeforeTheInterpreterAndItsValues) {
    {
        InterpreterHost host;
        host.addLibrary(std::make_unique<LabelLibrary>("first", true));
        host.addLibrary(std::make_unique<LabelLibrary>("second", true));
        host.runCommand("global (new test::thing t)");
        Object result;
        host.runCommand("label z", result);
        EXPECT_EQ(result.getString(), "first:z");
        releases.clear();
    }
    EXPECT_EQ(releases, (std::vector<std::string>{"first released", "second released", "thing released"}));
}

// A key pressed at the console ends an endless loop with the user-break failure; the
// key is taken, and the interpreter goes on.
using InterpreterWhile = TypedKeys;

TEST_F(InterpreterWhile, AKeyPressBreaksTheLoop) {
    Interpreter interpreter;
    Object result;
    type("k");
    EXPECT_EQ(failureOf([&] { run(interpreter, "while 1 (nop)", result); }), "Error: User break.");
    EXPECT_FALSE(tala::interp::keyWaiting());
    run(interpreter, "+ 1 1", result);
    EXPECT_EQ(result.getInteger(), 2);
}
