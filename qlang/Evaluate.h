#pragma once
// The evaluator of the typed quantum language: one recursive procedure over
// prefix command texts, run against a variable table.

#include <string_view>

#include "interp/CommandTokenizer.h"
#include "interp/Scope.h"
#include "interp/Variable.h"
#include "interp/VariableTable.h"

namespace qlang {

// Evaluates one command text. `scope` is the caller's scope; `result` receives the
// value and is left untouched by words that produce none. `global`: new variables go
// to the table's global list and variable words look names up there. `fresh`: new
// variables go to this evaluation's own local scope instead of the caller's scope.
void evaluate(tala::interp::VariableTable& table, std::string_view text,
              tala::interp::VariableList& scope, tala::interp::Variable& result, bool global,
              bool fresh);

// The same with the caller's scope a scope of an evaluation under way: the words
// evaluate their arguments and statements this way, in their local scope.
void evaluate(tala::interp::VariableTable& table, std::string_view text, tala::interp::Scope& scope,
              tala::interp::Variable& result, bool global, bool fresh);

// evaluate(command.token(n), ...): the token's split is kept with the command's, so a
// statement or argument evaluated again is not looked up again.
void evaluateToken(tala::interp::VariableTable& table, const tala::interp::CommandTokenizer& command, int n,
                   tala::interp::Scope& scope, tala::interp::Variable& result, bool global, bool fresh);

}  // namespace qlang
