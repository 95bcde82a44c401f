// Sensor training on the flock's decision maker (data/: W = 27, sensors center,
// left and right, one rule per stimulus, four thinking steps per rule): a candidate's
// fitness beside the dense route that multiplies out every Kronecker product, and a
// generation beside one that evaluates each candidate as soon as it is made. A generation of an agent-sized decision maker
// (W = 450, dense Tops) with each phase's candidates evaluated together, on one thread
// and on two, against one candidate at a time as each is made. A generation with the
// stop poll that training asks within its steps, against one without.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "decision/QDM.h"
#include "decision/StopPoll.h"
#include "decision/Training.h"
#include "decision/VEXCommands.h"
#include "decision/ValueTypes.h"
#include "interp/InterpreterHost.h"
#include "bench/BenchSupport.h"
#include "testsupport/LiteralRoutes.h"

namespace {

using bench::QuietOutput;

namespace fs = std::filesystem;

// The decision maker the script built as QDM, given the flock's three sensors and
// rules, and a first population of 20 drawn from seed 1.
void flockRules(tala::interp::InterpreterHost& host, vex::QDM*& qdm, std::vector<vex::Rule>& rules,
                std::vector<vex::Individual>& initial) {
    tala::interp::Object value;
    host.runCommand("get QDM", value);
    qdm = dynamic_cast<vex::QDMType&>(value.getUserObject()).decisionMaker().get();
    const char* stimuli[] = {"center", "left", "right"};
    const char* actions[] = {"forward", "left", "right"};
    for (int i = 0; i < 3; ++i) {
        qdm->addSensor(stimuli[i]);
        int space = 0, action = 0;
        qdm->findAction(actions[i], space, action);
        rules.push_back(vex::Rule{{{stimuli[i]}}, 0, {{action, space, 1.0}}});
    }
    std::srand(1);
    for (int i = 0; i < 20; ++i) {
        vex::Individual individual;
        individual.sensors = qdm->sensors;
        for (vex::Sensor& sensor : individual.sensors)
            vex::QDM::randomizeSensor(sensor, qdm->memorySize * qdm->deltaSize);
        initial.push_back(std::move(individual));
    }
}

// The decision maker as the training script builds it, before training.
struct FlockTraining {
    tala::interp::InterpreterHost host;
    vex::QDM* qdm = nullptr;
    std::vector<vex::Rule> rules;
    std::vector<vex::Individual> initial;

    FlockTraining() {
        fs::current_path(fs::path(__FILE__).parent_path().parent_path() / "data");
        host.addLibrary(std::make_unique<vex::VEXCommands>());
        QuietOutput quiet;
        host.runCommand("global (new vex::QDM QDM)");
        host.runCommand("vex::qdm::new (get QDM)");
        host.runCommand("file flock_decision_maker.txt");
        flockRules(host, qdm, rules, initial);
    }
    ~FlockTraining() { host.runCommand("vex::qdm::free (get QDM)"); }
};

void EvaluateFitness(benchmark::State& state) {
    FlockTraining training;
    vex::Individual individual = training.initial.front();
    for (auto _ : state) {
        vex::evaluateFitness(*training.qdm, individual, training.rules, 4);
        benchmark::DoNotOptimize(individual.fitness);
    }
}

// evaluateFitness the long way: each rule in turn from the prepared state, every sensor
// of a stimulus and every thinking step a dense product on psi.0. The flock's rules name
// one stimulus list each and repeat it.
void EvaluateFitness_Baseline(benchmark::State& state) {
    FlockTraining training;
    vex::QDM& qdm = *training.qdm;
    vex::Individual individual = training.initial.front();
    for (auto _ : state) {
        individual.fitness = 0.0;
        for (const vex::Rule& rule : training.rules) {
            qdm.prepare();
            linalg::Matrix& psi = literal::variableMatrix(qdm, "psi.0");
            for (int step = 0; step < 4; ++step) {
                for (const std::string& name : rule.sensorLists.front())
                    for (const vex::Sensor& sensor : individual.sensors)
                        if (sensor.name == name) psi = literal::apply(1, sensor.unitary, qdm.actionSize, psi);
                literal::think(qdm);
            }
            double error = 0.0;
            for (const vex::DistributionEntry& entry : rule.entries) {
                const double miss = qdm.actionProbability(entry.spaceIndex, entry.actionIndex) - entry.weight;
                error += miss * miss;
            }
            individual.fitness += 1.0 / (error + 0.1);
        }
        benchmark::DoNotOptimize(individual.fitness);
    }
}

// A generation after the first, from the same population and random sequence each time.
void oneGeneration(benchmark::State& state, vex::EvaluationPlan plan) {
    FlockTraining training;
    QuietOutput quiet;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<vex::Individual> start = training.initial;
        for (vex::Individual& individual : start) vex::evaluateFitness(*training.qdm, individual, training.rules, 4);
        training.qdm->startPopulation(std::move(start), 20);
        std::srand(2);
        state.ResumeTiming();
        // Six crossover children, six elite copies and the mutated individuals are evaluated.
        training.qdm->runGeneration(training.rules, 4, false, nullptr, plan);
    }
}

