// The interpreter's dealings with libraries, command modules, the host and the console's keys. The example
// modules are built from tests/interp/modules into TEST_MODULE_DIR.
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>
#include "interp/Interpreter.h"
#include "interp/InterpreterHost.h"
#include "support/ConsoleKeys.h"
#include "testsupport/StreamCapture.h"
#include "tests/support/TypedKeys.h"
using namespace tala::interp;
namespace {
using Names = std::vector<std::string>;
const std::string kModuleDir = TEST_MODULE_DIR;
std::string modulePath(const std::string& name) { return kModuleDir + "/" + name + ".so"; }
Names releases;  // what library objects and their values announce when they are released
// A library with a word ("label" unless told otherwise), answered with its own label, and the value type
// "test::thing"; it may decline everything. It records what it was asked.
class LabelLibrary : public CommandLibrary {
public:
    LabelLibrary(std::string label, bool accepts, std::int32_t level = 1)
        : label(std::move(label)), accepts(accepts), level(level) {}
    ~LabelLibrary() override { releases.push_back(label + " released"); }
    bool execute(const CommandTokenizer& tokens, ObjectList& scope, Object& result, Interpreter& interpreter,
                 const LibraryList& libraries, bool global) override {
        asked.push_back(tokens.token(0));
        if (!accepts || tokens.token(0) != word) return false;
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
    std::string label, word = "label";
    bool accepts, sawGlobal = false;
    std::int32_t level;
    Names asked;
};
// Runs a command the way the host does (in the globals, global off, fresh on); what it printed.
std::string run(Interpreter& interpreter, const std::string& text, Object* result = nullptr,
                const LibraryList& libraries = {}) {
    Object scratch;
    OutputCapture out;
    interpreter.execute(text, interpreter.globals(), result ? *result : scratch, libraries, false, true);
    return out.take();
}
}  // namespace

TEST(InterpreterLibraries, FirstAcceptingLibraryInOrderAnswersAndOthersStaySilent) {
    LabelLibrary newer("newer", true, 2);  // a newer interface: never asked
    LabelLibrary declining("declining", false), first("first", true), second("second", true);
    Interpreter interpreter;
    Object result;
    EXPECT_EQ(run(interpreter, "label x", &result, {nullptr, &newer, &declining, &first, &second}), "");
    EXPECT_EQ(result.getString(), "first:x");
    EXPECT_EQ(declining.asked, Names{"label"});
    EXPECT_TRUE(second.asked.empty());
    EXPECT_EQ(run(interpreter, "label x", &result, {&newer, &declining}), "Syntax error 'label x'\n");
    EXPECT_FALSE(result.hasData());
    EXPECT_EQ(run(interpreter, "new test::thing t", &result, {&newer}),
              "Syntax error 'new test::thing t'; type 'test::thing' not recognized.\n");
    EXPECT_TRUE(newer.asked.empty());
}

TEST(InterpreterLibraries, LibraryTypesGoToTheTargetScopeAndGlobalIsPassedOn) {
    LabelLibrary maker("maker", true);
    Interpreter interpreter;
    Object result;
    run(interpreter, "new test::thing local", &result, {&maker});
    EXPECT_TRUE(interpreter.globals().empty());
    run(interpreter, "global (new test::thing kept)", &result, {&maker});
    ASSERT_EQ(interpreter.globals().size(), 1u);
    EXPECT_EQ(interpreter.globals()[0].getUserObject().typeName(), "test::Thing");
    run(interpreter, "global (label y)", &result, {&maker});
    EXPECT_TRUE(maker.sawGlobal);
    run(interpreter, "label y", &result, {&maker});
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
    EXPECT_EQ(releases, (Names{"first released", "second released", "thing released"}));
}

// A key pressed at the console ends an endless loop with the user-break failure; the key is taken, and the
// interpreter goes on.
using InterpreterWhile = TypedKeys;
TEST_F(InterpreterWhile, AKeyPressBreaksTheLoop) {
    Interpreter interpreter;
    Object result;
    type("k");
    EXPECT_EQ(failureOf([&] { run(interpreter, "while 1 (nop)", &result); }), "Error: User break.");
    EXPECT_FALSE(support::keyWaiting());
    run(interpreter, "+ 1 1", &result);
    EXPECT_EQ(result.getInteger(), 2);
}

TEST(ModuleLoading, LoadedModuleAnswersAfterTheCallersLibrariesAndIsReleasedLast) {
    OutputCapture teardown;
    {
        Interpreter interpreter;
        const std::string path = modulePath("greeting_module");
        EXPECT_EQ(run(interpreter, "load_module " + path), "");
        EXPECT_EQ(run(interpreter, "load_module " + path), "Module alreadly loaded.\n");
        EXPECT_EQ(interpreter.moduleNames(), Names{path});
        Object result;
        LabelLibrary caller("caller", true);
        caller.word = "greet";
        run(interpreter, "greet x", &result, {&caller});
        EXPECT_EQ(result.getString(), "caller:x");
        run(interpreter, "greet world", &result);
        EXPECT_EQ(result.getString(), "hello world");
        EXPECT_EQ(run(interpreter, "begin (new test::counter c) (print c)"),
                  "test::Counter c = Counter(0)\ncounter released\n");
        run(interpreter, "global (new test::counter kept)");
    }
    // Libraries go first, then the values, while the module's code is still loaded.
    EXPECT_EQ(teardown.take(), "greeting library released\ncounter released\n");
}

// Each failure prints its line, and on standard error its reason with what the loader said (only the start is
// fixed where the loader's words vary).
TEST(ModuleLoading, FailuresLeaveNoRecordAndSearchDirectoriesAreTried) {
    Interpreter interpreter;
    Object result;
    OutputCapture errors(std::cerr);
    const std::string notFound = ": cannot open shared object file: No such file or directory\n";
    const std::string notModule = TEST_NOT_A_MODULE, noEntry = modulePath("missing_entry_module"),
                      null = modulePath("null_module"), cannot = "load_module: cannot load '";
    const std::string cases[][3] = {
        {"nothing.so", "Cannot load module 'nothing.so'\n", cannot + "nothing.so': nothing.so" + notFound},
        {notModule, "Cannot load module '" + notModule + "'\n", cannot + notModule + "': "},
        {noEntry, "Error " + std::to_string(kEntryPointMissingCode) + "\nCannot run command 'LoadCommandLibrary'\n",
         "load_module: '" + noEntry + "' has no LoadCommandLibrary: " + noEntry + ": undefined symbol: " +
             "LoadCommandLibrary"},
        {null, "'LoadCommandLibrary()' returned NULL.\n",
         "load_module: LoadCommandLibrary() of '" + null + "' returned NULL\n"}};
    for (const auto& [name, out, err] : cases) {
        EXPECT_EQ(run(interpreter, "load_module " + name, &result), out);
        const std::string said = errors.take();
        EXPECT_EQ(said.rfind(err, 0), 0u) << said;
    }
    EXPECT_TRUE(interpreter.moduleNames().empty());
    EXPECT_FALSE(result.hasData());
    run(interpreter, "path /nonexistent/directory");
    EXPECT_EQ(errors.take().rfind("path: there is no folder '/nonexistent/directory'", 0), 0u);
    run(interpreter, "path " + kModuleDir);
    EXPECT_EQ(run(interpreter, "load_module greeting_module.so"), "");
    EXPECT_EQ(interpreter.moduleNames(), Names{"greeting_module.so"});
    // Each path tried in vain is named, with what the loader said about it.
    run(interpreter, "load_module absent.so");
    const std::string elsewhere = "/nonexistent/directory/absent.so", here = kModuleDir + "/absent.so";
    EXPECT_EQ(errors.take(), cannot + "absent.so': absent.so" + notFound + cannot + elsewhere + "': " + elsewhere +
                                 notFound + cannot + here + "': " + here + notFound);
}
