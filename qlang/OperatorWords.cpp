// Two-operand arithmetic over the value types, and the words that make and apply
// quantum operators: tensor products, adjoints, the unitarity test, gates and the
// lifting of a one-subsystem operator to a whole system.

#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "linalg/EntryLimit.h"
#include "support/Failure.h"
#include "linalg/Matrix.h"
#include "qlang/StateIndexing.h"
#include "qlang/Words.h"
#include "support/ScriptOutput.h"

namespace qlang {

namespace {

using linalg::Complex;
using linalg::Matrix;
using tala::interp::Variable;

struct Operands {
    Variable a;
    Variable b;

    bool differ() const { return a.typeName != b.typeName; }
    bool both(const char* type) const { return a.typeName == type && b.typeName == type; }
    bool are(const char* typeA, const char* typeB) const {
        return a.typeName == typeA && b.typeName == typeB;
    }
};

// Both operands, A first, each evaluated into its own temporary.
Operands evaluateOperands(QuantumCall& call) { return Operands{call.valueArg(1), call.valueArg(2)}; }

void reportTypesDontMatch(QuantumCall& call) { call.report("'; types don't match\n"); }

// 32-bit integer arithmetic wraps around instead of overflowing.
std::int32_t wrapped(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// The sum, or with `subtract` the difference, of two equal-sized matrices.
void addMatrices(QuantumCall& call, const Operands& o, bool subtract) {
    const Matrix& a = o.a.getMatrix();
    const Matrix& b = o.b.getMatrix();
    if (a.rows() != b.rows() || a.cols() != b.cols()) {
        call.report(subtract ? "'; matrix wrong size for subtract\n" : "'; matrix wrong size for add\n");
        return;
    }
    Matrix result;
    if (subtract) linalg::subtract(a, &result, &b);
    else linalg::add(a, &result, &b);
    call.result.setMatrix(std::move(result));
}

void word_add(QuantumCall& call) {
    const Operands o = evaluateOperands(call);
    if (o.differ()) {
        call.report("'; types don't match\nint1: ");
        o.a.print(support::out(), true, 0);
        support::out() << "int2: ";
        o.b.print(support::out(), true, 0);
        support::out() << "\n";
    } else if (o.both("integer")) {
        call.result.setInteger(wrapped(std::int64_t{o.a.getInteger()} + o.b.getInteger()));
    } else if (o.both("double")) {
        call.result.setDouble(o.a.getDouble() + o.b.getDouble());
    } else if (o.both("complex")) {
        call.result.setComplex(o.a.getComplex() + o.b.getComplex());
    } else if (o.both("matrix")) {
        addMatrices(call, o, false);
    } else {
        call.report("'; cannot add these types\n");
    }
}

void word_subtract(QuantumCall& call) {
    const Operands o = evaluateOperands(call);
    if (o.differ()) {
        reportTypesDontMatch(call);
    } else if (o.both("integer")) {
        call.result.setInteger(wrapped(std::int64_t{o.a.getInteger()} - o.b.getInteger()));
    } else if (o.both("double")) {
        call.result.setDouble(o.a.getDouble() - o.b.getDouble());
    } else if (o.both("complex")) {
        call.result.setComplex(o.a.getComplex() - o.b.getComplex());
    } else if (o.both("matrix")) {
        addMatrices(call, o, true);
    } else {
        call.report("'; cannot subtract these types\n");
    }
}

void multiplyMatrices(QuantumCall& call, const Matrix& a, const Matrix& b) {
    Matrix product;
    if (!linalg::multiply(a, product, b)) {
        call.report("'; matrix wrong size for mult\n");
        support::out() << "A is " << a.rows() << "x" << a.cols() << "\n";
        support::out() << "B is " << b.rows() << "x" << b.cols() << "\n";
        return;
    }
    call.result.setMatrix(std::move(product));
}

void storeScaled(QuantumCall& call, Complex factor, const Matrix& m) {
    Matrix scaled = m;
    scaled.scale(factor);
    call.result.setMatrix(std::move(scaled));
}

void word_mult(QuantumCall& call) {
    const Operands o = evaluateOperands(call);
    if (o.both("double")) {
        call.result.setDouble(o.a.getDouble() * o.b.getDouble());
    } else if (o.both("integer")) {
        call.result.setInteger(wrapped(std::int64_t{o.a.getInteger()} * o.b.getInteger()));
    } else if (o.both("complex")) {
        call.result.setComplex(o.a.getComplex() * o.b.getComplex());
    } else if (o.both("matrix")) {
        multiplyMatrices(call, o.a.getMatrix(), o.b.getMatrix());
    } else if (o.are("complex", "matrix")) {
        storeScaled(call, o.a.getComplex(), o.b.getMatrix());
    } else if (o.are("double", "matrix")) {
        storeScaled(call, {o.a.getDouble(), 0.0}, o.b.getMatrix());
    } else if (o.are("double", "integer")) {
        call.result.setDouble(o.a.getDouble() * o.b.getInteger());
    } else if (o.differ()) {
        reportTypesDontMatch(call);
    } else {
        call.report("'; cannot multiply these types\n");
    }
}

void word_div(QuantumCall& call) {
    const Operands o = evaluateOperands(call);
    if (o.differ()) {
        reportTypesDontMatch(call);
    } else if (o.both("double")) {
        call.result.setDouble(o.a.getDouble() / o.b.getDouble());
    } else if (o.both("integer")) {
        const std::int32_t b = o.b.getInteger();
        if (b == 0) {
            call.report("'; division by zero\n");
            return;
        }
        // The one quotient beyond 32 bits, INT_MIN / -1, wraps like the others.
        call.result.setInteger(wrapped(std::int64_t{o.a.getInteger()} / b));
    }
}

void word_div_d(QuantumCall& call) {
    const Operands o = evaluateOperands(call);
    if (o.both("integer")) {
        call.result.setDouble(static_cast<double>(o.a.getInteger()) / o.b.getInteger());
    } else if (o.both("double")) {
        call.result.setDouble(o.a.getDouble() / o.b.getDouble());
    } else if (o.are("double", "integer")) {
        call.result.setDouble(o.a.getDouble() / o.b.getInteger());
    } else if (o.differ()) {
        reportTypesDontMatch(call);
    } else {
        // Other types have no quotient; the word still yields its double.
        call.result.setDouble(std::numeric_limits<double>::quiet_NaN());
    }
}

void word_mod(QuantumCall& call) {
    const Operands o = evaluateOperands(call);
    if (o.differ()) {
        reportTypesDontMatch(call);
        return;
    }
    if (!o.both("integer") || o.b.getInteger() == 0) {
        call.report("'; cannot mod these types\n");
        return;
    }
    const std::int64_t b = o.b.getInteger();
    std::int64_t r = o.a.getInteger() % b;
    if (r < 0) r += b;
    call.result.setInteger(wrapped(r));
}

void word_and(QuantumCall& call) {
    const Operands o = evaluateOperands(call);
    if (o.differ()) {
        reportTypesDontMatch(call);
    } else if (o.both("integer")) {
        call.result.setInteger(o.a.getInteger() & o.b.getInteger());
    } else {
        call.report("'; cannot 'and' these types\n");
    }
}

void word_tensor(QuantumCall& call) {
    const Operands o = evaluateOperands(call);
    if (o.a.typeName != "matrix") {
        call.report("'; cannot tensor these types\n");
        return;
    }
    const Matrix& b = o.b.getMatrix();
    Matrix product;
    linalg::kronecker(o.a.getMatrix(), &b, &product);
    call.result.setMatrix(std::move(product));
}

// The operand of "transpose" and "is_unitary": a non-matrix is reported and
// then fails its matrix read.
const Matrix& readReportedMatrix(QuantumCall& call, const Variable& m, const char* word) {
    if (m.typeName != "matrix") call.report(std::string("'; type not matrix (") + word + ")\n");
    return m.getMatrix();
}

void word_transpose(QuantumCall& call) {
    const Variable m = call.valueArg(1);
    const Matrix& source = readReportedMatrix(call, m, "transpose");
    Matrix adjoint;
    adjoint.setAdjointOf(source);
    call.result.setMatrix(std::move(adjoint));
}

void word_is_unitary(QuantumCall& call) {
    const Variable m = call.valueArg(1);
    const Matrix& source = readReportedMatrix(call, m, "isUnitary");
    call.result.setInteger(source.isUnitary() ? 1 : 0);
}

// Qubit numbers of "gate": an exponent of 0 or below is bit 0.
std::int32_t gateQubit(std::int32_t exponent) { return exponent < 0 ? 0 : exponent; }

// Bit mask of a qubit. No basis index of a storable gate reaches bit 40, so
// higher qubits share that mask: their bit is never set either.
std::int64_t gateMask(std::int32_t qubit) { return std::int64_t{1} << (qubit > 40 ? 40 : qubit); }

// A 2^N x 2^N gate: sizes beyond the largest matrix fail before 2^N can overflow.
Matrix& gateMatrix(QuantumCall& call, std::int32_t qubits) {
    if (qubits > 30)
        throw support::Failure("Matrix too large: 2^" + std::to_string(qubits) + " x 2^" +
                            std::to_string(qubits) + " entries");
    const int dimension = 1 << qubits;
    linalg::requireEntryLimit(dimension, dimension);
    return call.result.setMatrix(dimension, dimension);
}

void fillControlledNot(QuantumCall& call, Matrix& gate) {
    const auto [controlArg, targetArg] = call.valueArgs<2>(3);
    const std::int32_t control = gateQubit(controlArg.getInteger());
    const std::int32_t target = gateQubit(targetArg.getInteger());
    if (control == target) {
        call.capitalReport("'; action = control\n");
        return;
    }
    const std::int64_t dimension = gate.rows();
    const std::int64_t controlMask = gateMask(control);
    const std::int64_t targetMask = gateMask(target);
    for (std::int64_t k = 0; k < dimension; ++k) {
        const std::int64_t r = (k & controlMask) ? (k ^ targetMask) : k;
        if (r >= 0 && r < dimension) gate(static_cast<int>(r), static_cast<int>(k)) = {1.0, 0.0};
    }
}

void word_gate(QuantumCall& call) {
    const auto [nameArg, qubitsArg] = call.valueArgs<2>(1);
    const std::string& name = nameArg.getString();
    const std::int32_t qubits = qubitsArg.getInteger();
    if (qubits <= 0) {
        call.capitalReport("'; dimSize <= 0\n");
        return;
    }
    Matrix& gate = gateMatrix(call, qubits);
    // Another name keeps the zero matrix as its result, but never silently.
    if (name == "cnot") fillControlledNot(call, gate);
    else call.capitalReport("'; unknown gate '" + name + "' (known: cnot)\n");
}

void word_apply_op(QuantumCall& call) {
    const auto [systemArg, indexArg, opArg, stateArg] = call.valueArgs<4>(1);
    const tala::interp::SystemDims& dims = systemArg.getSystem();
    const int index = indexArg.getInteger();
    const Matrix& op = opArg.getMatrix();
    const Matrix& state = stateArg.getMatrix();
    Matrix lifted;
    if (!applyOnSubsystem(op, dims, index, state, lifted)) {
        call.report("'; matrix wrong size for mult\n");
        return;
    }
    call.result.setMatrix(std::move(lifted));
}

constexpr WordEntry kOperatorWords[] = {
    {"add", word_add, "A B", "The sum of two integers, doubles, complex numbers or equal-sized matrices.",
     "print (add 2 3)"},
    {"+", word_add, "A B", "The sum of A and B (the same as add).", "print (+ 2 3)"},
    {"subtract", word_subtract, "A B", "The difference A - B of two values of one type.",
     "print (subtract (complex 1 1) (complex 0 1))"},
    {"-", word_subtract, "A B", "The difference A - B (the same as subtract).", "print (- 7 2)"},
    {"mult", word_mult, "A B",
     "The product A B: of two values of one type, a matrix scaled by a complex or double, or a double by an "
     "integer.",
     "print (mult 2.0 3)"},
    {"*", word_mult, "A B", "The product A B (the same as mult).", "print (* 6 7)"},
    {"div", word_div, "A B", "The quotient A / B of two doubles, or of two integers truncated toward zero.",
     "print (div 7 2)"},
    {"/", word_div, "A B", "The quotient A / B (the same as div).", "print (/ 7.0 2.0)"},
    {"div_d", word_div_d, "A B", "The quotient A / B as a double, of integers or doubles.", "print (div_d 7 2)"},
    {"mod", word_mod, "A B", "The integer remainder of A by B, never negative for a positive B.",
     "print (mod -7 3)"},
    {"and", word_and, "A B", "The bitwise AND of two integers.", "print (and 6 3)"},
    {"tensor", word_tensor, "A B", "The tensor (Kronecker) product of the matrices A and B, A the leftmost factor.",
     "print (tensor (matrix 2 1 ident) (matrix 2 1 (complex 0 0) (complex 1 0)))"},
    {"transpose", word_transpose, "M", "The conjugate transpose of the matrix M.",
     "print (transpose (matrix 1 2 (complex 1 0) (complex 0 1)))"},
    {"is_unitary", word_is_unitary, "M", "1 when M times its conjugate transpose is the identity, else 0.",
     "print (is_unitary (matrix 2 2 QFT))"},
    {"gate", word_gate, "NAME QUBITS [CONTROL TARGET]",
     "The 2^QUBITS square gate: cnot flips qubit TARGET where qubit CONTROL is set; another name is reported and "
     "gives zeros.",
     "print (gate cnot 2 1 0)"},
    {"apply_op", word_apply_op, "SYSTEM INDEX OP STATE",
     "STATE with the operator OP applied to subsystem INDEX of SYSTEM and the identity to the others.",
     "begin (new space Q 2) (new system S 2 Q Q) "
     "(print (apply_op (get S) 1 (matrix 2 2 QFT) (tensor (get Q.ket.0) (get Q.ket.0))))"},
};

}  // namespace

WordGroup operatorWords() { return {"operators", kOperatorWords}; }

}  // namespace qlang
