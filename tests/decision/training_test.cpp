// Sensor training: how rules are replayed and scored, the genetic search's draws
// replayed against a model of its documented order, one generation's bookkeeping
// and the console key poll.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "DecisionFixture.h"
#include "decision/Training.h"
#include "support/ConsoleKeys.h"
#include "support/TaskProgress.h"
#include "tests/support/TypedKeys.h"

namespace {

using vex::Individual;
using vex::QDM;
using vex::Rule;
using vex::Sensor;

// One action point per grid cell, so action index = cell. The flock's scripts start
// every episode at Delta "no move", Action in cell 4.
std::unique_ptr<QDM> cellDecisionMaker() {
    std::vector<vex::ActionPoint> cells;
    for (int x = -4; x <= 4; ++x) cells.push_back({"cell" + std::to_string(x + 4), {x}});
    return fixture::flockSystem(cells);
}

// A permutation of the three Delta states as a sensor; `to[j]` is where state j goes.
Sensor permutationSensor(const std::string& name, const std::vector<int>& to) {
    Sensor sensor;
    sensor.name = name;
    sensor.unitary.resize(3, 3);
    for (int j = 0; j < 3; ++j) sensor.unitary(to[static_cast<std::size_t>(j)], j) = {1.0, 0.0};
    return sensor;
}

// Delta 1 (stay) -> 2 (+1) -> 0 (-1) -> 1, and the reverse cycle.
Sensor forwardCycle(const std::string& name) { return permutationSensor(name, {1, 2, 0}); }
Sensor backwardCycle(const std::string& name) { return permutationSensor(name, {2, 0, 1}); }

// A rule whose only target is certainty of ending in `cell`.
Rule endsIn(std::vector<vex::SensorNames> lists, int mode, int cell) {
    return Rule{std::move(lists), mode, {{cell, 0, 1.0}}};
}

TEST(TrainingFitness, RepeatModeCyclesTheListsAndSingleModeThinksOnAfterTheLast) {
    auto qdm = cellDecisionMaker();
    Individual individual;
    individual.sensors = {forwardCycle("A"), backwardCycle("B")};
    // Repeat plays A, B, A, B, A: moves +1, 0, +1, 0, +1 from cell 4.
    // Single plays A, B and then only thinks: +1, 0, 0, 0, 0.
    const std::vector<Rule> rules = {endsIn({{"A"}, {"B"}}, 0, 7), endsIn({{"A"}, {"B"}}, 1, 5)};

    vex::evaluateFitness(*qdm, individual, rules, 5);

    ASSERT_EQ(individual.ruleFitness.size(), 2u);
    EXPECT_NEAR(individual.ruleFitness[0], 10.0, 1e-9);
    EXPECT_NEAR(individual.ruleFitness[1], 10.0, 1e-9);
    EXPECT_NEAR(individual.fitness, 10.0, 1e-9);
}

TEST(TrainingFitness, EverySensorOfANameIsAppliedAndUnknownNamesArePassedOver) {
    auto qdm = cellDecisionMaker();
    Individual individual;
    individual.sensors = {forwardCycle("A"), backwardCycle("other"), forwardCycle("A")};
    // Both sensors named A: Delta 1 -> 2 -> 0, one step to the left of cell 4.
    const std::vector<Rule> rules = {endsIn({{"nobody", "A"}}, 0, 3)};

    vex::evaluateFitness(*qdm, individual, rules, 1);
    EXPECT_NEAR(individual.fitness, 10.0, 1e-9);

    // Applying only the first would end in cell 5; a certain miss scores 1 / (1 + 0.1).
    const std::vector<Rule> firstOnly = {endsIn({{"A"}}, 0, 5)};
    vex::evaluateFitness(*qdm, individual, firstOnly, 1);
    EXPECT_NEAR(individual.fitness, 1.0 / 1.1, 1e-9);
}

// Training as documented, written from its description: a fresh population of
// random sensors; then per generation crossover children of a parent from the top
// group and a parent from anywhere, a 40 percent chance of mutation for everyone but
// the first, elite copies of the first, and the cut to the population limit. Every
// random number is drawn in the documented order. Fitness is the library's own
// evaluation, which draws nothing.
class DocumentedTraining {
public:
    DocumentedTraining(QDM& qdm, std::vector<Rule> rules, int limit) : qdm_(qdm), rules_(std::move(rules)), limit_(limit) {}

    void start(int size) {
        for (int i = 0; i < size; ++i) {
            Individual individual;
            individual.sensors = qdm_.sensors;
            for (Sensor& sensor : individual.sensors) QDM::randomizeSensor(sensor, qdm_.memorySize * qdm_.deltaSize);
            population.push_back(std::move(individual));
        }
    }

