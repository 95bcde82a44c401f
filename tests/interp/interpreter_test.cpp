// The interpreter's dealings with libraries, scopes that outlive their command, the
// nesting limit, console input and the host. Plain script behaviour is covered by the
// golden scripts.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/StreamCapture.h"
#include "interp/Interpreter.h"
#include "interp/InterpreterHost.h"
#include "linalg/Failure.h"

using namespace tala::interp;

namespace {

// A library with one word that answers with its own label, or declines; it can make
// values of one type. It records what it was asked.
class LabelLibrary : public CommandLibrary {
public:
    LabelLibrary(std::string label, bool accepts, std::int32_t level = 1,
                 std::vector<std::string>* log = nullptr)
        : label(std::move(label)), accepts(accepts), level(level), log(log) {}
    ~LabelLibrary() override {
        if (log) log->push_back(label + " released");
    }

    bool execute(const CommandTokenizer& tokens, ObjectList& scope, Object& result,
                 Interpreter& interpreter, const LibraryList& libraries, bool global) override {
        asked.push_back(tokens.token(0));
        if (!accepts || tokens.token(0) != "label") return false;
        Object argument;
        interpreter.execute(tokens.token(1), scope, argument, libraries, global, true);
        result.setString(label + ":" + (argument.holds(ObjectType::String) ? argument.getString() : "?"));
        sawGlobal = global;
        return true;
    }

    bool createType(const std::string& typeName, const std::string& variableName,
                    ObjectList& scope) override {
        asked.push_back("type " + typeName);
        if (!accepts || typeName != "test::thing") return false;
        scope.append(Object(variableName, std::make_unique<Thing>(label, log)));
        return true;
    }

    std::int32_t interfaceLevel() override { return level; }

    class Thing : public UserObject {
    public:
        Thing(std::string maker, std::vector<std::string>* log)
            : UserObject("test::Thing"), maker(std::move(maker)), log(log) {}
        ~Thing() override {
            if (log) log->push_back("thing of " + maker + " released");
        }
        void print(std::ostream& out) const override { out << "thing of " << maker; }
        std::string maker;
        std::vector<std::string>* log;
    };

    std::string label;
    bool accepts;
    std::int32_t level;
    std::vector<std::string>* log;
    std::vector<std::string> asked;
    bool sawGlobal = false;
};

// Runs a command the way the host does: in the globals, global off, fresh on.
void run(Interpreter& interpreter, const std::string& text, Object& result, const LibraryList& libraries = {}) {
    interpreter.execute(text, interpreter.globals(), result, libraries, false, true);
}

std::string shown(const Object& o) {
    std::ostringstream out;
    if (o.hasData()) o.print(out, true);
    else out << "NULL";
    return out.str();
}

// "+ 1 (+ 1 (... 1 ...))", built in one pass: growing it level by level would
// copy the text depth times.
std::string nested(int depth) {
    std::string text;
    text.reserve(static_cast<std::size_t>(depth) * 6 + 1);
    for (int i = 0; i < depth; ++i) text += "+ 1 (";
    text += "1";
    text.append(static_cast<std::size_t>(depth), ')');
    return text;
}

}  // namespace

TEST(InterpreterLibraries, FirstAcceptingLibraryInOrderAnswers) {
    LabelLibrary declining("declining", false);
    LabelLibrary first("first", true);
    LabelLibrary second("second", true);
    Interpreter interpreter;
    Object result;
    run(interpreter, "label x", result, {nullptr, &declining, &first, &second});
    EXPECT_EQ(result.getString(), "first:x");
    EXPECT_EQ(declining.asked, std::vector<std::string>{"label"});
    EXPECT_TRUE(second.asked.empty());
}

TEST(InterpreterLibraries, LevelTwoLibraryIsNeverAsked) {
    LabelLibrary newer("newer", true, 2);
    Interpreter interpreter;
    OutputCapture out;
    Object result;
    run(interpreter, "label x", result, {&newer});
    run(interpreter, "new test::thing t", result, {&newer});
    EXPECT_TRUE(newer.asked.empty());
    EXPECT_EQ(out.take(),
              "Syntax error 'label x'\n"
              "Syntax error 'new test::thing t'; type 'test::thing' not recognized.\n");
}

TEST(InterpreterLibraries, DecliningLibraryPrintsNothingAndTheSyntaxErrorFollows) {
    LabelLibrary declining("declining", false);
    Interpreter interpreter;
    OutputCapture out;
    Object result;
    run(interpreter, "label x", result, {&declining});
    EXPECT_EQ(out.take(), "Syntax error 'label x'\n");
    EXPECT_FALSE(result.hasData());
}

TEST(InterpreterLibraries, LibraryTypesGoToTheTargetScopeAndGlobalIsPassedOn) {
    LabelLibrary maker("maker", true);
    Interpreter interpreter;
    Object result;
    run(interpreter, "new test::thing local", result, {&maker});
    EXPECT_TRUE(interpreter.globals().empty());
    run(interpreter, "global (new test::thing kept)", result, {&maker});
    ASSERT_EQ(interpreter.globals().size(), 1u);
    EXPECT_EQ(interpreter.globals()[0].name, "kept");
    run(interpreter, "print kept", result, {&maker});

    run(interpreter, "global (label y)", result, {&maker});
    EXPECT_TRUE(maker.sawGlobal);
    run(interpreter, "label y", result, {&maker});
    EXPECT_FALSE(maker.sawGlobal);
}

