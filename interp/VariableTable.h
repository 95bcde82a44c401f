#pragma once
// The global variables of the typed language plus its extension handlers. The
// decision maker's record extends this table; the evaluator that runs commands
// against it lives one level up, in the typed language library.

#include <memory>
#include <string>
#include <vector>

#include "interp/CommandTokenizer.h"
#include "interp/Variable.h"

namespace tala::interp {

class VariableTable;

// One extension word of the typed evaluator.
class CommandHandler {
public:
    virtual ~CommandHandler() = default;
    virtual void execute(const CommandTokenizer& tokens, VariableList& localScope, Variable& result,
                         bool global, bool fresh, VariableTable& table) = 0;
    virtual void help() = 0;
    virtual std::string name() = 0;
};

class VariableTable {
public:
    VariableTable() = default;
    VariableTable(const VariableTable&) = delete;
    VariableTable& operator=(const VariableTable&) = delete;
    virtual ~VariableTable() = default;

    VariableList variables;
    // Declared after the variables, so destroyed first: a handler may still look at
    // the variables while it is destroyed.
    std::vector<std::unique_ptr<CommandHandler>> handlers;

    // "State List:\n" then "<" typeName ", " name ">\n" per global variable.
    void printState() const;
    void clear();
};

}  // namespace tala::interp
