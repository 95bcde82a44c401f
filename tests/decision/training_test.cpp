// Sensor training: how rules are replayed and scored, the order of fitness and the
// console key poll. The genetic search itself is followed by the golden scripts.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

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
