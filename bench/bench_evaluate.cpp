// The decision maker's thinking step as a script text, against doing the same
// product directly: what the evaluator adds (tokenizing, scope copies, dispatch)
// on a table of the size a decision maker builds.

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "interp/VariableTable.h"
#include "linalg/Matrix.h"
#include "qlang/Evaluate.h"
#include "bench/BenchSupport.h"

namespace {

using bench::randomMatrix;

using linalg::Matrix;
using tala::interp::Variable;
using tala::interp::VariableTable;

constexpr int kStateLength = 450;


void addVariable(VariableTable& table, const std::string& name, Matrix value) {
    Variable v;
    v.setMatrix(std::move(value));
    v.name = name;
    tala::interp::append(table.variables, v);
}

// Tops and psi.0 among `extra` small register variables with long dotted names.
void fillTable(VariableTable& table, int extra) {
    for (int i = 0; i < extra; ++i) {
        Variable v;
        v.setInteger(i);
        v.name = "Delta.0." + std::to_string(i % 7) + ".dir." + std::to_string(i);
        tala::interp::append(table.variables, v);
    }
    addVariable(table, "Tops", randomMatrix(kStateLength, kStateLength, 1));
    addVariable(table, "psi.0", randomMatrix(kStateLength, 1, 2));
}

void BM_ThinkStep(benchmark::State& state) {
    VariableTable table;
    fillTable(table, static_cast<int>(state.range(0)));
    const std::string text = "set psi.0 (mult (get Tops) (get psi.0) )";
    for (auto _ : state) {
        Variable result;
        qlang::evaluate(table, text, table.variables, result, true, true);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_ThinkStep)->Arg(0)->Arg(300)->Arg(1000);

void BM_ThinkStep_Baseline(benchmark::State& state) {
    VariableTable table;
    fillTable(table, static_cast<int>(state.range(0)));
    Matrix& tops = table.variables[table.variables.size() - 2].getMatrix();
    Matrix& psi = table.variables.back().getMatrix();
    for (auto _ : state) {
        Matrix product;
        linalg::multiply(tops, product, psi);
        psi = product;
        benchmark::DoNotOptimize(psi.data());
    }
}
BENCHMARK(BM_ThinkStep_Baseline)->Arg(0)->Arg(300)->Arg(1000);

// A generated text of many small statements, where the evaluator's own work dominates.
void BM_GeneratedBegin(benchmark::State& state) {
    VariableTable table;
    fillTable(table, static_cast<int>(state.range(0)));
    std::string text = "begin ";
    for (int i = 0; i < 20; ++i) {
        const std::string name = "QDM-temp-Space." + std::to_string(i) + ".size";
        text += "(new integer " + name + ") (set " + name + " (integer " + std::to_string(i) + ") ) ";
    }
    for (auto _ : state) {
        Variable result;
        qlang::evaluate(table, text, table.variables, result, false, true);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_GeneratedBegin)->Arg(0)->Arg(300)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
