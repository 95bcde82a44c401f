// Sensor training on the flock's decision maker (data/: W = 27, sensors center,
// left and right, one rule per stimulus, four thinking steps per rule), by the
// factored operator route the decision maker uses and by the dense route that
// multiplies out every Kronecker product.

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
        qdm = dynamic_cast<vex::QDMType&>(value.getUserObject()).decisionMaker;
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
