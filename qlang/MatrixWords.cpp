// Words that declare spaces, systems and matrices, build matrix values and read
// or replace single entries.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/Reporting.h"
#include "support/Failure.h"
#include "linalg/Matrix.h"
#include "linalg/MemoryBudget.h"
#include "qlang/UnitaryFromAngles.h"
#include "qlang/Words.h"
#include "support/ScriptOutput.h"

namespace qlang {

namespace {

using linalg::Complex;
using linalg::Matrix;
using tala::interp::SystemDims;
using tala::interp::Value;
using tala::interp::Variable;

void appendNew(tala::interp::Scope& scope, std::string name, const char* typeName, Value value) {
    const Variable variable(std::move(name), typeName, tala::interp::makeValue(std::move(value)));
    tala::interp::append(scope, variable);
}

// The unit column (ket) or row (bra) of length n with its 1 at position k.
Matrix unitVector(int n, int k, bool column) {
    Matrix unit = column ? Matrix(n, 1) : Matrix(1, n);
    unit.data()[k] = {1.0, 0.0};
    return unit;
}

// A space of dimension n holds 2n vectors of n entries; beyond the largest
// matrix that total would only exhaust memory.
bool spaceTooLarge(std::int64_t n) { return 2 * n * n > linalg::kMaxEntries; }

// The 2n vectors of a space, each with its value and its list entry, must fit in
// the memory budget before the first is made.
void requireSpaceMemory(const std::string& name, std::int64_t n) {
    const std::int64_t each = n * std::int64_t{sizeof(Complex)} + tala::interp::kValueBytes;
    linalg::requireMemory(2 * n * each, "space " + name + " of dimension " + std::to_string(n));
}

void declareSpace(QuantumCall& call, const std::string& name) {
    const int n = call.integerArg(3);
    if (n < 1) {
        support::out() << "Syntax error - dim <= 0\n";
        support::noteProblem();
        return;
    }
    if (spaceTooLarge(n)) {
        support::out() << "Syntax error - dim too large\n";
        support::noteProblem();
        return;
    }
    requireSpaceMemory(name, n);
    tala::interp::appendAllOrNothing(call.target, [&] {
        for (int k = 0; k < n; ++k) {
            appendNew(call.target, name + ".ket." + std::to_string(k), "matrix", unitVector(n, k, true));
            appendNew(call.target, name + ".bra." + std::to_string(k), "matrix", unitVector(n, k, false));
        }
        appendNew(call.target, name + ".size", "integer", std::int32_t{n});
    });
}

void declareSystem(QuantumCall& call, const std::string& name) {
    const int count = call.integerArg(3);
    SystemDims dims;
    // A count beyond the tokens fails at the first missing one (an empty name has
    // no .size), so the loop never outruns the command.
    for (int i = 0; i < count; ++i) {
        Variable size;
        tala::interp::lookup(call.target, call.stringArg(4 + i) + ".size", size);
        dims.push_back(size.getInteger());
    }
    appendNew(call.target, name, "system", std::move(dims));
    appendNew(call.target, name + ".size", "integer", std::int32_t{count > 0 ? count : 0});
}

void declareMatrix(QuantumCall& call, const std::string& name) {
    const auto [rowsArg, colsArg] = call.valueArgs<2>(3);
    const int rows = rowsArg.getInteger();
    const int cols = colsArg.getInteger();
    if (rows < 1 || cols < 1) {
        support::out() << "Syntax error create matrix\n";
        support::noteProblem();
        return;
    }
    appendNew(call.target, name, "matrix", Matrix(rows, cols));
}

using Declaration = void (*)(QuantumCall&, const std::string&);

struct DeclarationEntry {
    std::string_view type;
    Declaration declare;
};

constexpr DeclarationEntry kDeclarations[] = {
    {"space", declareSpace},
    {"system", declareSystem},
    {"matrix", declareMatrix},
};

// Entry (j, k) = w^(jk) with w the ROWS-th root of unity, all scaled by 1/sqrt(ROWS).
void fillFourier(Matrix& m) {
    if (!m.hasStorage()) return;
    const Complex root = linalg::fromAngle(6.283185307179586 / m.rows());
    for (int k = 0; k < m.cols(); ++k)
        for (int j = 0; j < m.rows(); ++j) m(j, k) = linalg::power(root, j * k);
    m.scale({1.0 / std::sqrt(static_cast<double>(m.rows())), 0.0});
}

// The three array names of "u_random" are tokens 4, 5 and 6.
void fillRandomUnitary(QuantumCall& call, Matrix& m, int rows, int cols) {
    if (rows != cols) {
        call.report("'; u_random needs as many columns as rows\n");
        return;
    }
    const auto [rotation, phase, offPhase] = call.valueArgs<3>(4);
    const AngleNames names{rotation.getString(), phase.getString(), offPhase.getString()};
    unitaryFromAngleVariables(call.target, names, m);
}

// A keyword at the first entry position decides the whole matrix.
bool fillByKeyword(QuantumCall& call, const Variable& first, Matrix& m, int rows, int cols) {
    if (first.typeName != "string") return false;
    const std::string& word = first.getString();
    if (word == "ident") {
        m.setIdentity();
    } else if (word == "zero") {
        m.fill({0.0, 0.0});
    } else if (word == "UFT" || word == "QFT") {
        fillFourier(m);
    } else if (word == "u_random") {
        fillRandomUnitary(call, m, rows, cols);
    } else {
        return false;
    }
    return true;
}

void word_matrix(QuantumCall& call) {
    const auto [rowsArg, colsArg] = call.valueArgs<2>(1);
    const int rows = rowsArg.getInteger();
    const int cols = colsArg.getInteger();
    const bool sized = rows >= 1 && cols >= 1;
    Matrix& m = call.result.setMatrix(sized ? rows : 0, sized ? cols : 0);

    const Variable first = call.valueArg(3);
    if (fillByKeyword(call, first, m, rows, cols)) return;

    // Entries in row-major order. Evaluating an entry may fail outright; a bad
    // entry value ends the list with a message and keeps what was read so far.
    const std::int64_t count = sized ? std::int64_t{rows} * cols : 0;
    for (std::int64_t n = 0; n < count; ++n) {
        const Variable entry = n > 0 ? call.valueArg(static_cast<int>(3 + n)) : Variable();
        const Variable& value = n > 0 ? entry : first;
        try {
            m.setEntry(static_cast<int>(n / cols), static_cast<int>(n % cols), value.getComplex());
        } catch (const support::Failure& failure) {
            support::out() << failure.what() << "\n";
            support::noteProblem();
            return;
        }
    }
}

void word_vector(QuantumCall& call) {
    support::out() << "create vector of size " << call.count() - 1 << "\n";
}

void word_rowSize(QuantumCall& call) { call.result.setInteger(call.matrixArg(1)->rows()); }

void word_colSize(QuantumCall& call) { call.result.setInteger(call.matrixArg(1)->cols()); }

void reportCaught(QuantumCall& call, const support::Failure& failure) {
    call.report(std::string("': ") + failure.what() + "\n");
}

void word_set_element(QuantumCall& call) {
    const auto [m, row, col, value] = call.valueArgs<4>(1);
    try {
        Matrix copy = m.getMatrix();
        const Complex entry =
            value.typeName == "double" ? Complex{value.getDouble(), 0.0} : value.getComplex();
        copy.setEntry(row.getInteger(), col.getInteger(), entry);
        call.result.setMatrix(std::move(copy));
    } catch (const support::Failure& failure) {
        reportCaught(call, failure);
    }
}

void word_get_element(QuantumCall& call) {
    const auto [m, row, col] = call.valueArgs<3>(1);
    try {
        const Matrix& matrix = m.getMatrix();
        const int r = row.getInteger();
        const int c = col.getInteger();
        call.result.setComplex(matrix(r, c));
    } catch (const support::Failure& failure) {
        reportCaught(call, failure);
    }
}

constexpr WordEntry kMatrixWords[] = {
    {"matrix", word_matrix, "ROWS COLS ident|zero|UFT|QFT|u_random ... | ENTRY...",
     "A ROWS x COLS matrix: by keyword, or from complex entries in row-major order.",
     "print (matrix 1 2 (complex 1 0) (complex 0 1))"},
    {"vector", word_vector, "ANYTHING...", "Prints how many arguments it was given; no value.", "vector 1 2 3"},
    {"rowSize", word_rowSize, "M", "The number of rows of the matrix M.", "print (rowSize (matrix 2 3 zero))"},
    {"colSize", word_colSize, "M", "The number of columns of the matrix M.", "print (colSize (matrix 2 3 zero))"},
    {"set_element", word_set_element, "M I J VALUE",
     "A copy of M with entry (I, J) set to the complex or double VALUE; M is unchanged.",
     "print (set_element (matrix 2 2 zero) 0 1 2.5)"},
    {"get_element", word_get_element, "M I J", "The complex entry (I, J) of M.",
     "print (get_element (matrix 2 2 ident) 1 1)"},
};

}  // namespace

void declareStructured(QuantumCall& call, const std::string& type, const std::string& name) {
    for (const DeclarationEntry& entry : kDeclarations)
        if (entry.type == type) entry.declare(call, name);
}

WordGroup matrixWords() { return {"matrices", kMatrixWords}; }

}  // namespace qlang
