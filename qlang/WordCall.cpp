#include "qlang/WordCall.h"

#include <iostream>

#include "qlang/Evaluate.h"

namespace qlang {

void WordCall::evaluateArg(int n, tala::interp::Variable& into) const { evaluateArg(n, into, true); }

void WordCall::evaluateArg(int n, tala::interp::Variable& into, bool freshFlag) const {
    evaluate(table, tokens.token(n), local, into, global, freshFlag);
}

void WordCall::report(std::string_view suffix) const { std::cout << "Syntax error '" << text << suffix; }

void WordCall::capitalReport(std::string_view suffix) const { std::cout << "Syntax Error '" << text << suffix; }

}  // namespace qlang
