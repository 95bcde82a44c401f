// Genetic training of the sensors: a population of candidate sensor sets is bred
// generation by generation against the rules, and after every generation the
// decision maker carries the best set found so far. A key pressed at the console
// cuts the current generation short; q then stops training.

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "decision/Training.h"
#include "interp/ConsoleKeys.h"

namespace vex {

namespace {

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
    for (int c = 0; c < parents && !interrupted(); ++c) {
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
    for (int c = 0; c < copies && !interrupted(); ++c) {
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
    populationLimit = limit;
    population.clear();
    for (int i = 0; i < initialPopulation; ++i) {
        Individual candidate;
        candidate.sensors = sensors;
        for (Sensor& sensor : candidate.sensors) randomizeSensor(sensor, memorySize * deltaSize);
        population.push_back(std::move(candidate));
    }
    prepare();
    for (int g = 0; g < generations; ++g) {
        if (tala::interp::keyWaiting() && tala::interp::readKey() == 'q') break;
        runGeneration(*this, rules, repetitions, g == 0);
    }
}

}  // namespace vex