// The agent-sized decision maker of bench/effect/train_450.txt: W = 450, a dense
// Fourier Tops, the flock's three rules.
struct WideTraining {
    tala::interp::InterpreterHost host;
    vex::QDM* qdm = nullptr;
    std::vector<vex::Rule> rules;
    std::vector<vex::Individual> initial;

    WideTraining() {
        fs::current_path(fs::path(__FILE__).parent_path() / "effect");
        host.addLibrary(std::make_unique<vex::VEXCommands>());
        QuietOutput quiet;
        host.runCommand("global (new vex::QDM QDM)");
        host.runCommand("vex::qdm::new (get QDM)");
        host.runCommand(
            "begin (new vex::qdm::ActionSpace space) (vex::qdm::set_action_space degreeOfFreedom space -1 0 1) "
            "(vex::qdm::set_action_space gridSize space 5) (vex::qdm::set_action_space points space "
            "(vex::qdm::ActionList (vex::qdm::Action (vex::qdm::Point 1 0) left) (vex::qdm::Action "
            "(vex::qdm::Point 0 1) forward) (vex::qdm::Action (vex::qdm::Point -1 0) right))) "
            "(vex::qdm::add_action_space (get QDM) space) (vex::qdm::finalize (get QDM) 2)");
        flockRules(host, qdm, rules, initial);
        qdm->prepare();
        for (vex::Individual& individual : initial) vex::evaluateFitness(*qdm, individual, rules, 4);
    }
    ~WideTraining() { host.runCommand("vex::qdm::free (get QDM)"); }
};

// A generation after the first at W = 450, from the same population and draws each time.
void wideGeneration(benchmark::State& state, vex::EvaluationPlan plan) {
    WideTraining training;
    QuietOutput quiet;
    for (auto _ : state) {
        state.PauseTiming();
        training.qdm->startPopulation(training.initial, 20);
        std::srand(2);
        state.ResumeTiming();
        training.qdm->runGeneration(training.rules, 4, false, nullptr, plan);
    }
}

// Candidates evaluated one at a time as they are made, on one thread.
void WideGeneration_Baseline(benchmark::State& state) { wideGeneration(state, {false, 1}); }
// Each phase's candidates in one batch, on one thread and on two.
void WideGeneration(benchmark::State& state) { wideGeneration(state, {true, 1}); }
void WideGenerationTwoThreads(benchmark::State& state) { wideGeneration(state, {true, 2}); }
BENCHMARK(WideGeneration_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(WideGeneration)->Unit(benchmark::kMillisecond);
BENCHMARK(WideGenerationTwoThreads)->Unit(benchmark::kMillisecond)->UseRealTime();

void TrainingGeneration(benchmark::State& state) { oneGeneration(state, {}); }
// The same with a stop poll asked within the episodes' steps, as vex::train has one.
void TrainingGenerationPolled(benchmark::State& state) {
    const vex::StopPoll poll([] { return false; });
    oneGeneration(state, {});
}
// Each candidate evaluated as soon as it is made, on one thread.
void TrainingGeneration_Baseline(benchmark::State& state) { oneGeneration(state, {false, 1}); }

BENCHMARK(EvaluateFitness)->Unit(benchmark::kMicrosecond);
BENCHMARK(EvaluateFitness_Baseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(TrainingGeneration)->Unit(benchmark::kMillisecond);
BENCHMARK(TrainingGenerationPolled)->Unit(benchmark::kMillisecond);
BENCHMARK(TrainingGeneration_Baseline)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
