// Sensor training: how rules are replayed and scored, the order of fitness, the console key poll, and
// candidates evaluated together and on several threads. The genetic search itself: golden/training.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>
#include "testsupport/DecisionFixture.h"
#include "testsupport/LiteralRoutes.h"
#include "decision/Inspection.h"
#include "decision/Training.h"
#include "decision/TrainingThreads.h"
#include "support/ConsoleKeys.h"
#include "support/TaskProgress.h"
#include "tests/support/TypedKeys.h"
namespace {
using vex::EvaluationPlan;
using vex::Individual;
using vex::QDM;
using vex::Rule;
using vex::Sensor;
std::unique_ptr<QDM> flock() { return fixture::flockSystem({{"forward", {0}}, {"left", {1}}, {"right", {-1}}}); }
// One action point per grid cell, so action index = cell. The flock's scripts start every episode at Delta
// "no move", Action in cell 4.
std::unique_ptr<QDM> cellDecisionMaker() {
    std::vector<vex::ActionPoint> cells;
    for (int x = -4; x <= 4; ++x) cells.push_back({"cell" + std::to_string(x + 4), {x}});
    return fixture::flockSystem(cells);
}
// A permutation of the three Delta states as a sensor, `to[j]` where state j goes: {1, 2, 0} takes Delta 1
// (stay) -> 2 (+1) -> 0 (-1) -> 1, {2, 0, 1} is the reverse cycle.
Sensor cycle(const std::string& name, const std::vector<int>& to) {
    Sensor sensor;
    sensor.name = name;
    sensor.unitary.resize(3, 3);
    for (int j = 0; j < 3; ++j) sensor.unitary(to[static_cast<std::size_t>(j)], j) = {1.0, 0.0};
    return sensor;
}
// A rule whose only target is certainty of ending in `cell`.
Rule endsIn(std::vector<vex::SensorNames> lists, int mode, int cell) {
    return {std::move(lists), mode, {{cell, 0, 1.0}}};
}

TEST(TrainingFitness, RepeatModeCyclesTheListsAndSingleModeThinksOnAfterTheLast) {
    auto qdm = cellDecisionMaker();
    Individual individual;
    individual.sensors = {cycle("A", {1, 2, 0}), cycle("B", {2, 0, 1})};
    // Repeat plays A, B, A, B, A: moves +1, 0, +1, 0, +1 from cell 4. Single plays A, B and then only thinks.
    vex::evaluateFitness(*qdm, individual, {endsIn({{"A"}, {"B"}}, 0, 7), endsIn({{"A"}, {"B"}}, 1, 5)}, 5);
    ASSERT_EQ(individual.ruleFitness.size(), 2u);
    for (double fitness : {individual.ruleFitness[0], individual.ruleFitness[1], individual.fitness})
        EXPECT_NEAR(fitness, 10.0, 1e-9);
}

TEST(TrainingFitness, EverySensorOfANameIsAppliedAndUnknownNamesArePassedOver) {
    auto qdm = cellDecisionMaker();
    Individual individual;
    individual.sensors = {cycle("A", {1, 2, 0}), cycle("other", {2, 0, 1}), cycle("A", {1, 2, 0})};
    // Both sensors named A: Delta 1 -> 2 -> 0, one step to the left of cell 4.
    vex::evaluateFitness(*qdm, individual, {endsIn({{"nobody", "A"}}, 0, 3)}, 1);
    EXPECT_NEAR(individual.fitness, 10.0, 1e-9);
    // Applying only the first would end in cell 5; a certain miss scores 1 / (1 + 0.1).
    vex::evaluateFitness(*qdm, individual, {endsIn({{"A"}}, 0, 5)}, 1);
    EXPECT_NEAR(individual.fitness, 1.0 / 1.1, 1e-9);
}

TEST(TrainingGeneration, FitterIndividualsComeFirstAndUndefinedFitnessLastInListOrder) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<Individual> population;  // the rule fitness tells equal fitness apart
    for (double fitness : {1.0, nan, 3.0, 2.0, nan, nan})
        population.push_back({{}, {static_cast<double>(population.size())}, fitness});
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
    support::ConsoleProgress console(nullptr, 80, false);
    type("x");
    qdm->train(rules, 2, 4, 3, 3, &console);
    EXPECT_FALSE(support::keyWaiting());
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
    EXPECT_FALSE(support::keyWaiting());
}

