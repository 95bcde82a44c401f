// Sensor training: how rules are replayed and scored, one generation's
// bookkeeping, the console key poll, and the flock's own data.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "decision/QDM.h"
#include "decision/Training.h"
#include "decision/VEXCommands.h"
#include "decision/ValueTypes.h"
#include "interp/ConsoleKeys.h"
#include "interp/InterpreterHost.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TypedKeys.h"

namespace {

namespace fs = std::filesystem;
using vex::Individual;
using vex::QDM;
using vex::Rule;
using vex::Sensor;

fs::path dataFolder() { return fs::path(__FILE__).parent_path().parent_path().parent_path() / "data"; }

// One action point per grid cell, so action index = cell. The flock's scripts make
// Tops move the Action register by the Delta register's direction (-1, 0, 1) and
// start every episode at Delta "no move", Action in cell 4.
std::unique_ptr<QDM> cellDecisionMaker() {
    fs::current_path(dataFolder());
    auto qdm = std::make_unique<QDM>();
    vex::ActionSpace space;
    space.movementMap = {{-1}, {0}, {1}};
    space.gridSize = 9;
    for (int x = -4; x <= 4; ++x) space.points.push_back({"cell" + std::to_string(x + 4), {x}});
    OutputCapture quiet;
    qdm->addActionSpace(space);
    qdm->finalize(1);
    qdm->prepare();
    return qdm;
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

TEST(TrainingGeneration, FitterIndividualsComeFirstAndUndefinedFitnessLast) {
    std::vector<Individual> population(5);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double fitness[] = {1.0, nan, 3.0, 2.0, nan};
    for (std::size_t i = 0; i < population.size(); ++i) population[i].fitness = fitness[i];
    std::stable_sort(population.begin(), population.end(), vex::fitterThan);
    EXPECT_EQ(population[0].fitness, 3.0);
    EXPECT_EQ(population[1].fitness, 2.0);
    EXPECT_EQ(population[2].fitness, 1.0);
    EXPECT_TRUE(std::isnan(population[3].fitness));
    EXPECT_TRUE(std::isnan(population[4].fitness));
}

// n individuals with fresh random sensors named center and left.
void seedPopulation(QDM& qdm, int n) {
    qdm.population.clear();
    for (int i = 0; i < n; ++i) {
        Individual individual;
        individual.sensors.resize(2);
        individual.sensors[0].name = "center";
        individual.sensors[1].name = "left";
        for (Sensor& s : individual.sensors) QDM::randomizeSensor(s, qdm.memorySize * qdm.deltaSize);
        qdm.population.push_back(std::move(individual));
    }
}

TEST(TrainingGeneration, TheBestSurvivesUnmutatedEvenBelowAPopulationLimitOfOne) {
    auto qdm = cellDecisionMaker();
    seedPopulation(*qdm, 6);
    const std::vector<double> bestAngles = qdm->population.front().sensors[0].rotation;
    qdm->populationLimit = 0;
    OutputCapture output;
    // Without rules every fitness is 0, so the stable sorts keep the first one first.
    vex::runGeneration(*qdm, {}, 4, true);
    ASSERT_EQ(qdm->population.size(), 1u);
    EXPECT_EQ(qdm->population.front().sensors[0].rotation, bestAngles);
    ASSERT_EQ(qdm->sensors.size(), 2u);
    EXPECT_EQ(qdm->sensors[0].rotation, bestAngles);
    EXPECT_NE(output.text().find("DEBUG: final max fitness = 0\n"), std::string::npos);
}

TEST_F(TypedKeys, QStopsTrainingBeforeAGenerationAndOtherKeysAreDropped) {
    auto qdm = cellDecisionMaker();
    qdm->addSensor("center");
    const std::vector<Rule> rules = {endsIn({{"center"}}, 0, 4)};

    OutputCapture output;
    type("x");
    qdm->train(rules, 2, 4, 3, 3);
    EXPECT_FALSE(tala::interp::keyWaiting());
    const std::string printed = output.take();  // both generations ran
    EXPECT_NE(printed.find("final max", printed.find("final max") + 1), std::string::npos) << printed;

    type("q");
    qdm->train(rules, 2, 4, 3, 3);
    EXPECT_EQ(output.take(), "");
    EXPECT_EQ(qdm->population.size(), 3u);
    EXPECT_FALSE(tala::interp::keyWaiting());
}

// The flock's decision maker as an agent builds it, with the shipped sensors:
// four stimuli and thinking steps make its action almost certain.
TEST(ShippedFlock, EachStimulusLeadsToItsAction) {
    fs::current_path(dataFolder());
    tala::interp::InterpreterHost host;
    host.addLibrary(std::make_unique<vex::VEXCommands>());
    OutputCapture quiet;
    for (const char* command : {"global (new vex::QDM QDM)", "vex::qdm::new (get QDM)", "file vex_flock_setup.txt"})
        host.runCommand(command);
    tala::interp::Object value;
    host.runCommand("get QDM", value);
    QDM& qdm = *dynamic_cast<vex::QDMType&>(value.getUserObject()).decisionMaker;
    ASSERT_EQ(qdm.sensors.size(), 3u);
    const std::pair<const char*, const char*> stimulusAction[] = {
        {"center", "forward"}, {"left", "left"}, {"right", "right"}};
    for (const auto& [stimulus, intended] : stimulusAction) {
        qdm.prepare();
        for (int i = 0; i < 4; ++i) {
            qdm.applyOp(stimulus);
            qdm.think();
        }
        int space = -1, action = -1;
        ASSERT_TRUE(qdm.findAction(intended, space, action));
        EXPECT_GT(qdm.actionProbability(0, action), 0.9) << stimulus;
    }
    host.runCommand("vex::qdm::free (get QDM)");
}

}  // namespace
