// Measurement of states held as columns: the outcome distribution of one
// subsystem, sampled measurements with collapse, and the measurement of one qubit.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "support/Failure.h"
#include "linalg/Matrix.h"
#include "qlang/StateIndexing.h"
#include "qlang/Words.h"
#include "support/ScriptOutput.h"

namespace qlang {

namespace {

using linalg::Complex;
using linalg::Matrix;
using tala::interp::SystemDims;
using tala::interp::Variable;

// PSI, SYSTEM and I of the subsystem words, read after every argument of the
// word has been evaluated.
struct SubsystemMeasurement {
    const Matrix& state;
    const SystemDims& dims;
    int subsystem;
};

SubsystemMeasurement readSubsystemArgs(QuantumCall& call, const Variable& psi, const Variable& system,
                                       const Variable& index) {
    SubsystemMeasurement m{psi.getMatrix(), system.getSystem(), index.getInteger()};
    if (m.subsystem < 0 || m.subsystem >= static_cast<int>(m.dims.size())) {
        call.report("'; index out of bounds.\n");
        throw support::Failure("Syntax Error.");
    }
    return m;
}

void setInteger(QuantumCall& call, const Variable& name, std::int32_t value) {
    Variable number;
    number.setInteger(value);
    tala::interp::assign(call.target, name.getString(), number);
}

int drawOrFail(const std::vector<double>& percents, double draw) {
    const int outcome = pickOutcome(percents, draw);
    if (outcome < 0) throw support::Failure("Measurement error.\n");
    return outcome;
}

void word_measure_distribution(QuantumCall& call) {
    const auto [psi, system, index, name] = call.valueArgs<4>(1);
    const SubsystemMeasurement m = readSubsystemArgs(call, psi, system, index);
    std::vector<double> probabilities = outcomeProbabilities(m.state, m.dims, m.subsystem);
    call.result.setVector(probabilities);
    if (probabilities.empty()) return;
    const std::string& base = name.getString();
    for (std::size_t v = 0; v < probabilities.size(); ++v) {
        Variable p;
        p.setDouble(probabilities[v]);
        tala::interp::assign(call.target, base + "." + std::to_string(v), p);
    }
}

void word_measure(QuantumCall& call) {
    const auto [psi, system, index, name] = call.valueArgs<4>(1);
    const SubsystemMeasurement m = readSubsystemArgs(call, psi, system, index);
    const std::vector<double> probabilities = outcomeProbabilities(m.state, m.dims, m.subsystem);
    const std::vector<double> percents = cumulativePercents(probabilities);
    const double draw = (std::rand() % 10000) / 10000.0 * 100.0;
    const int outcome = drawOrFail(percents, draw);
    setInteger(call, name, outcome);
    const double norm = std::sqrt(probabilities[outcome]);
    call.result.setMatrix(collapse(m.state, m.dims, m.subsystem, outcome, norm));
}

// As "measure", with whole-percent draws, its working on the console and no
// outcome variable. Tokens 4 and 5 are evaluated and not used.
void word_partial_measure(QuantumCall& call) {
    const auto args = call.valueArgs<5>(1);
    const SubsystemMeasurement m = readSubsystemArgs(call, args[0], args[1], args[2]);
    const std::vector<double> probabilities = outcomeProbabilities(m.state, m.dims, m.subsystem);
    const std::vector<double> percents = cumulativePercents(probabilities);
    for (std::size_t v = 0; v < percents.size(); ++v)
        support::out() << "p[" << v << "] = " << percents[v] << "\n";
    const int draw = std::rand() % 100;
    const int outcome = drawOrFail(percents, draw);
    support::out() << "result = " << outcome << "\n";
    const double norm = std::sqrt(probabilities[outcome]);
    support::out() << "pSq = " << norm << "\n";
    call.result.setMatrix(collapse(m.state, m.dims, m.subsystem, outcome, norm));
}

// Qubit q is bit q of the row index; q of 0 or below is bit 0. Row indices stay
// below 2^31, so a higher bit is never set.
bool rowHasBit(int row, std::int32_t qubit) { return qubit < 31 && ((row >> qubit) & 1) != 0; }

void word_measure_qbit(QuantumCall& call) {
    const auto [psi, qubitArg] = call.valueArgs<2>(1);
    if (psi.typeName != "matrix") {
        call.report("'; type not matrix.\n");
        return;
    }
    if (qubitArg.typeName != "integer") {
        call.report("'; type not integer.\n");
        return;
    }
    const Variable name = call.valueArg(3);
    const Matrix& state = psi.getMatrix();
    const std::int32_t qubit = qubitArg.getInteger() < 0 ? 0 : qubitArg.getInteger();

    double p0 = 0.0;
    for (int row = 0; row < state.rows(); ++row) {
        if (rowHasBit(row, qubit)) continue;
        Complex a = state(row, 0);
        linalg::normSquared(a);
        p0 += a.re;
    }
    const double draw = (std::rand() % 10000) / 10000.0;
    // A draw of exactly 0 would pick outcome 0 even when it cannot occur, and
    // scale by 1/sqrt(0): an impossible outcome 0 is never chosen.
    const int outcome = (p0 >= draw && p0 != 0.0) ? 0 : 1;
    setInteger(call, name, outcome);

    const double scale = 1.0 / std::sqrt(outcome == 0 ? p0 : 1.0 - p0);
    Matrix collapsed = state;
    for (int col = 0; col < collapsed.cols(); ++col)
        for (int row = 0; row < collapsed.rows(); ++row) {
            Complex& entry = collapsed(row, col);
            entry = rowHasBit(row, qubit) == (outcome == 1) ? linalg::multiply(entry, {scale, 0.0})
                                                            : Complex{};
        }
    call.result.setMatrix(std::move(collapsed));
}

constexpr WordEntry kMeasurementWords[] = {
    {"partial_measure", word_partial_measure, "PSI SYSTEM I X Y",
     "As measure, drawing whole percents, printing its working and setting no outcome variable.",
     "begin (new space Q 2) (new system S 1 Q) (print (partial_measure (get Q.ket.1) (get S) 0 0 0))"},
    {"measure_distribution", word_measure_distribution, "PSI SYSTEM I NAME",
     "The outcome probabilities of subsystem I of the state PSI, also stored into the doubles NAME.0, NAME.1, ...",
     "begin (new space Q 2) (new system S 1 Q) (print (measure_distribution (matrix 2 1 QFT) (get S) 0 p))"},
    {"measure", word_measure, "PSI SYSTEM I NAME",
     "Measures subsystem I of PSI: the collapsed state, with the outcome stored into the integer NAME.",
     "begin (new space Q 2) (new system S 1 Q) (new integer o) (print (measure (matrix 2 1 QFT) (get S) 0 o))"},
    {"measure_qbit", word_measure_qbit, "PSI Q NAME",
     "Measures qubit Q (bit Q of the row index) of PSI: the collapsed state, with the outcome into NAME.",
     "begin (new integer o) (print (measure_qbit (matrix 2 1 QFT) 0 o)) (print (get o))"},
};

}  // namespace

WordGroup measurementWords() { return {"measurement", kMeasurementWords}; }

}  // namespace qlang
