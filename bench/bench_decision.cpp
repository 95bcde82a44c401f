// The decision maker's hot operations on the W = 450 system of an agent, each
// beside the literal dense route: full Kronecker products multiplied out, basis
// states built as whole columns.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <streambuf>
#include <vector>

#include "testsupport/DecisionFixture.h"
#include "testsupport/ShiftTops.h"
#include "bench/BenchSupport.h"
#include "bench/LiteralDecide.h"

namespace {

using bench::QuietOutput;


std::unique_ptr<vex::QDM> spreadDecisionMaker() {
    QuietOutput quiet;
    std::srand(1);
    auto qdm = fixture::finishedDecisionMaker();
    qdm->addSensor("left");
    qdm->applyOp("left");
    qdm->think();
    return qdm;
}

void BM_ApplyOp(benchmark::State& state) {
    auto qdm = spreadDecisionMaker();
    for (auto _ : state) qdm->applyOp("left");
}
void BM_ApplyOp_Baseline(benchmark::State& state) {
    auto qdm = spreadDecisionMaker();
    for (auto _ : state) literal::applyOp(*qdm, "left");
}

void BM_Think(benchmark::State& state) {
    auto qdm = spreadDecisionMaker();
    for (auto _ : state) qdm->think();
}
// The fixture's Tops (Fourier) is dense, so thinking is a dense product; the baseline
// is that bare product, to show what the step adds around it.
void BM_Think_Baseline(benchmark::State& state) {
    auto qdm = spreadDecisionMaker();
    const linalg::Matrix& tops = literal::variableMatrix(*qdm, "Tops");
    linalg::Matrix& psi = literal::variableMatrix(*qdm, "psi.0");
    for (auto _ : state) {
        linalg::Matrix product;
        linalg::multiply(tops, product, psi);
        psi = product;
    }
}

// A Tops like the flock's, a shift with one non-zero per column: the compressed form
// against the dense product.
void BM_ThinkShift(benchmark::State& state) {
    auto qdm = spreadDecisionMaker();
    fixture::setShiftTops(*qdm);
    for (auto _ : state) qdm->think();
}
void BM_ThinkShift_Baseline(benchmark::State& state) {
    auto qdm = spreadDecisionMaker();
    fixture::setShiftTops(*qdm);
    for (auto _ : state) literal::think(*qdm);
}

void BM_Decide(benchmark::State& state) {
    auto qdm = spreadDecisionMaker();
    QuietOutput quiet;
    for (auto _ : state) benchmark::DoNotOptimize(qdm->decide(0));
}
// Two Action and two Delta registers measured, each from a basis column at a time.
void BM_Decide_Baseline(benchmark::State& state) {
    auto qdm = spreadDecisionMaker();
    linalg::Matrix& psi = literal::variableMatrix(*qdm, "psi.0");
    for (auto _ : state) {
        const std::vector<int> draws = {std::rand(), std::rand(), std::rand(), std::rand()};
        benchmark::DoNotOptimize(literal::decide(*qdm, draws, psi));
    }
}

void BM_ActionProbability(benchmark::State& state) {
    auto qdm = spreadDecisionMaker();
    for (auto _ : state) benchmark::DoNotOptimize(qdm->actionProbability(0, 1));
}
void BM_ActionProbability_Baseline(benchmark::State& state) {
    auto qdm = spreadDecisionMaker();
    for (auto _ : state) benchmark::DoNotOptimize(literal::actionProbability(*qdm, 0, 1));
}

BENCHMARK(BM_ApplyOp)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyOp_Baseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Think)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Think_Baseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThinkShift)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThinkShift_Baseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Decide)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Decide_Baseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ActionProbability)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ActionProbability_Baseline)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