    void generation(bool first) {
        const int everyone = static_cast<int>(population.size());
        if (first) {
            for (Individual& individual : population) evaluate(individual);
            sort();
        }
        bestAtStart = population.front();
        const int parents = everyone / 4 + 1;
        for (int c = 0; c < parents; ++c) {
            const int a = std::rand() % parents;
            const int b = std::rand() % everyone;
            log << "parents " << a << " and " << b << ":";
            Individual child = crossover(population[a], population[b]);
            evaluate(child);
            population.push_back(std::move(child));
            log << "\n";
        }
        log << "mutated:";
        for (std::size_t i = 1; i < population.size(); ++i) {
            if (!chance(40)) continue;
            log << " " << i;
            redraw(population[i], 20);
            evaluate(population[i]);
        }
        log << "\n";
        sort();
        for (int c = 0; c < parents; ++c) {
            Individual copy = population.front();
            redraw(copy, 10);
            evaluate(copy);
            population.push_back(std::move(copy));
        }
        sort();
        beforeCut = population;
        if (population.size() > static_cast<std::size_t>(limit_)) population.resize(static_cast<std::size_t>(limit_));
    }

    std::vector<Individual> population;
    std::vector<Individual> beforeCut;  // the last generation's population before the limit applied
    Individual bestAtStart;             // the first individual when the last generation began breeding
    std::ostringstream log;             // parents, cuts and mutated positions, shown when a check fails

private:
    static double angle() { return (std::rand() % 10000) * 3.1415 / 10000; }
    static bool chance(int percent) { return std::rand() % 100 < percent; }

    static void rebuild(Sensor& sensor) {
        const int n = static_cast<int>(sensor.offPhase.size());
        sensor.unitary.resize(n, n);
        linalg::buildUnitary(sensor.rotation, sensor.phase, sensor.offPhase, sensor.unitary);
    }

    Individual crossover(const Individual& a, const Individual& b) {
        Individual child = a;
        std::rand();  // drawn and discarded
        for (std::size_t k = 0; k < child.sensors.size(); ++k) {
            Sensor& sensor = child.sensors[k];
            const Sensor& other = b.sensors[k];
            const std::size_t cut = static_cast<std::size_t>(std::rand()) % sensor.rotation.size();
            std::rand();  // drawn and discarded
            for (std::size_t t = cut; t < sensor.rotation.size(); ++t) {
                sensor.rotation[t] = other.rotation[t];
                sensor.phase[t] = other.phase[t];
            }
            const std::size_t offCut = static_cast<std::size_t>(std::rand()) % sensor.offPhase.size();
            for (std::size_t t = offCut; t < sensor.offPhase.size(); ++t) sensor.offPhase[t] = other.offPhase[t];
            log << " cuts " << cut << ", " << offCut;
            rebuild(sensor);
        }
        return child;
    }

    static void redraw(Individual& individual, int percent) {
        for (Sensor& sensor : individual.sensors) {
            for (std::size_t t = 0; t < sensor.rotation.size(); ++t) {
                if (chance(percent)) sensor.rotation[t] = angle();
                if (chance(percent)) sensor.phase[t] = angle();
                if (t < sensor.offPhase.size() && chance(percent)) sensor.offPhase[t] = angle();
            }
        }
        for (Sensor& sensor : individual.sensors) rebuild(sensor);
    }

    void evaluate(Individual& individual) { vex::evaluateFitness(qdm_, individual, rules_, 3); }

    void sort() {
        std::stable_sort(population.begin(), population.end(),
                         [](const Individual& x, const Individual& y) { return x.fitness > y.fitness; });
    }

