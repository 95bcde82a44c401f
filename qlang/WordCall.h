#pragma once
// What a word's handler sees of the command it runs. Each group of words lives in
// its own source file that ends with its table { "word", handler } and one function
// adding that table to the dispatcher (qlang/Words.h).

#include <span>
#include <string>
#include <string_view>

#include "interp/CommandTokenizer.h"
#include "interp/DispatchTable.h"
#include "interp/Variable.h"
#include "interp/VariableTable.h"

namespace qlang {

struct WordCall {
    tala::interp::VariableTable& table;
    const std::string& text;                    // the whole command text, for reports
    const tala::interp::CommandTokenizer& tokens;
    tala::interp::VariableList& scope;          // the caller's scope
    tala::interp::VariableList& local;          // this evaluation's local scope
    tala::interp::VariableList& target;         // where new variables go
    tala::interp::Variable& result;
    bool global;
    bool fresh;

    std::string arg(int n) const { return tokens.token(n); }
    int count() const { return tokens.count(); }
    // Evaluates token n as a command: local scope, same global flag, fresh on.
    void evaluateArg(int n, tala::interp::Variable& into) const;
    // Evaluates token n with an explicit fresh flag (control words need fresh off).
    void evaluateArg(int n, tala::interp::Variable& into, bool freshFlag) const;
    // "Syntax error '" + text + suffix, to standard output.
    void report(std::string_view suffix) const;
    // "Syntax Error '" + text + suffix, to standard output.
    void capitalReport(std::string_view suffix) const;
};

using WordHandler = void (*)(WordCall& call);

using WordEntry = tala::interp::DispatchEntry<WordHandler>;

}  // namespace qlang
