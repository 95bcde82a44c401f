#include "qlang/QuantumCall.h"

#include <utility>

#include "interp/InterpreterCore.h"
#include "qlang/Evaluate.h"

namespace qlang {

using tala::interp::Variable;

MatrixArg::MatrixArg(Variable value) : value_(std::move(value)), matrix_(&value_.getMatrix()) {}

Variable QuantumCall::valueArg(int n) const {
    Variable value;
    run(n, value);
    return value;
}

std::int32_t QuantumCall::integerArg(int n) const { return valueArg(n).getInteger(); }

double QuantumCall::doubleArg(int n) const { return valueArg(n).getDouble(); }

std::string QuantumCall::stringArg(int n) const { return valueArg(n).getString(); }

linalg::Complex QuantumCall::complexArg(int n) const { return valueArg(n).getComplex(); }

MatrixArg QuantumCall::matrixArg(int n) const { return MatrixArg(valueArg(n)); }

void QuantumCall::run(int n, Variable& into, bool freshFlag) const {
    evaluateToken(table, tokens, n, local, into, global, freshFlag);
}

void QuantumCall::report(std::string_view suffix) const {
    tala::interp::writeReport(tala::interp::ReportForm::Plain, text, suffix);
}

void QuantumCall::capitalReport(std::string_view suffix) const {
    tala::interp::writeReport(tala::interp::ReportForm::Capital, text, suffix);
}

}  // namespace qlang
