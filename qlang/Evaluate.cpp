#include "qlang/Evaluate.h"

#include <string>

#include "interp/ArgumentCount.h"
#include "interp/CommandTokenizer.h"
#include "interp/InterpreterCore.h"
#include "qlang/QuantumCall.h"
#include "qlang/WordTable.h"

namespace qlang {

using tala::interp::CommandTokenizer;
using tala::interp::Scope;
using tala::interp::Variable;
using tala::interp::VariableList;
using tala::interp::VariableTable;

namespace {

// Every bracket level is one more recursion of evaluate; a thousand levels of script
// nesting are far beyond what anyone writes, and the stack must survive them.
constexpr tala::interp::NestingRule kNesting{1000, "Nesting deeper than 1000 levels", true};

thread_local tala::interp::NestingDepth nesting;

// A single-token command: a number or a text; names are never looked up here.
void applyLiteral(const std::string& token, Variable& result) {
    if (!tala::interp::readLiteral<tala::interp::TypedNumbers>(token, result)) result.setString(token);
}

// Extension handlers take their local scope as a list: they get the entries the local
// scope sees, borrowed, as a list of their own that goes when the command ends.
void runHandler(QuantumCall& call, const std::string& word) {
    for (const auto& handler : call.table.handlers) {
        if (handler->name() != word) continue;
        VariableList local = call.local.borrowedCopy();
        handler->execute(call.tokens, local, call.result, call.global, call.fresh, call.table);
        return;
    }
    call.report("'\n");
}

// What evaluate does, with the text's tokens from `holder`'s token n where given.
void run(VariableTable& table, std::string_view text, const CommandTokenizer* holder, int n, Scope& scope,
         Variable& result, bool global, bool fresh) {
    const tala::interp::NestingGuard guard(nesting, kNesting);
    tala::interp::checkBracketDepth(text, kNesting);
    if (tala::interp::isPlainScriptToken(text)) {  // the one token it is
        applyLiteral(std::string(text), result);
        return;
    }
    const CommandTokenizer tokens = holder ? holder->forScriptToken(n) : CommandTokenizer::forScriptText(text);
    if (tokens.count() == 1) {
        std::string scratch;
        applyLiteral(tokens.token(0, scratch), result);
        return;
    }
    // This evaluation's own scope: it sees the caller's entries, borrowed, and holds
    // whatever lands here with it as target, released when the evaluation ends.
    Scope local(scope);
    Scope globals(table.variables);
    Scope& target = global ? globals : (fresh ? local : scope);
    std::string scratch;
    const std::string& word = tokens.token(0, scratch);
    QuantumCall call{table, tokens.text(), tokens, scope, local, target, result, global, fresh};
    if (const auto* found = WordTable::builtins().lookup(word)) {
        found->handler(call);
        tala::interp::checkArgumentCount(tokens, found->arity);
        return;
    }
    runHandler(call, word);
}

}  // namespace

void evaluate(VariableTable& table, std::string_view text, VariableList& scope, Variable& result, bool global,
              bool fresh) {
    Scope caller(scope);
    evaluate(table, text, caller, result, global, fresh);
}

void evaluate(VariableTable& table, std::string_view text, Scope& scope, Variable& result, bool global, bool fresh) {
    run(table, text, nullptr, 0, scope, result, global, fresh);
}

void evaluateToken(VariableTable& table, const CommandTokenizer& command, int n, Scope& scope, Variable& result,
                   bool global, bool fresh) {
    std::string scratch;
    run(table, command.token(n, scratch), &command, n, scope, result, global, fresh);
}

}  // namespace qlang
