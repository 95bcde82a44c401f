#pragma once
// The executor of the object-level script language: one command text at a time, in
// prefix form, with Object values. Words it does not know go to command libraries.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "interp/CommandLibrary.h"
#include "interp/DispatchTable.h"
#include "interp/ModuleLoader.h"
#include "interp/Object.h"

namespace tala::interp {

// Deeper nesting of commands (brackets, files running files) fails with this text
// rather than running out of stack.
inline constexpr int kMaxCommandDepth = 2000;
inline constexpr const char* kNestingTooDeep = "Command nesting too deep.";

class Interpreter {
public:
    Interpreter() = default;
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;
    // Destroys the module libraries, then the global variables, then unloads the
    // module files (their code may still be needed by values they made).
    virtual ~Interpreter();

    // Evaluates one command text. `scope` is the caller's scope; `result` receives the
    // value. `global`: new variables go to the globals and names are looked up there.
    // `fresh`: new variables go to this command's own local copy, not the caller's scope.
    // Diagnostics are printed to standard output; failures are raised, not caught.
    virtual void execute(std::string_view text, ObjectList& scope, Object& result,
                         const LibraryList& libraries, bool global, bool fresh);
    // execute(command.token(n), ...): the token's split is kept with the command's, so
    // a statement or argument run again is not looked up again.
    void executeToken(const CommandTokenizer& command, int n, ObjectList& scope, Object& result,
                      const LibraryList& libraries, bool global, bool fresh);

    ObjectList& globals() { return globals_; }
    const ObjectList& globals() const { return globals_; }

    const std::vector<std::string>& searchPath() const { return searchPath_; }
    void addSearchDirectory(std::string directory) { searchPath_.push_back(std::move(directory)); }

    // Loads a module by name (the load_module word), printing any problem; what the
    // loader said about each path tried goes to standard error.
    void loadModule(const std::string& name);

    // Names of the loaded modules, in load order.
    std::vector<std::string> moduleNames() const;

    // The libraries to consult, in order: the caller's, then the modules'; null entries
    // and those of an unsupported interface level left out.
    LibraryList consultedLibraries(const LibraryList& callerLibraries) const;

private:
    // What execute does, with the text's tokens from `holder`'s token n where given.
    void run(std::string_view text, const CommandTokenizer* holder, int n, ObjectList& scope, Object& result,
             const LibraryList& libraries, bool global, bool fresh);
    // Whether a library is asked at all: not null, and of a supported interface level.
    static bool consulted(CommandLibrary* library);

    struct ModuleRecord {
        std::unique_ptr<CommandLibrary> library;
        std::string name;
    };

    ObjectList globals_;
    std::vector<ModuleRecord> modules_;
    std::vector<std::string> searchPath_;
    std::vector<ModuleHandle> moduleHandles_;
};

// The Interpreter's own words, group by group in table order, for help and completion.
const std::vector<GroupDoc>& wordGroups();

}  // namespace tala::interp
