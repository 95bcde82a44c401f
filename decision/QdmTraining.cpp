// Genetic training of the sensors: a population of candidate sensor sets is bred
// generation by generation against the rules, and after every generation the
// decision maker carries the best set found so far. A key pressed at the console
// (as the caller's TaskProgress answers) cuts the current generation short; q, or a
// caught Ctrl-C, then stops training (at once when it comes within an evaluation).
// Every training keeps its fitness history and hands its progress to the caller's
// TaskProgress.

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>

#include "decision/StopPoll.h"
#include "decision/Training.h"
#include "decision/TrainingProgress.h"
#include "decision/TrainingThreads.h"
#include "support/Reporting.h"
#include "support/Failure.h"
#include "linalg/MemoryBudget.h"
#include "support/ScriptOutput.h"

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
    if (individuals > linalg::memoryBudget() / storageOf(sensorDimensions)) throw support::Failure(kPopulationFailure);
}

void sortByFitness(std::vector<Individual>& population) {
    std::stable_sort(population.begin(), population.end(), fitterThan);
}

// Between two evaluations: the progress line may be due for an update.
void tick(TrainingProgress* progress) {
    if (progress != nullptr) progress->tick();
}

// A waiting key ends a phase loop; it is left for the question before the next generation.
bool interrupted(TrainingProgress* progress) {
    tick(progress);
    return progress != nullptr && (progress->isCutShort() || progress->shown().keyWaiting());
}

// What every phase of a generation works with.
struct Phase {
    QDM& qdm;
    std::vector<Individual>& population;
    const std::vector<Rule>& rules;
    int repetitions;
    TrainingProgress* progress;
    // Candidates are made first and evaluated together; else each as soon as it is made.
    bool together;
    int threads;
};

// Evaluates the candidates in order and, around each evaluation, runs before(k) and
// after(k). Together, every evaluation is done first; where that cannot be, each is
// evaluated in turn between its before and after, raising where it always did.
// Candidates made together wait for their unitaries until they are evaluated: `made`
// says whether these did, and then the unitaries are rebuilt first.
template <class Before, class After>
void evaluateInOrder(const Phase& phase, const std::vector<Individual*>& made, Before before, After after,
                     bool freshlyMade = true) {
    const bool rebuild = phase.together && freshlyMade;
    const bool evaluated =
        phase.together && !made.empty() &&
        evaluateTogether(phase.qdm, made, phase.rules, phase.repetitions, phase.threads, rebuild);
    for (std::size_t k = 0; k < made.size(); ++k) {
        before(k);
        if (!evaluated) {
            if (rebuild) rebuildUnitaries(*made[k]);
            evaluateFitness(phase.qdm, *made[k], phase.rules, phase.repetitions);
        }
        after(k);
    }
}

// Candidates made but not yet evaluated; flush() evaluates them and hands them on.
class Pending {
public:
    // Makes up to `count` candidates by makeOne(c, candidate), each once the population
    // has room for it, until a key is waiting. A failure while making one still lets the
    // ones made before it count.
    template <class Make>
    void make(const Phase& phase, int count, Make makeOne) {
        const std::vector<std::int64_t> dimensions = dimensionsOf(phase.population.front());
        try {
            for (int c = 0; c < count && !interrupted(phase.progress); ++c) {
                requireRoom(static_cast<std::int64_t>(phase.population.size() + made_.size()) + 1, dimensions);
                Individual candidate;
                makeOne(c, candidate);
                made_.push_back(std::move(candidate));
                if (!phase.together) flush(phase);
            }
        } catch (...) {
            flush(phase);
            throw;
        }
        flush(phase);
    }
    std::function<void(std::size_t, Individual&)> before = [](std::size_t, Individual&) {};
    std::function<void(std::size_t, Individual&)> after = [](std::size_t, Individual&) {};

private:
    void flush(const Phase& phase) {
        std::vector<Individual> batch = std::move(made_);
        made_.clear();
        std::vector<Individual*> candidates;
        for (Individual& candidate : batch) candidates.push_back(&candidate);
        evaluateInOrder(
            phase, candidates, [&](std::size_t k) { before(k + first_, batch[k]); },
            [&](std::size_t k) { after(k + first_, batch[k]); });
        first_ += batch.size();
    }
    std::vector<Individual> made_;
    std::size_t first_ = 0;
};

bool chatter() { return !support::quiet(); }

void evaluateInitialPopulation(const Phase& phase) {
    std::vector<Individual>& population = phase.population;
    const std::size_t count = population.size();
    std::vector<Individual*> everyone;
    for (Individual& individual : population) everyone.push_back(&individual);
    auto line = [&](std::size_t i) {
        tick(phase.progress);
        if (chatter()) support::out() << i << "/" << count << "     \r" << std::flush;
    };
    // Together, every line comes before the evaluations; else each before its own.
    if (phase.together)
        for (std::size_t i = 0; i < count; ++i) line(i);
    evaluateInOrder(phase, everyone, [&](std::size_t i) { if (!phase.together) line(i); }, [](std::size_t) {}, false);
    sortByFitness(population);
}

void breedChildren(const Phase& phase, int parents, int everyone) {
    std::vector<Individual>& population = phase.population;
    Pending children;
    children.after = [&](std::size_t, Individual& child) { population.push_back(std::move(child)); };
    children.make(phase, parents, [&](int c, Individual& child) {
        if (chatter()) support::out() << c << "/" << parents << "\n";
        const int first = std::rand() % parents;
        const int second = std::rand() % everyone;
        crossover(child, population[first], population[second], !phase.together);
    });
}

