// Sensor training on the flock's decision maker (data/: W = 27, sensors center,
// left and right, one rule per stimulus, four thinking steps per rule), by the
// factored operator route the decision maker uses and by the dense route that
// multiplies out every Kronecker product. A generation of an agent-sized decision maker
// (W = 450, dense Tops) with each phase's candidates evaluated together, on one thread
// and on two, against one candidate at a time as each is made.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "decision/QDM.h"
#include "decision/Training.h"
#include "decision/VEXCommands.h"
#include "decision/ValueTypes.h"
#include "interp/InterpreterHost.h"
#include "bench/BenchSupport.h"

namespace {

using bench::QuietOutput;

namespace fs = std::filesystem;


// The decision maker as the training script builds it, before training.
struct FlockTraining {
    tala::interp::InterpreterHost host;
    vex::QDM* qdm = nullptr;
    std::vector<vex::Rule> rules;
    std::vector<vex::Individual> initial;

    explicit FlockTraining(vex::OperatorRoute route) {
        fs::current_path(fs::path(__FILE__).parent_path().parent_path() / "data");
        host.addLibrary(std::make_unique<vex::VEXCommands>());
        QuietOutput quiet;
        host.runCommand("global (new vex::QDM QDM)");
        host.runCommand("vex::qdm::new (get QDM)");
        host.runCommand("file flock_decision_maker.txt");
        tala::interp::Object value;
        host.runCommand("get QDM", value);
        qdm = dynamic_cast<vex::QDMType&>(value.getUserObject()).decisionMaker().get();
        qdm->operatorRoute = route;

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
        qdm->populationLimit = 20;
    }
    ~FlockTraining() { host.runCommand("vex::qdm::free (get QDM)"); }
};

void evaluateOne(benchmark::State& state, vex::OperatorRoute route) {
    FlockTraining training(route);
    vex::Individual individual = training.initial.front();
    for (auto _ : state) {
        vex::evaluateFitness(*training.qdm, individual, training.rules, 4);
        benchmark::DoNotOptimize(individual.fitness);
    }
}

// A generation after the first, from the same population and random sequence each time.
void oneGeneration(benchmark::State& state, vex::OperatorRoute route) {
    FlockTraining training(route);
    QuietOutput quiet;
    for (auto _ : state) {
        state.PauseTiming();
        training.qdm->population = training.initial;
        for (vex::Individual& individual : training.qdm->population)
            vex::evaluateFitness(*training.qdm, individual, training.rules, 4);
        std::srand(2);
        state.ResumeTiming();
        // Six crossover children, six elite copies and the mutated individuals are evaluated.
        vex::runGeneration(*training.qdm, training.rules, 4, false);
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
        qdm->populationLimit = 20;
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
        training.qdm->population = training.initial;
        std::srand(2);
        state.ResumeTiming();
        vex::runGeneration(*training.qdm, training.rules, 4, false, nullptr, plan);
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

void EvaluateFitness(benchmark::State& state) { evaluateOne(state, vex::OperatorRoute::Factored); }
void EvaluateFitness_Baseline(benchmark::State& state) { evaluateOne(state, vex::OperatorRoute::Dense); }
void TrainingGeneration(benchmark::State& state) { oneGeneration(state, vex::OperatorRoute::Factored); }
void TrainingGeneration_Baseline(benchmark::State& state) { oneGeneration(state, vex::OperatorRoute::Dense); }

BENCHMARK(EvaluateFitness)->Unit(benchmark::kMicrosecond);
BENCHMARK(EvaluateFitness_Baseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(TrainingGeneration)->Unit(benchmark::kMillisecond);
BENCHMARK(TrainingGeneration_Baseline)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
