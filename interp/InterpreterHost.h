#pragma once
// An Interpreter together with the command libraries it is always run with. Commands
// run in the globals with global off and fresh on, so only what a command creates
// inside "global" outlives it. The libraries go before the interpreter.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "interp/CommandLibrary.h"
#include "interp/Interpreter.h"
#include "interp/Object.h"

namespace tala::interp {

class InterpreterHost {
public:
    InterpreterHost() = default;
    explicit InterpreterHost(std::vector<std::unique_ptr<CommandLibrary>> libraries);
    InterpreterHost(const InterpreterHost&) = delete;
    InterpreterHost& operator=(const InterpreterHost&) = delete;
    virtual ~InterpreterHost();

    // Appends a library to the list passed with every command.
    void addLibrary(std::unique_ptr<CommandLibrary> library);

    // Runs a command for its effect; its value is discarded.
    void runCommand(std::string_view text);
    // Runs a command into the caller's result.
    void runCommand(std::string_view text, Object& result);

    Interpreter& interpreter() { return interpreter_; }
    const LibraryList& libraries() const { return libraries_; }

private:
    Interpreter interpreter_;
    std::vector<std::unique_ptr<CommandLibrary>> owned_;  // destroyed before interpreter_
    LibraryList libraries_;
};

}  // namespace tala::interp
