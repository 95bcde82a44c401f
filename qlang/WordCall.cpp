#include "qlang/WordCall.h"

#include <utility>

#include "interp/InterpreterCore.h"
#include "qlang/Evaluate.h"

namespace qlang {

using tala::interp::Variable;

MatrixArg::MatrixArg(Variable value) : value_(std::move(value)), matrix_(&value_.getMatrix()) {}

Variable WordCall::valueArg(int n) const {
    Variable value;
    run(n, value);
    return value;
}

std::int32_t WordCall::integerArg(int n) const { return valueArg(n).getInteger(); }

double WordCall::doubleArg(int n) const { return valueArg(n).getDouble(); }

std::string WordCall::stringArg(int n) const { return valueArg(n).getString(); }

linalg::Complex WordCall::complexArg(int n) const { return valueArg(n).getComplex(); }

MatrixArg WordCall::matrixArg(int n) const { return MatrixArg(valueArg(n)); }

void WordCall::run(int n, Variable& into, bool freshFlag) const {
    std::string scratch;
    evaluate(table, tokens.token(n, scratch), local, into, global, freshFlag);
}

void WordCall::report(std::string_view suffix) const {
    tala::interp::writeReport(tala::interp::ReportForm::Plain, text, suffix);
}

void WordCall::capitalReport(std::string_view suffix) const {
    tala::interp::writeReport(tala::interp::ReportForm::Capital, text, suffix);
}

}  // namespace qlang
