// Loading command modules: by name and under search directories, the four failures,
// the order libraries are asked in, and the order of teardown. The example modules are
// built from tests/interp/modules into TEST_MODULE_DIR.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/StreamCapture.h"
#include "interp/Interpreter.h"

using namespace tala::interp;

namespace {

const std::string kModuleDir = TEST_MODULE_DIR;

std::string modulePath(const std::string& name) { return kModuleDir + "/" + name + ".so"; }

// Runs a command in the globals and returns what it printed.
std::string run(Interpreter& interpreter, const std::string& text, Object& result,
                const LibraryList& libraries = {}) {
    OutputCapture out;
    interpreter.execute(text, interpreter.globals(), result, libraries, false, true);
    return out.take();
}

std::string run(Interpreter& interpreter, const std::string& text) {
    Object result;
    return run(interpreter, text, result);
}

using Names = std::vector<std::string>;

// Answers "greet" before any module can.
class Greeter : public CommandLibrary {
public:
    bool execute(const CommandTokenizer& tokens, ObjectList&, Object& result, Interpreter&,
                 const LibraryList&, bool) override {
        if (tokens.token(0) != "greet") return false;
        result.setString("caller's greeting");
        return true;
    }
    bool createType(const std::string&, const std::string&, ObjectList&) override { return false; }
    std::int32_t interfaceLevel() override { return 1; }
};

}  // namespace

TEST(ModuleLoading, LoadedModuleAnswersAfterTheCallersLibrariesAndIsReleasedLast) {
    OutputCapture teardown;
    {
        Interpreter interpreter;
        const std::string path = modulePath("greeting_module");
        EXPECT_EQ(run(interpreter, "load_module " + path), "");
        EXPECT_EQ(run(interpreter, "load_module " + path), "Module alreadly loaded.\n");
        EXPECT_EQ(interpreter.moduleNames(), Names{path});

        Object result;
        Greeter greeter;
        run(interpreter, "greet x", result, {&greeter});
        EXPECT_EQ(result.getString(), "caller's greeting");
        run(interpreter, "greet world", result);
        EXPECT_EQ(result.getString(), "hello world");
        EXPECT_EQ(run(interpreter, "begin (new test::counter c) (print c)"),
                  "test::Counter c = Counter(0)\ncounter released\n");
        run(interpreter, "global (new test::counter kept)");
    }
    // Libraries go first, then the values, while the module's code is still loaded.
    EXPECT_EQ(teardown.take(), "greeting library released\ncounter released\n");
}

// Each failure prints its line, and on standard error its reason with what the loader
// said (only the start is fixed where the loader's words vary).
TEST(ModuleLoading, FailuresLeaveNoRecordAndSearchDirectoriesAreTried) {
    Interpreter interpreter;
    Object result;
    OutputCapture errors(std::cerr);
    const std::string notFound = ": cannot open shared object file: No such file or directory\n";
    const std::string notModule = TEST_NOT_A_MODULE, noEntry = modulePath("missing_entry_module"),
                      null = modulePath("null_module");
    const std::string cases[][3] = {
        {"nothing.so", "Cannot load module 'nothing.so'\n",
         "load_module: cannot load 'nothing.so': nothing.so" + notFound},
        {notModule, "Cannot load module '" + notModule + "'\n", "load_module: cannot load '" + notModule + "': "},
        {noEntry, "Error " + std::to_string(kEntryPointMissingCode) + "\nCannot run command 'LoadCommandLibrary'\n",
         "load_module: '" + noEntry + "' has no LoadCommandLibrary: " + noEntry +
             ": undefined symbol: LoadCommandLibrary"},
        {null, "'LoadCommandLibrary()' returned NULL.\n",
         "load_module: LoadCommandLibrary() of '" + null + "' returned NULL\n"},
    };
    for (const auto& [name, out, err] : cases) {
        EXPECT_EQ(run(interpreter, "load_module " + name, result), out);
        const std::string said = errors.take();
        EXPECT_EQ(said.rfind(err, 0), 0u) << said;
    }
    EXPECT_TRUE(interpreter.moduleNames().empty());
    EXPECT_FALSE(result.hasData());

    run(interpreter, "path /nonexistent/directory");
    run(interpreter, "path " + kModuleDir);
    EXPECT_EQ(run(interpreter, "load_module greeting_module.so"), "");
    EXPECT_EQ(interpreter.moduleNames(), Names{"greeting_module.so"});
    // Each path tried in vain is named, with what the loader said about it.
    run(interpreter, "load_module absent.so");
    EXPECT_EQ(errors.take(), "load_module: cannot load 'absent.so': absent.so" + notFound +
                                 "load_module: cannot load '/nonexistent/directory/absent.so': "
                                 "/nonexistent/directory/absent.so" + notFound +
                                 "load_module: cannot load '" + kModuleDir + "/absent.so': " + kModuleDir +
                                 "/absent.so" + notFound);
}
