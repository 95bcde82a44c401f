// Reading every argument of a long command: with the token positions kept by one
// scan the cost grows with the text, rescanning from the start for each argument
// grows with its square. Then both evaluators on the long commands users write: a
// begin of many statements and a matrix literal of many entries.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "interp/CommandTextCache.h"
#include "interp/CommandTokenizer.h"
#include "interp/InterpreterHost.h"
#include "interp/VariableTable.h"
#include "qlang/Evaluate.h"
#include "testsupport/RescanningTokenizer.h"

namespace {

using tala::interp::CommandTokenizer;

std::string beginOf(int statements) {
    std::string text = "begin";
    for (int i = 0; i < statements; ++i) text += " (nop " + std::to_string(i) + ")";
    return text;
}

// A square matrix literal of n x n complex entries, as the typed evaluator reads it.
std::string matrixLiteral(int n) {
    std::string text = "matrix " + std::to_string(n) + " " + std::to_string(n);
    for (int i = 0; i < n * n; ++i) text += " (complex " + std::to_string(i % 7) + " 0)";
    return text;
}

// Reads every token of a begin of range(0) statements by the given route.
template <class Route>
void readEveryToken(benchmark::State& state, Route route) {
    CommandTokenizer tokenizer = CommandTokenizer::forScripts();
    const std::string text = beginOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        tokenizer.setText(text);
        std::size_t length = 0;
        for (int n = 0; n < tokenizer.count(); ++n) length += route(tokenizer, n).size();
        benchmark::DoNotOptimize(length);
    }
    state.SetComplexityN(state.range(0));
}

void BM_EveryToken(benchmark::State& state) {
    readEveryToken(state, [](const CommandTokenizer& tokenizer, int n) { return tokenizer.token(n); });
}
BENCHMARK(BM_EveryToken)->Arg(5000)->Arg(10000)->Arg(20000)->Arg(40000)->Complexity();

void BM_EveryToken_Baseline(benchmark::State& state) {
    readEveryToken(state, [](const CommandTokenizer& tokenizer, int n) {
        return rescanning::token(tokenizer, rescanning::kScripts, n);
    });
}
BENCHMARK(BM_EveryToken_Baseline)->Arg(5000)->Arg(10000)->Arg(20000)->Arg(40000)->Complexity();

// The object-level interpreter running one begin of that many statements.
void BM_InterpreterBegin(benchmark::State& state) {
    tala::interp::InterpreterHost host;
    const std::string text = beginOf(static_cast<int>(state.range(0)));
    for (auto _ : state) host.runCommand(text);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_InterpreterBegin)->Arg(5000)->Arg(10000)->Arg(20000)->Arg(40000)->Complexity()->Unit(benchmark::kMillisecond);

// One command text run again and again, as an agent runs its commands every frame:
// its split served from the cache, and (the baseline) split afresh each time.
void repeatCommand(benchmark::State& state, bool cached) {
    auto& cache = tala::interp::CommandTextCache::forThisThread();
    cache.setEnabled(cached);
    tala::interp::InterpreterHost host;
    host.runCommand("global (new integer i)");
    const std::string text = "set i (+ (* i 3, 7) (- (/ 12 4) 2))";
    for (auto _ : state) host.runCommand(text);
    cache.setEnabled(true);
}
void BM_RepeatedCommand(benchmark::State& state) { repeatCommand(state, true); }
void BM_RepeatedCommand_Baseline(benchmark::State& state) { repeatCommand(state, false); }
BENCHMARK(BM_RepeatedCommand);
BENCHMARK(BM_RepeatedCommand_Baseline);

// The typed evaluator reading a matrix literal of n x n entries.
void BM_MatrixLiteral(benchmark::State& state) {
    tala::interp::VariableTable table;
    const int n = static_cast<int>(state.range(0));
    const std::string text = matrixLiteral(n);
    for (auto _ : state) {
        tala::interp::Variable result;
        qlang::evaluate(table, text, table.variables, result, false, true);
        benchmark::DoNotOptimize(result);
    }
    state.SetComplexityN(std::int64_t{n} * n);
}
BENCHMARK(BM_MatrixLiteral)->Arg(50)->Arg(100)->Arg(141)->Arg(200)->Complexity()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
