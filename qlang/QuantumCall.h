#pragma once
// What a word's handler sees of the command it runs, with the typed argument readers.
// Each group of words lives in its own source file <Group>Words.cpp that ends with its
// table k<Group>Words and one function <group>Words() answering it (qlang/Words.h);
// WordTable::builtins lists every group.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "interp/CommandTokenizer.h"
#include "interp/DispatchTable.h"
#include "interp/Scope.h"
#include "interp/Variable.h"
#include "interp/VariableTable.h"
#include "linalg/Complex.h"
#include "linalg/Matrix.h"

namespace qlang {

// A matrix read from an argument, with the argument's value kept alive behind it.
class MatrixArg {
public:
    explicit MatrixArg(tala::interp::Variable value);
    const linalg::Matrix& operator*() const& { return *matrix_; }
    const linalg::Matrix* operator->() const { return matrix_; }
    // Would outlive the value behind it: keep the MatrixArg in a variable.
    const linalg::Matrix& operator*() const&& = delete;

private:
    tala::interp::Variable value_;
    const linalg::Matrix* matrix_;
};

struct QuantumCall {
    tala::interp::VariableTable& table;
    const std::string& text;                    // the whole command text, for reports
    const tala::interp::CommandTokenizer& tokens;
    tala::interp::Scope& scope;                 // the caller's scope
    tala::interp::Scope& local;                 // this evaluation's local scope
    tala::interp::Scope& target;                // where new variables go
    tala::interp::Variable& result;
    bool global;
    bool fresh;

    // The raw text of token n, not evaluated.
    std::string arg(int n) const { return tokens.token(n); }
    int count() const { return tokens.count(); }

    // The readers evaluate token n as a command into a temporary (local scope, same
    // global flag, fresh on). valueArg answers the value itself, for words that look at
    // its type or name; valueArgs evaluates n, n + 1, ... in order before any is read.
    // The others read the value at once and raise the getters' failures on another type.
    tala::interp::Variable valueArg(int n) const;
    template <std::size_t N>
    std::array<tala::interp::Variable, N> valueArgs(int first) const {
        std::array<tala::interp::Variable, N> values;
        for (std::size_t i = 0; i < N; ++i) run(first + static_cast<int>(i), values[i]);
        return values;
    }
    std::int32_t integerArg(int n) const;
    double doubleArg(int n) const;
    std::string stringArg(int n) const;
    linalg::Complex complexArg(int n) const;
    MatrixArg matrixArg(int n) const;

    // Evaluates token n into `into` (the command's result, for words that pass a value
    // on); control words that share their scope with the statements pass fresh off.
    void run(int n, tala::interp::Variable& into, bool freshFlag = true) const;

    // "Syntax error '" + text + suffix, to standard output.
    void report(std::string_view suffix) const;
    // "Syntax Error '" + text + suffix, to standard output.
    void capitalReport(std::string_view suffix) const;
};

using WordHandler = void (*)(QuantumCall& call);

using WordEntry = tala::interp::DispatchEntry<WordHandler>;
using WordGroup = tala::interp::WordGroup<WordHandler>;

}  // namespace qlang