// The best individual of the last sort is never mutated.
void mutatePopulation(const Phase& phase) {
    std::vector<Individual>& population = phase.population;
    if (chatter()) support::out() << "mutation...\n";
    std::vector<Individual*> mutated;
    auto evaluate = [&] {
        std::vector<Individual*> batch = std::move(mutated);
        mutated.clear();
        evaluateInOrder(phase, batch, [](std::size_t) {}, [](std::size_t) {});
    };
    try {
        for (std::size_t i = 1; i < population.size() && !interrupted(phase.progress); ++i) {
            if (std::rand() % 100 >= 40) continue;
            mutate(population[i], !phase.together);
            mutated.push_back(&population[i]);
            if (!phase.together) evaluate();
        }
    } catch (...) {
        evaluate();
        throw;
    }
    evaluate();
}

void addEliteCopies(const Phase& phase, int copies) {
    std::vector<Individual>& population = phase.population;
    Pending children;
    // The best stays first throughout: children are appended after it.
    children.before = [&](std::size_t c, Individual&) {
        if (chatter()) support::out() << c << "/" << copies << ": " << population.front().fitness << " -> ";
    };
    children.after = [&](std::size_t, Individual& child) {
        if (chatter()) support::out() << child.fitness << "\n";
        population.push_back(std::move(child));
    };
    children.make(phase, copies, [&](int, Individual& child) {
        mutatedCopy(child, population.front(), !phase.together);
    });
}

void reportBest(const Individual& best) {
    if (chatter()) {
        support::out() << "DEBUG: final max fitness = " << best.fitness << "\n";
        for (std::size_t j = 0; j < best.ruleFitness.size(); ++j)
            support::out() << "\tRule " << j << " fitness: " << best.ruleFitness[j] << "\n";
    }
    support::out() << std::flush;
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

void reportStop(int finished, int generations) {
    if (finished == 0)
        std::cerr << "Training stopped by key before its first generation; the decision maker keeps its sensors.\n";
    else
        std::cerr << "Training stopped by key after " << finished << " of " << generations
                  << " generations; the decision maker keeps the best sensors found.\n";
}

}  // namespace

void QDM::startPopulation(std::vector<Individual> individuals, int limit) {
    population_ = std::move(individuals);
    populationLimit_ = limit;
}

void QDM::runGeneration(const std::vector<Rule>& rules, int repetitions, bool first, TrainingProgress* progress,
                        EvaluationPlan plan) {
    std::vector<Individual>& population = population_;
    if (population.empty()) return;
    const int size = static_cast<int>(population.size());
    // Whether a phase may make its candidates before evaluating any: only where evaluating
    // can neither print nor fail, so that the printed lines and the draws keep their order.
    const int threads = plan.threads > 0 ? plan.threads : trainingThreads();
    auto phase = [&] {
        return Phase{*this, population, rules, repetitions, progress,
                     plan.together && batchedTraining() && canEvaluateTogether(*this, population, rules, threads),
                     threads};
    };

    if (first) evaluateInitialPopulation(phase());
    if (chatter()) {
        support::out() << "DEBUG: max fitness = " << population.front().fitness << "\n";
        support::out() << "DEBUG: min fitness = " << population.back().fitness << "\n";
    }

    const int offspring = size / 4 + 1;
    breedChildren(phase(), offspring, size);
    mutatePopulation(phase());
    sortByFitness(population);
    addEliteCopies(phase(), offspring);
    sortByFitness(population);

    // The best individual always survives, so that its sensors can be handed over.
    const std::size_t keep = static_cast<std::size_t>(std::max(populationLimit_, 1));
    if (population.size() > keep) population.resize(keep);

    sensors = population.front().sensors;
    reportBest(population.front());
}

void QDM::train(const std::vector<Rule>& rules, int generations, int repetitions, int initialPopulation,
                int limit, support::TaskProgress* shown) {
    const std::int64_t dimension = std::int64_t{memorySize} * deltaSize;
    requireRoom(initialPopulation, std::vector<std::int64_t>(sensors.size(), dimension));
    std::vector<Individual> start;
    trainingHistory = TrainingHistory{generations, {}, repetitions, labelsOf(rules)};
    for (int i = 0; i < initialPopulation; ++i) {
        Individual candidate;
        candidate.sensors = sensors;
        for (Sensor& sensor : candidate.sensors) randomizeSensor(sensor, static_cast<int>(dimension));
        start.push_back(std::move(candidate));
    }
    startPopulation(std::move(start), limit);
    const std::vector<Individual>& population = population_;
    prepare();
    // Nothing can happen to an empty population; do not poll for generations that do nothing.
    if (population.empty() || generations <= 0) return;
    support::TaskProgress unseen;
    TrainingProgress progress(generations, shown ? *shown : unseen);
    // Within an evaluation's steps too: q stops training however many repetitions it has.
    const StopPoll poll([&] {
        if (!progress.shown().keyWaiting()) return false;
        if (progress.shown().stopRequested()) return true;
        progress.cutShort();
        return false;
    });
    int finished = 0;
    try {
        for (; finished < generations; ++finished) {
            // Before a generation the caller may ask to stop (a key at the console).
            if (progress.shown().stopRequested()) {
                progress.close();
                reportStop(finished, generations);
                return;
            }
            progress.startGeneration(finished);
            runGeneration(rules, repetitions, finished == 0, &progress);
            trainingHistory.generations.push_back(fitnessOf(population));
            progress.finishGeneration(trainingHistory.generations.back());
        }
    } catch (const StopAsked&) {
        // Half-way through a generation: the sensors are still the last finished one's.
        progress.close();
        prepare();
        reportStop(finished, generations);
    } catch (const std::exception& failure) {
        progress.close();
        std::cerr << "Training ended by a failure in generation " << finished + 1 << " of " << generations << ": "
                  << failure.what() << "\n";
        throw;
    }
}

}  // namespace vex
