// Genetic training of the sensors: a population of candidate sensor sets is bred
// generation by generation against the rules, and after every generation the
// decision maker carries the best set found so far. A key pressed at the console
// cuts the current generation short; q then stops training.

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "decision/Training.h"
#include "interp/ConsoleKeys.h"
#include "linalg/Failure.h"

namespace vex {

namespace {

constexpr const char* kPopulationFailure = "Training population too large: it would not fit in memory.";

// Storage of one individual in matrix entries: each sensor's unitary and angles,
// and the individual's own bookkeeping counted as 8.
std::int64_t storageOf(const std::vector<std::int64_t>& sensorDimensions) {
    std::int64_t entries = 8;
    for (std::int64_t n : sensorDimensions) entries += n * n + 2 * (n * n / 2) + n;
    return entries;
}

std::vector<std::int64_t> dimensionsOf(const Individual& individual) {
    std::vector<std::int64_t> dimensions;
    for (const Sensor& sensor : individual.sensors) dimensions.push_back(sensor.unitary.rows());
    return dimensions;
}

// A population that would outgrow the process is refused before it is made.
void requireRoom(std::int64_t individuals, const std::vector<std::int64_t>& sensorDimensions) {
    if (individuals > linalg::kMaxEntries / storageOf(sensorDimensions)) throw tala::Failure(kPopulationFailure);
}

void sortByFitness(std::vector<Individual>& population) {
    std::stable_sort(population.begin(), population.end(), fitterThan);
}

// A waiting key ends a phase loop; it is left for the poll before the next generation.
bool interrupted() { return tala::interp::keyWaiting(); }

void evaluateInitialPopulation(QDM& qdm, const std::vector<Rule>& rules, int repetitions) {
    const std::size_t count = qdm.population.size();
    for (std::size_t i = 0; i < count; ++i) {
        std::cout << i << "/" << count << "     \r" << std::flush;
        evaluateFitness(qdm, qdm.population[i], rules, repetitions);
    }
    sortByFitness(qdm.population);
}

void breedChildren(QDM& qdm, const std::vector<Rule>& rules, int repetitions, int parents, int everyone) {
    const std::vector<std::int64_t> dimensions = dimensionsOf(qdm.population.front());
    for (int c = 0; c < parents && !interrupted(); ++c) {
        requireRoom(static_cast<std::int64_t>(qdm.population.size()) + 1, dimensions);
        std::cout << c << "/" << parents << "\n";
        const int first = std::rand() % parents;
        const int second = std::rand() % everyone;
        Individual child;
        crossover(child, qdm.population[first], qdm.population[second]);
        evaluateFitness(qdm, child, rules, repetitions);
        qdm.population.push_back(std::move(child));
    }
}

// The best individual of the last sort is never mutated.
void mutatePopulation(QDM& qdm, const std::vector<Rule>& rules, int repetitions) {
    std::cout << "mutation...\n";
    for (std::size_t i = 1; i < qdm.population.size() && !interrupted(); ++i) {
        if (std::rand() % 100 >= 40) continue;
        mutate(qdm.population[i]);
        evaluateFitness(qdm, qdm.population[i], rules, repetitions);
    }
}

void addEliteCopies(QDM& qdm, const std::vector<Rule>& rules, int repetitions, int copies) {
    const std::vector<std::int64_t> dimensions = dimensionsOf(qdm.population.front());
    for (int c = 0; c < copies && !interrupted(); ++c) {
        requireRoom(static_cast<std::int64_t>(qdm.population.size()) + 1, dimensions);
        std::cout << c << "/" << copies << ": " << qdm.population.front().fitness << " -> ";
        Individual child;
        mutatedCopy(child, qdm.population.front());
        evaluateFitness(qdm, child, rules, repetitions);
        std::cout << child.fitness << "\n";
        qdm.population.push_back(std::move(child));
    }
}

void reportBest(const Individual& best) {
    std::cout << "DEBUG: final max fitness = " << best.fitness << "\n";
    for (std::size_t j = 0; j < best.ruleFitness.size(); ++j)
        std::cout << "\tRule " << j << " fitness: " << best.ruleFitness[j] << "\n";
    std::cout << std::flush;
}

}  // namespace

void runGeneration(QDM& qdm, const std::vector<Rule>& rules, int repetitions, bool first) {
    std::vector<Individual>& population = qdm.population;
    if (population.empty()) return;
    const int size = static_cast<int>(population.size());

    if (first) evaluateInitialPopulation(qdm, rules, repetitions);
    std::cout << "DEBUG: max fitness = " << population.front().fitness << "\n";
    std::cout << "DEBUG: min fitness = " << population.back().fitness << "\n";

    const int offspring = size / 4 + 1;
    breedChildren(qdm, rules, repetitions, offspring, size);
    mutatePopulation(qdm, rules, repetitions);
    sortByFitness(population);
    addEliteCopies(qdm, rules, repetitions, offspring);
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
    for (int i = 0; i < initialPopulation; ++i) {
        Individual candidate;
        candidate.sensors = sensors;
        for (Sensor& sensor : candidate.sensors) randomizeSensor(sensor, static_cast<int>(dimension));
        population.push_back(std::move(candidate));
    }
    prepare();
    // Nothing can happen to an empty population; do not poll for generations that do nothing.
    if (population.empty()) return;
    for (int g = 0; g < generations; ++g) {
        // q, or Ctrl-C caught at an interactive prompt, stops training.
        if (tala::interp::keyWaiting()) {
            const int key = tala::interp::readKey();
            if (key == 'q' || key == tala::interp::kInterruptKey) break;
        }
        runGeneration(*this, rules, repetitions, g == 0);
    }
}

}  // namespace vex