TEST(InterpreterLibraries, ArrayOfLibraryTypeAsksOncePerElement) {
    LabelLibrary maker("maker", true);
    Interpreter interpreter;
    Object result;
    run(interpreter, "global (new array t test::thing 3)", result, {&maker});
    ASSERT_EQ(interpreter.globals().size(), 4u);
    EXPECT_EQ(interpreter.globals()[0].name, "t.size");
    EXPECT_EQ(interpreter.globals()[3].name, "t.2");
    EXPECT_EQ(interpreter.globals()[3].getUserObject().typeName(), "test::Thing");
}

TEST(InterpreterScopes, ValueOfAVanishedLocalVariableStaysReadable) {
    Interpreter interpreter;
    Object result;
    run(interpreter, "begin (new integer i) (set i 5) (get i)", result);
    EXPECT_TRUE(interpreter.globals().empty());
    EXPECT_EQ(result.name, "i");
    EXPECT_EQ(result.getInteger(), 5);
}

TEST(InterpreterScopes, FailureLeavesGlobalsIntactAndTheNextCommandWorks) {
    Interpreter interpreter;
    Object result;
    run(interpreter, "global (new integer n)", result);
    run(interpreter, "set n 7", result);
    EXPECT_THROW(run(interpreter, "begin (global (new integer m)) (set n 1) (% 1 abc) (set n 2)", result),
                 tala::Failure);
    ASSERT_EQ(interpreter.globals().size(), 2u);
    run(interpreter, "get n", result);
    EXPECT_EQ(result.getInteger(), 1);
    run(interpreter, "+ n 1", result);
    EXPECT_EQ(result.getInteger(), 2);
}

TEST(InterpreterNesting, DeepTextFailsCleanlyAndTheInterpreterStaysUsable) {
    Interpreter interpreter;
    Object result;
    try {
        run(interpreter, nested(100000), result);
        FAIL() << "no failure";
    } catch (const tala::Failure& f) {
        EXPECT_STREQ(f.what(), kNestingTooDeep);
    }
    run(interpreter, nested(kMaxCommandDepth - 10), result);
    EXPECT_EQ(result.getInteger(), kMaxCommandDepth - 9);
}

TEST(InterpreterNesting, SelfRunningScriptStopsAtTheLimit) {
    const std::string name = ::testing::TempDir() + "runs_itself.txt";
    {
        std::ofstream file(name);
        file << "begin (print_one_line x) (file " << name << ")\n";
    }
    Interpreter interpreter;
    Object result;
    OutputCapture out;
    EXPECT_THROW(run(interpreter, "file " + name, result), tala::Failure);
    const std::string printed = out.take();
    EXPECT_GT(printed.size(), 100u);
    EXPECT_EQ(printed.find_first_not_of('x'), std::string::npos);
    run(interpreter, "+ 1 1", result);
    EXPECT_EQ(result.getInteger(), 2);
}

TEST(InterpreterInput, LinesAreReadWholeAndCutToNinetyNineCharacters) {
    Interpreter interpreter;
    Object result;
    OutputCapture out;
    InputFeed in("  42abc\n" + std::string(150, 'z') + "\r\nnext line\n");
    run(interpreter, "user.input integer", result);
    EXPECT_EQ(result.getInteger(), 42);
    run(interpreter, "user.input string", result);
    EXPECT_EQ(result.getString(), std::string(99, 'z'));
    EXPECT_EQ(in.rest(), "next line\n");
    EXPECT_EQ(out.take(), "\nPlease enter an integer: \nPlease enter a string: ");
}

TEST(InterpreterInput, EndOfInputGivesZeroAndEmptyText) {
    Interpreter interpreter;
    Object result;
    OutputCapture out;
    InputFeed in("");
    run(interpreter, "user.input integer", result);
    EXPECT_EQ(result.getInteger(), 0);
    run(interpreter, "user.input string", result);
    EXPECT_EQ(result.getString(), "");
    run(interpreter, "user.input char", result);
    EXPECT_EQ(result.getInteger(), 0);
    run(interpreter, "user.input other", result);
    EXPECT_FALSE(result.hasData());
}

TEST(InterpreterHostTest, OnlyGlobalDeclarationsOutliveACommand) {
    InterpreterHost host;
    host.runCommand("new integer x");
    EXPECT_TRUE(host.interpreter().globals().empty());
    host.runCommand("global (new integer x)");
    host.runCommand("set x 3");
    Object result;
    host.runCommand("get x", result);
    EXPECT_EQ(shown(result), "Integer x = 3");
}

TEST(InterpreterHostTest, LibrariesGoBeforeTheInterpreterAndItsValues) {
    std::vector<std::string> log;
    {
        InterpreterHost host;
        host.addLibrary(std::make_unique<LabelLibrary>("first", true, 1, &log));
        host.addLibrary(std::make_unique<LabelLibrary>("second", true, 1, &log));
        host.runCommand("global (new test::thing t)");
        Object result;
        host.runCommand("label z", result);
        EXPECT_EQ(result.getString(), "first:z");
    }
    EXPECT_EQ(log, (std::vector<std::string>{"first released", "second released", "thing of first released"}));
}