// A stop asked within an evaluation's steps ends training at once, however many steps there are: the sensors
// and the history stay those of the generations finished, and the decision maker is left prepared.
TEST(TrainingStop, AStopWithinAnEvaluationsStepsEndsTrainingThere) {
    struct StopAtThirdPoll : support::TaskProgress {
        int polls = 0;
        bool keyWaiting() override { return ++polls >= 3; }
        bool stopRequested() override { return polls >= 3; }
    } progress;
    auto qdm = flock();
    qdm->addSensor("center");
    qdm->prepare();
    const linalg::Matrix prepared = literal::variableMatrix(*qdm, "psi.0");
    const auto sensorsBefore = qdm->sensors[0].rotation;
    OutputCapture output, errors(std::cerr);
    qdm->train({Rule{{{"center"}}, 0, {{0, 0, 1.0}}}}, 3, std::numeric_limits<int>::max(), 3, 3, &progress);
    EXPECT_EQ(errors.text(),
              "Training stopped by key before its first generation; the decision maker keeps its sensors.\n");
    EXPECT_EQ(qdm->sensors[0].rotation, sensorsBefore);
    EXPECT_TRUE(qdm->trainingHistory.generations.empty());
    const linalg::Matrix& psi = literal::variableMatrix(*qdm, "psi.0");
    EXPECT_TRUE(psi.entryCount() == prepared.entryCount() &&
                std::equal(psi.data(), psi.data() + psi.entryCount(), prepared.data()));
}

// As it stops a loop; what scoring prints: golden/mistakes/scoring.
TEST_F(TypedKeys, AKeyStopsScoring) {
    auto qdm = flock();
    qdm->addSensor("center");
    type("q");
    EXPECT_EQ("Error: User break.",
              failureOf([&] { vex::scoreRules(*qdm, {Rule{{{"center"}}, 0, {{0, 0, 1.0}}}}, 200000, 1); }));
}

template <class T>
void appendBytes(std::string& to, const T* data, std::size_t count) {
    to.append(reinterpret_cast<const char*>(data), sizeof(T) * count);
}
// What a run of generations leaves behind, byte for byte: the text printed, the next draw, psi.0 and every
// individual's fitness, rules' fitness and unitaries.
std::string generations(QDM& qdm, const std::vector<Individual>& start, const std::vector<Rule>& rules, int count,
                        EvaluationPlan plan, int limit = 100) {
    qdm.startPopulation(start, limit);
    qdm.prepare();
    std::srand(5);
    OutputCapture output;
    for (int g = 0; g < count; ++g) qdm.runGeneration(rules, 3, g == 0, nullptr, plan);
    std::string left = output.text();
    const int draw = std::rand();
    appendBytes(left, &draw, 1);
    const linalg::Matrix psi = literal::variableMatrix(qdm, "psi.0");
    appendBytes(left, psi.data(), psi.entryCount());
    for (const Individual& individual : qdm.population()) {
        appendBytes(left, &individual.fitness, 1);
        appendBytes(left, individual.ruleFitness.data(), individual.ruleFitness.size());
        for (const Sensor& sensor : individual.sensors)
            appendBytes(left, sensor.unitary.data(), sensor.unitary.entryCount());
    }
    return left;
}

