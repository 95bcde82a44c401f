#include "qlang/Evaluate.h"

#include <string>

#include "interp/CommandTokenizer.h"
#include "interp/InterpreterCore.h"
#include "qlang/WordCall.h"
#include "qlang/WordTable.h"

namespace qlang {

using tala::interp::CommandTokenizer;
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

void runHandler(WordCall& call, const std::string& word) {
    for (const auto& handler : call.table.handlers) {
        if (handler->name() != word) continue;
        handler->execute(call.tokens, call.local, call.result, call.global, call.fresh, call.table);
        return;
    }
    call.report("'\n");
}

}  // namespace

void evaluate(VariableTable& table, std::string_view text, VariableList& scope, Variable& result, bool global,
              bool fresh) {
    const tala::interp::NestingGuard guard(nesting, kNesting);
    tala::interp::checkBracketDepth(text, kNesting);
    CommandTokenizer tokens = CommandTokenizer::forScripts();
    tokens.setText(text);
    if (tokens.count() == 1) {
        applyLiteral(tokens.token(0), result);
        return;
    }
    // This evaluation's own scope: the caller's entries, borrowed. Whatever lands
    // here with this scope as target is released when the evaluation ends.
    VariableList local = tala::interp::borrowedCopy(scope);
    VariableList& target = global ? table.variables : (fresh ? local : scope);
    const std::string word = tokens.token(0);
    WordCall call{table, tokens.text(), tokens, scope, local, target, result, global, fresh};
    if (WordHandler handler = WordTable::builtins().find(word)) {
        handler(call);
        return;
    }
    runHandler(call, word);
}

}  // namespace qlang
