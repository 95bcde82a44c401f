// Genetic training of the sensors: a population of candidate sensor sets is bred
// generation by generation against the rules, and after every generation the
// decision maker carries the best set found so far. A key pressed at the console
// cuts the current generation short; q, or a caught Ctrl-C, then stops training.
// Every training keeps its fitness history; at a terminal it shows its progress on
// standard error.

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "decision/Training.h"
#include "decision/TrainingProgress.h"
#include "interp/ConsoleKeys.h"
#include "interp/Reporting.h"
#include "linalg/Failure.h"
#include "linalg/MemoryBudget.h"

namespace vex {

namespace {

constexpr const char* kPopulationFailure = "Training population too large: it would not fit in memory.";

// Storage of one individual in bytes: its record, and each sensor's record,
// unitary and angles, every block with the allocator's own keeping.
std::int64_t storageOf(const std::vector<std::int64_t>& sensorDimensions) {
    constexpr std::int64_t kBlock = 16;
    std::int64_t bytes = sizeof(Individual) + 2 * kBlock;
    for (std::int64_t n : sensorDimensions) {
        bytes += sizeof(Sensor) + n * n * std::int64_t{sizeof(linalg::Complex)} +
                 (2 * (n * n / 2) + n) * std::int64_t{sizeof(double)} + 4 * kBlock;
    }
    return bytes;
}

std::vector<std::int64_t> dimensionsOf(const Individual& individual) {
    std::vector<std::int64_t> dimensions;
    for (const Sensor& sensor : individual.sensors) dimensions.push_back(sensor.unitary.rows());
    return dimensions;
}

// A population that would outgrow the memory budget is refused before it is made.
void requireRoom(std::int64_t individuals, const std::vector<std::int64_t>& sensorDimensions) {
    if (individuals > linalg::memoryBudget() / storageOf(sensorDimensions)) throw tala::Failure(kPopulationFailure);
}

void sortByFitness(std::vector<Individual>& population) {
    std::stable_sort(population.begin(), population.end(), fitterThan);
}

// Between two evaluations: the progress line may be due for an update.
void tick(TrainingProgress* progress) {
    if (progress != nullptr) progress->tick();
}

// A waiting key ends a phase loop; it is left for the poll before the next generation.
bool interrupted(TrainingProgress* progress) {
    tick(progress);
    return tala::interp::keyWaiting();
}

void evaluateInitialPopulation(QDM& qdm, const std::vector<Rule>& rules, int repetitions,
                               TrainingProgress* progress) {
    const std::size_t count = qdm.population.size();
    for (std::size_t i = 0; i < count; ++i) {
        tick(progress);
        if (!tala::interp::quiet()) std::cout << i << "/" << count << "     \r" << std::flush;
        evaluateFitness(qdm, qdm.population[i], rules, repetitions);
    }
    sortByFitness(qdm.population);
}

void breedChildren(QDM& qdm, const std::vector<Rule>& rules, int repetitions, int parents, int everyone,
                   TrainingProgress* progress) {
    const std::vector<std::int64_t> dimensions = dimensionsOf(qdm.population.front());
    for (int c = 0; c < parents && !interrupted(progress); ++c) {
        requireRoom(static_cast<std::int64_t>(qdm.population.size()) + 1, dimensions);
        if (!tala::interp::quiet()) std::cout << c << "/" << parents << "\n";
        const int first = std::rand() % parents;
        const int second = std::rand() % everyone;
        Individual child;
        crossover(child, qdm.population[first], qdm.population[second]);
        evaluateFitness(qdm, child, rules, repetitions);
        qdm.population.push_back(std::move(child));
    }
}

// The best individual of the last sort is never mutated.
void mutatePopulation(QDM& qdm, const std::vector<Rule>& rules, int repetitions, TrainingProgress* progress) {
    if (!tala::interp::quiet()) std::cout << "mutation...\n";
    for (std::size_t i = 1; i < qdm.population.size() && !interrupted(progress); ++i) {
        if (std::rand() % 100 >= 40) continue;
        mutate(qdm.population[i]);
        evaluateFitness(qdm, qdm.population[i], rules, repetitions);
    }
}

void addEliteCopies(QDM& qdm, const std::vector<Rule>& rules, int repetitions, int copies,
                    TrainingProgress* progress) {
    const std::vector<std::int64_t> dimensions = dimensionsOf(qdm.population.front());
    for (int c = 0; c < copies && !interrupted(progress); ++c) {
        requireRoom(static_cast<std::int64_t>(qdm.population.size()) + 1, dimensions);
        if (!tala::interp::quiet()) std::cout << c << "/" << copies << ": " << qdm.population.front().fitness << " -> ";
        Individual child;
        mutatedCopy(child, qdm.population.front());
        evaluateFitness(qdm, child, rules, repetitions);
        if (!tala::interp::quiet()) std::cout << child.fitness << "\n";
        qdm.population.push_back(std::move(child));
    }
}

void reportBest(const Individual& best) {
    if (tala::interp::quiet()) return;
    std::cout << "DEBUG: final max fitness = " << best.fitness << "\n";
    for (std::size_t j = 0; j < best.ruleFitness.size(); ++j)
        std::cout << "\tRule " << j << " fitness: " << best.ruleFitness[j] << "\n";
    std::cout << std::flush;
}

// The population as the generation left it: sorted, the best first.
GenerationFitness fitnessOf(const std::vector<Individual>& population) {
    GenerationFitness fitness;
    fitness.best = population.front().fitness;
    fitness.worst = population.back().fitness;
    for (const Individual& individual : population) fitness.mean += individual.fitness;
    fitness.mean /= static_cast<double>(population.size());
    fitness.bestRules = population.front().ruleFitness;
    return fitness;
}

// q, or Ctrl-C caught at an interactive prompt, read before a generation, stops training.
bool stopRequested() {
    if (!tala::interp::keyWaiting()) return false;
    const int key = tala::interp::readKey();
    return key == 'q' || key == tala::interp::kInterruptKey;
}

void reportStop(int finished, int generations) {
    if (finished == 0)
        std::cerr << "Training stopped by key before its first generation; the decision maker keeps its sensors.\n";
    else
        std::cerr << "Training stopped by key after " << finished << " of " << generations
                  << " generations; the decision maker keeps the best sensors found.\n";
}

}  // namespace

void runGeneration(QDM& qdm, const std::vector<Rule>& rules, int repetitions, bool first,
                   TrainingProgress* progress) {
    std::vector<Individual>& population = qdm.population;
    if (population.empty()) return;
    const int size = static_cast<int>(population.size());

    if (first) evaluateInitialPopulation(qdm, rules, repetitions, progress);
    if (!tala::interp::quiet()) std::cout << "DEBUG: max fitness = " << population.front().fitness << "\n";
    if (!tala::interp::quiet()) std::cout << "DEBUG: min fitness = " << population.back().fitness << "\n";

    const int offspring = size / 4 + 1;
    breedChildren(qdm, rules, repetitions, offspring, size, progress);
    mutatePopulation(qdm, rules, repetitions, progress);
    sortByFitness(population);
    addEliteCopies(qdm, rules, repetitions, offspring, progress);
    sortByFitness(population);

    // The best individual always survives, so that its sensors can be handed over.
    const std::size_t keep = static_cast<std::size_t>(std::max(qdm.populationLimit, 1));
    if (population.size() > keep) population.resize(keep);

    qdm.sensors = population.front().sensors;
    reportBest(population.front());
}

void QDM::train(const std::vector<Rule>& rules, int generations, int repetitions, int initialPopulation,
                int limit) {
    const std::int64_t dimension = std::int64_t{memorySize} * deltaSize;
    requireRoom(initialPopulation, std::vector<std::int64_t>(sensors.size(), dimension));
    populationLimit = limit;
    population.clear();
    trainingHistory = TrainingHistory{generations, {}, repetitions, labelsOf(rules)};
    for (int i = 0; i < initialPopulation; ++i) {
        Individual candidate;
        candidate.sensors = sensors;
        for (Sensor& sensor : candidate.sensors) randomizeSensor(sensor, static_cast<int>(dimension));
        population.push_back(std::move(candidate));
    }
    prepare();
    // Nothing can happen to an empty population; do not poll for generations that do nothing.
    if (population.empty() || generations <= 0) return;
    const std::unique_ptr<TrainingProgress> progress = TrainingProgress::atConsole(generations);
    int finished = 0;
    try {
        for (; finished < generations; ++finished) {
            if (stopRequested()) {
                if (progress) progress->close();
                reportStop(finished, generations);
                return;
            }
            if (progress) progress->startGeneration(finished);
            runGeneration(*this, rules, repetitions, finished == 0, progress.get());
            trainingHistory.generations.push_back(fitnessOf(population));
            if (progress) progress->finishGeneration(trainingHistory.generations.back());
        }
    } catch (const std::exception& failure) {
        if (progress) progress->close();
        std::cerr << "Training ended by a failure in generation " << finished + 1 << " of " << generations << ": "
                  << failure.what() << "\n";
        throw;
    }
}

}  // namespace vex
