#pragma once
// A plug-in set of command words and value types. Libraries reach an Interpreter as
// the caller's list passed with every call, or loaded from a module by load_module.

#include <cstdint>
#include <string>
#include <vector>

#include "interp/CommandTokenizer.h"
#include "interp/Object.h"

namespace tala::interp {

class Interpreter;
class CommandLibrary;

// Caller-supplied libraries in the order they are asked; null entries are skipped.
using LibraryList = std::vector<CommandLibrary*>;

class CommandLibrary {
public:
    virtual ~CommandLibrary() = default;

    // Runs the command held by `tokens` (token 0 is the word) if it is one of this
    // library's words and answers true; answers false to let the next library try.
    // Arguments are evaluated with interpreter.execute(tokens.token(i), scope, a
    // temporary, libraries, global, true).
    virtual bool execute(const CommandTokenizer& tokens, ObjectList& scope, Object& result,
                         Interpreter& interpreter, const LibraryList& libraries, bool global) = 0;

    // Appends a new value named variableName to scope and answers true when typeName
    // is one of this library's types; otherwise changes nothing and answers false.
    virtual bool createType(const std::string& typeName, const std::string& variableName,
                            ObjectList& scope) = 0;

    // Only libraries answering at most kSupportedInterfaceLevel are consulted.
    virtual std::int32_t interfaceLevel() = 0;
};

inline constexpr std::int32_t kSupportedInterfaceLevel = 1;

// A module is a shared object exporting this parameterless function; it returns a new
// library (the Interpreter takes ownership) or null.
using LoadCommandLibraryFunction = CommandLibrary* (*)();
inline constexpr const char* kLoadCommandLibraryName = "LoadCommandLibrary";

}  // namespace tala::interp
