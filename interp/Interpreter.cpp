#include "interp/Interpreter.h"

#include <algorithm>
#include <iostream>

#include "interp/ArgumentCount.h"
#include "interp/InterpreterWords.h"
#include "support/Reporting.h"
#include "support/Failure.h"
#include "support/ScriptOutput.h"

namespace tala::interp {

using support::Failure;
using support::explain;
using support::noteProblem;
using support::warn;

namespace {

// The commands being evaluated on this thread, for the nesting limit.
thread_local NestingDepth nesting;

Object evaluated(const ObjectCall& call, int n) {
    Object value;
    call.interpreter.executeToken(call.tokens, n, call.local, value, call.libraries, call.global, true);
    return value;
}

// A single token: a number, a variable reference, or its own text.
void applyLiteral(const std::string& token, const ObjectList& scope, Object& result) {
    if (readLiteral<ObjectNumbers>(token, result)) return;
    if (!scope.lookup(token, result)) result.setString(token);
}

// "get NAME" with NAME a single token: the most common command evaluated inside others
// ("(get QDM)" in every agent's command).
bool readsPlainVariable(const CommandTokenizer& tokens) {
    if (tokens.count() != 2) return false;
    std::string scratch;
    if (tokens.token(0, scratch) != "get") return false;
    return isPlainScriptToken(tokens.token(1, scratch));
}

// The library a module's entry point makes. Without one the module is closed, the
// failure printed, and the loader's details go to standard error.
std::unique_ptr<CommandLibrary> libraryOf(ModuleHandle& handle) {
    std::string error;
    LoadCommandLibraryFunction entry = handle.entryPoint(error);
    if (!entry) {
        std::cerr << "load_module: '" << handle.path() << "' has no " << kLoadCommandLibraryName << ": " << error
                  << "\n";
        support::out() << "Error " << kEntryPointMissingCode << "\n";
        handle.close();
        support::out() << "Cannot run command '" << kLoadCommandLibraryName << "'\n";
        noteProblem();
        return nullptr;
    }
    std::unique_ptr<CommandLibrary> library(entry());
    if (!library) {
        std::cerr << "load_module: " << kLoadCommandLibraryName << "() of '" << handle.path() << "' returned NULL\n";
        handle.close();
        support::out() << "'" << kLoadCommandLibraryName << "()' returned NULL.\n";
        noteProblem();
    }
    return library;
}

}  // namespace

Object ObjectCall::valueArg(int n) const { return evaluated(*this, n); }

std::int32_t ObjectCall::integerIn(const Object& value, int n) const {
    if (!value.holds(ObjectType::Integer)) wrongType(n, "an integer", value, true);
    return value.getInteger();
}

double ObjectCall::doubleIn(const Object& value, int n) const {
    if (!value.holds(ObjectType::Double)) wrongType(n, "a double", value, true);
    return value.getDouble();
}

std::string ObjectCall::stringIn(const Object& value, int n) const {
    if (!value.holds(ObjectType::String)) wrongType(n, "a string", value, true);
    return value.getString();
}

void ObjectCall::wrongType(int n, std::string_view wanted, const Object& got, bool failureFollows,
                           std::string_view consequence) const {
    std::string name = argumentName(synopsis, n);
    if (!name.empty()) name = " " + name;
    std::string text = tokens.token(0) + ": argument " + std::to_string(n) + name + " wants " + std::string(wanted) +
                       ", got " + describeValue(got);
    if (!consequence.empty()) text += "; " + std::string(consequence);
    (failureFollows ? explain : warn)(text);
}

namespace words {

void InterpreterCall::run(int k, Object& into, bool freshFlag) const {
    interpreter.executeToken(tokens, k, local, into, libraries, global, freshFlag);
}

const WordTable& WordTable::builtins() {
    static const WordGroup groups[] = {controlWords(), valueWords(), variableWords(), ioWords(), fileWords()};
    static const WordTable table(groups);
    return table;
}

}  // namespace words

const std::vector<GroupDoc>& wordGroups() { return words::WordTable::builtins().groups(); }

Interpreter::~Interpreter() {
    for (ModuleRecord& module : modules_) module.library.reset();
    modules_.clear();
    // Values that a module made may need its code to be destroyed: the globals go
    // before the module files are unloaded.
    try {
        globals_.clear();
    } catch (const Failure&) {
        // Nothing left to report to: the entries are gone either way.
    }
    for (ModuleHandle& handle : moduleHandles_) handle.close();
}

void Interpreter::execute(std::string_view text, ObjectList& scope, Object& result,
                          const LibraryList& libraries, bool global, bool fresh) {
    run(text, nullptr, 0, scope, result, libraries, global, fresh);
}

void Interpreter::executeToken(const CommandTokenizer& command, int n, ObjectList& scope, Object& result,
                               const LibraryList& libraries, bool global, bool fresh) {
    std::string scratch;
    run(command.token(n, scratch), &command, n, scope, result, libraries, global, fresh);
}

void Interpreter::run(std::string_view text, const CommandTokenizer* holder, int n, ObjectList& scope,
                      Object& result, const LibraryList& libraries, bool global, bool fresh) {
    if (nesting.depth == 0) checkBracketDepth(text, words::kNesting);
    const NestingGuard guard(nesting, words::kNesting);
    result.release();
    const std::string scriptFile = takeScriptFile();

    if (isPlainScriptToken(text)) {  // a name or a number: read as the one token it is
        applyLiteral(std::string(text), scope, result);
        return;
    }
    const CommandTokenizer tokens = holder ? holder->forScriptToken(n) : CommandTokenizer::forScriptText(text);
    if (tokens.count() == 1) {
        std::string scratch;
        applyLiteral(tokens.token(0, scratch), scope, result);
        return;
    }

    if (readsPlainVariable(tokens)) {
        // What the builtin get does (an argument count it cannot fault), without this
        // command's copy of the scope: its argument, evaluated as a single token, sees
        // the scope's entries, and a copy of them finds what the scope itself finds.
        Object name;
        std::string scratch;
        applyLiteral(tokens.token(1, scratch), scope, name);
        (global ? globals_ : scope).lookup(name.name, result);
        return;
    }
    ObjectList local = scope.borrowedCopy();
    ObjectList& target = global ? globals_ : (fresh ? local : scope);
    words::InterpreterCall command{{*this, tokens, local, result, libraries, global}, text, target, fresh};

    std::string scratch;
    if (const auto* word = words::WordTable::builtins().lookup(tokens.token(0, scratch))) {
        command.synopsis = word->synopsis;
        word->handler(command);
        checkArgumentCount(tokens, word->arity, scriptFile);
        return;
    }
    // A library's word counts its own arguments: the mark of a script file goes to it.
    if (!scriptFile.empty()) expectScriptFile(scriptFile);
    // The libraries of the caller, then those of the modules loaded before this command.
    const auto answers = [&](CommandLibrary* library) {
        return consulted(library) && library->execute(tokens, local, result, *this, libraries, global);
    };
    for (std::size_t n = 0, given = libraries.size(); n < given && n < libraries.size(); ++n)
        if (answers(libraries[n])) return;
    for (std::size_t m = 0, loaded = modules_.size(); m < loaded && m < modules_.size(); ++m)
        if (answers(modules_[m].library.get())) return;
    takeScriptFile();
    command.report("'\n");
}

bool Interpreter::consulted(CommandLibrary* library) {
    return library && library->interfaceLevel() <= kSupportedInterfaceLevel;
}

LibraryList Interpreter::consultedLibraries(const LibraryList& callerLibraries) const {
    LibraryList consulted;
    auto consider = [&](CommandLibrary* library) {
        if (this->consulted(library)) consulted.push_back(library);
    };
    for (CommandLibrary* library : callerLibraries) consider(library);
    for (const ModuleRecord& module : modules_) consider(module.library.get());
    return consulted;
}

void Interpreter::loadModule(const std::string& name) {
    const auto sameName = [&](const ModuleRecord& module) { return module.name == name; };
    if (std::any_of(modules_.begin(), modules_.end(), sameName)) {
        support::out() << "Module alreadly loaded.\n";
        return;
    }
    std::vector<LoadFailure> failures;
    ModuleHandle handle = openModule(name, searchPath_, failures);
    if (!handle) {
        for (const LoadFailure& failure : failures)
            std::cerr << "load_module: cannot load '" << failure.path << "': " << failure.error << "\n";
        support::out() << "Cannot load module '" << name << "'\n";
        noteProblem();
        return;
    }
    std::unique_ptr<CommandLibrary> library = libraryOf(handle);
    if (!library) return;
    moduleHandles_.push_back(std::move(handle));
    modules_.push_back(ModuleRecord{std::move(library), name});
}

std::vector<std::string> Interpreter::moduleNames() const {
    std::vector<std::string> names;
    for (const ModuleRecord& module : modules_) names.push_back(module.name);
    return names;
}

}  // namespace tala::interp
