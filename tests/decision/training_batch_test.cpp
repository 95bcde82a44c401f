// Candidates evaluated together and on several threads: every plan of evaluation gives
// the same generations as evaluating each candidate as it is made, to the last bit and
// the last printed byte, draws the same numbers and leaves psi.0 the same.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DecisionFixture.h"
#include "LiteralRoutes.h"
#include "decision/Training.h"
#include "decision/TrainingThreads.h"

namespace {

using vex::EvaluationPlan;
using vex::Individual;
using vex::QDM;
using vex::Rule;

template <class T>
void appendBytes(std::string& to, const T* data, std::size_t count) {
    to.append(reinterpret_cast<const char*>(data), sizeof(T) * count);
}

// What a run of generations leaves behind, byte for byte: the text printed, the next draw,
// psi.0 and every individual's fitness, rules' fitness and unitaries.
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
        for (const vex::Sensor& sensor : individual.sensors)
            appendBytes(left, sensor.unitary.data(), sensor.unitary.entryCount());
    }
    return left;
}

// Both kinds of Tops: the Fourier matrix (dense, W = 450) and the flock's sparse one.
TEST(TrainingBatch, EveryPlanGivesTheGenerationsOfOneCandidateAtATime) {
    std::vector<std::unique_ptr<QDM>> makers;
    makers.push_back(fixture::finishedDecisionMaker());
    makers.push_back(fixture::flockSystem({{"forward", {0}}, {"left", {1}}, {"right", {-1}}}));
    for (const auto& qdm : makers) {
        SCOPED_TRACE("W = " + std::to_string(qdm->systemSize()));
        const std::vector<Rule> rules = {Rule{{{"center"}}, 0, {{0, 0, 1.0}}},
                                         Rule{{{"left"}, {"center", "right"}}, 1, {{1, 0, 0.7}, {2, 0, 0.3}}},
                                         Rule{{{"right"}}, 0, {{2, 0, 1.0}}}};
        for (const char* name : {"center", "left", "right"}) qdm->addSensor(name);
        std::srand(3);
        std::vector<Individual> start(9);
        for (Individual& individual : start) {
            individual.sensors = qdm->sensors;
            for (vex::Sensor& sensor : individual.sensors)
                QDM::randomizeSensor(sensor, qdm->memorySize * qdm->deltaSize);
        }
        const std::string inTurn = generations(*qdm, start, rules, 2, {false, 1}, 8);
        ASSERT_NE(inTurn.find("DEBUG: final max fitness"), std::string::npos);
        for (int threads : {1, 2, 3, 7})
            EXPECT_TRUE(inTurn == generations(*qdm, start, rules, 2, {true, threads}, 8)) << threads << " threads";
    }
}

// Where episodes are not replayed apart from psi.0 (a variable stands in the way of the
// measuring text), each candidate is evaluated in turn as before, whatever the plan.
TEST(TrainingBatch, ADecisionMakerThatCannotReplayApartIsEvaluatedInTurn) {
    auto qdm = fixture::flockSystem({{"forward", {0}}, {"left", {1}}, {"right", {-1}}});
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
                      if (part >= 2) throw tala::Failure("part " + std::to_string(part));
                  });
              }));
    EXPECT_EQ(ran, (std::vector<int>{1, 1, 1, 1}));
}

}  // namespace