// Every plan gives the generations, draws and psi.0 of evaluating each candidate as it is made, to the last
// bit and byte, for the Fourier Tops (dense, W = 450) and the flock's sparse one.
TEST(TrainingBatch, EveryPlanGivesTheGenerationsOfOneCandidateAtATime) {
    const std::vector<Rule> rules = {Rule{{{"center"}}, 0, {{0, 0, 1.0}}},
                                     Rule{{{"left"}, {"center", "right"}}, 1, {{1, 0, 0.7}, {2, 0, 0.3}}},
                                     Rule{{{"right"}}, 0, {{2, 0, 1.0}}}};
    const std::unique_ptr<QDM> makers[] = {fixture::finishedDecisionMaker(), flock()};
    for (const auto& qdm : makers) {
        SCOPED_TRACE("W = " + std::to_string(qdm->systemSize()));
        for (const char* name : {"center", "left", "right"}) qdm->addSensor(name);
        std::srand(3);
        std::vector<Individual> start(9);
        for (Individual& individual : start) {
            individual.sensors = qdm->sensors;
            for (Sensor& sensor : individual.sensors) QDM::randomizeSensor(sensor, qdm->memorySize * qdm->deltaSize);
        }
        const std::string inTurn = generations(*qdm, start, rules, 2, {false, 1}, 8);
        ASSERT_NE(inTurn.find("DEBUG: final max fitness"), std::string::npos);
        for (int threads : {1, 2, 3, 7})
            EXPECT_TRUE(inTurn == generations(*qdm, start, rules, 2, {true, threads}, 8)) << threads << " threads";
    }
}

// Where episodes are not replayed apart from psi.0 (a variable stands in the way of the measuring text),
// each candidate is evaluated in turn as before, whatever the plan.
TEST(TrainingBatch, ADecisionMakerThatCannotReplayApartIsEvaluatedInTurn) {
    auto qdm = flock();
    qdm->addSensor("center");
    const std::vector<Rule> rules = {Rule{{{"center"}}, 0, {{0, 0, 1.0}}}};
    std::vector<Individual> population(3, Individual{qdm->sensors, {}, 0.0});
    EXPECT_TRUE(vex::canEvaluateTogether(*qdm, population, rules));
    EXPECT_FALSE(vex::canEvaluateTogether(*qdm, population, {}));
    qdm->evaluateText("new integer QDM-temp-guard", true);
    EXPECT_FALSE(vex::canEvaluateTogether(*qdm, population, rules));
    std::vector<Individual*> candidates = {&population[0], &population[1]};
    EXPECT_FALSE(vex::evaluateTogether(*qdm, candidates, rules, 3, 2));
    EXPECT_TRUE(generations(*qdm, population, rules, 2, {false, 1}) ==
                generations(*qdm, population, rules, 2, {true, 2}));
}

TEST(TrainingThreads, CountsFromOneToTheLimitAreTakenAndOthersNamedKeepingTheCountInForce) {
    const int saved = vex::trainingThreads();
    EXPECT_FALSE(vex::setTrainingThreads(0));
    EXPECT_FALSE(vex::setTrainingThreads(vex::kMaxTrainingThreads + 1));
    EXPECT_TRUE(vex::setTrainingThreads(3));
    OutputCapture errors(std::cerr);
    vex::setTrainingThreads("5", "--threads");
    EXPECT_EQ(5, vex::trainingThreads());
    // A bad count keeps the one in force (from the environment, or the processors).
    for (const char* bad : {"0", "-2", "two", "3x", "", "257", "99999999999"}) {
        vex::setTrainingThreads(bad, "--threads");
        EXPECT_EQ(5, vex::trainingThreads()) << bad;
        EXPECT_EQ("--threads '" + std::string(bad) + "' is not a number of threads from 1 to 256; training uses 5.\n",
                  errors.take());
    }
    vex::setTrainingThreads(saved);
}

// A failure in one part is raised once every part has ended; the other parts ran.
TEST(TrainingThreads, APartThatFailsIsRaisedAfterAllHaveRun) {
    std::vector<int> ran(4, 0);
    EXPECT_EQ("part 2", failureOf([&] {
                  vex::runInParts(4, [&](int part) {
                      ran[static_cast<std::size_t>(part)] = 1;
                      if (part >= 2) throw support::Failure("part " + std::to_string(part));
                  });
              }));
    EXPECT_EQ(ran, (std::vector<int>{1, 1, 1, 1}));
}

}  // namespace