    QDM& qdm_;
    std::vector<Rule> rules_;
    int limit_;
};

bool sameSensors(const Individual& a, const Individual& b) {
    return std::equal(a.sensors.begin(), a.sensors.end(), b.sensors.begin(), b.sensors.end(),
                      [](const Sensor& x, const Sensor& y) {
                          return x.name == y.name && x.rotation == y.rotation && x.phase == y.phase &&
                                 x.offPhase == y.offPhase;
                      });
}

// Runs the model from a seed and then the library's training, on two sensors of dimension 3
// and two rules whose targets no sensor set meets exactly, so that fitness tells individuals
// apart. The library must leave the model's population, having drawn exactly as many
// numbers, with the best of the last generation's start unmutated among it.
std::unique_ptr<DocumentedTraining> trainBoth(QDM& qdm, unsigned seed, int size, int generations, int limit) {
    qdm.addSensor("center");
    qdm.addSensor("left");
    const std::vector<Rule> rules = {Rule{{{"center"}}, 0, {{4, 0, 0.6}, {5, 0, 0.4}}},
                                     Rule{{{"left"}, {"center"}}, 1, {{3, 0, 1.0}}}};
    auto model = std::make_unique<DocumentedTraining>(qdm, rules, limit);
    std::srand(seed);
    model->start(size);
    for (int g = 0; g < generations; ++g) model->generation(g == 0);
    const int nextDraw = std::rand();
    std::srand(seed);
    OutputCapture quiet;
    qdm.train(rules, generations, 3, size, limit);

    SCOPED_TRACE(model->log.str());
    EXPECT_EQ(nextDraw, std::rand()) << "a draw more or fewer than documented";
    EXPECT_EQ(model->population.size(), qdm.population().size());
    for (std::size_t i = 0; i < std::min(model->population.size(), qdm.population().size()); ++i) {
        EXPECT_EQ(model->population[i].fitness, qdm.population()[i].fitness) << "individual " << i;
        EXPECT_TRUE(sameSensors(model->population[i], qdm.population()[i])) << "individual " << i;
    }
    EXPECT_TRUE(std::any_of(qdm.population().begin(), qdm.population().end(),
                            [&](const Individual& i) { return sameSensors(i, model->bestAtStart); }))
        << "the best was mutated";
    return model;
}

TEST(GeneticSearch, OneGenerationPicksTheDocumentedParentsCutsAndMutations) {
    auto qdm = cellDecisionMaker();
    // Eight individuals breed three crossover children and three elite copies; the
    // limit of 10 cuts the 14 back.
    const auto model = trainBoth(*qdm, 2024, 8, 1, 10);
    // The limit kept the fittest, and the decision maker carries the best one's sensors.
    ASSERT_EQ(10u, qdm->population().size());
    ASSERT_EQ(14u, model->beforeCut.size());
    for (std::size_t dropped = 10; dropped < 14; ++dropped)
        EXPECT_LE(model->beforeCut[dropped].fitness, qdm->population().back().fitness);
    ASSERT_EQ(2u, qdm->sensors.size());
    EXPECT_EQ(qdm->population().front().sensors[0].rotation, qdm->sensors[0].rotation);
    EXPECT_EQ(qdm->population().front().sensors[1].offPhase, qdm->sensors[1].offPhase);
}

TEST(GeneticSearch, ThreeGenerationsFollowTheDocumentedOrder) { trainBoth(*cellDecisionMaker(), 77, 6, 3, 7); }

TEST(TrainingGeneration, FitterIndividualsComeFirstAndUndefinedFitnessLastInListOrder) {
    std::vector<Individual> population(6);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double fitness[] = {1.0, nan, 3.0, 2.0, nan, nan};
    for (std::size_t i = 0; i < population.size(); ++i) {
        population[i].fitness = fitness[i];
        population[i].ruleFitness = {static_cast<double>(i)};  // tells equal fitness apart
    }
    std::stable_sort(population.begin(), population.end(), vex::fitterThan);
    std::vector<double> order;
    for (const Individual& individual : population) order.push_back(individual.ruleFitness[0]);
    EXPECT_EQ(order, (std::vector<double>{2, 3, 0, 1, 4, 5}));
    // NaN is not fitter than itself: the order must be strict for the sort to be defined.
    EXPECT_FALSE(vex::fitterThan(population[3], population[3]));
    EXPECT_FALSE(vex::fitterThan(population[3], population[0]));
}

TEST(TrainingGeneration, TheBestSurvivesUnmutatedEvenBelowAPopulationLimitOfOne) {
    auto qdm = cellDecisionMaker();
    qdm->addSensor("center");
    qdm->addSensor("left");
    DocumentedTraining fresh(*qdm, {}, 0);
    fresh.start(6);
    qdm->startPopulation(fresh.population, 0);
    const std::vector<double> bestAngles = qdm->population().front().sensors[0].rotation;
    OutputCapture output;
    // Without rules every fitness is 0, so the stable sorts keep the first one first.
    qdm->runGeneration({}, 4, true);
    ASSERT_EQ(qdm->population().size(), 1u);
    EXPECT_EQ(qdm->population().front().sensors[0].rotation, bestAngles);
    ASSERT_EQ(qdm->sensors.size(), 2u);
    EXPECT_EQ(qdm->sensors[0].rotation, bestAngles);
    EXPECT_NE(output.text().find("DEBUG: final max fitness = 0\n"), std::string::npos);
}

TEST_F(TypedKeys, QStopsTrainingBeforeAGenerationAndOtherKeysAreDropped) {
    auto qdm = cellDecisionMaker();
    qdm->addSensor("center");
    const std::vector<Rule> rules = {endsIn({{"center"}}, 0, 4)};

    OutputCapture output;
    tala::ConsoleProgress console(nullptr, 80, false);
    type("x");
    qdm->train(rules, 2, 4, 3, 3, &console);
    EXPECT_FALSE(tala::interp::keyWaiting());
    const std::string printed = output.take();  // both generations ran
    EXPECT_NE(printed.find("final max", printed.find("final max") + 1), std::string::npos) << printed;

    const auto sensorsBefore = qdm->sensors[0].rotation;
    OutputCapture errors(std::cerr);
    type("q");
    qdm->train(rules, 2, 4, 3, 3, &console);
    EXPECT_EQ(output.take(), "");
    EXPECT_EQ(errors.text(),
              "Training stopped by key before its first generation; the decision maker keeps its sensors.\n");
    EXPECT_EQ(qdm->sensors[0].rotation, sensorsBefore);
    EXPECT_TRUE(qdm->trainingHistory.generations.empty());
    EXPECT_EQ(qdm->population().size(), 3u);
    EXPECT_FALSE(tala::interp::keyWaiting());
}

}  // namespace
