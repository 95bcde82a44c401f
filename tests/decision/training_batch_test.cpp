// Candidates evaluated together and on several threads: every plan of evaluation gives
// the same generations as evaluating each candidate as it is made, to the last bit and
// the last printed byte, draws the same numbers and leaves psi.0 the same.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
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

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameMatrix(const linalg::Matrix& a, const linalg::Matrix& b) {
    return a.rows() == b.rows() && a.cols() == b.cols() &&
           std::memcmp(a.data(), b.data(), sizeof(linalg::Complex) * a.entryCount()) == 0;
}

// What a run of generations leaves behind.
struct Outcome {
    std::string printed;
    std::vector<Individual> population;
    linalg::Matrix psi;
    int nextDraw = 0;
};

Outcome generations(QDM& qdm, const std::vector<Individual>& start, const std::vector<Rule>& rules, int count,
                    EvaluationPlan plan, int limit = 100) {
    qdm.startPopulation(start, limit);
    qdm.prepare();
    std::srand(5);
    OutputCapture output;
    for (int g = 0; g < count; ++g) qdm.runGeneration(rules, 3, g == 0, nullptr, plan);
    return {output.text(), qdm.population(), literal::variableMatrix(qdm, "psi.0"), std::rand()};
}

void expectSameOutcome(const Outcome& expected, const Outcome& actual) {
    EXPECT_EQ(expected.printed, actual.printed);
    EXPECT_EQ(expected.nextDraw, actual.nextDraw);
    EXPECT_TRUE(sameMatrix(expected.psi, actual.psi)) << "psi.0 differs";
    ASSERT_EQ(expected.population.size(), actual.population.size());
    for (std::size_t i = 0; i < expected.population.size(); ++i) {
        const Individual& e = expected.population[i];
        const Individual& a = actual.population[i];
        EXPECT_TRUE(sameBits(e.fitness, a.fitness)) << "individual " << i;
        ASSERT_EQ(e.ruleFitness.size(), a.ruleFitness.size());
        for (std::size_t r = 0; r < e.ruleFitness.size(); ++r)
            EXPECT_TRUE(sameBits(e.ruleFitness[r], a.ruleFitness[r])) << "individual " << i << ", rule " << r;
        ASSERT_EQ(e.sensors.size(), a.sensors.size());
        for (std::size_t s = 0; s < e.sensors.size(); ++s)
            EXPECT_TRUE(sameMatrix(e.sensors[s].unitary, a.sensors[s].unitary)) << "individual " << i;
    }
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
        const Outcome inTurn = generations(*qdm, start, rules, 2, {false, 1}, 8);
        ASSERT_NE(inTurn.printed.find("DEBUG: final max fitness"), std::string::npos);
        for (int threads : {1, 2, 3, 7}) {
            SCOPED_TRACE(std::to_string(threads) + " threads");
            expectSameOutcome(inTurn, generations(*qdm, start, rules, 2, {true, threads}, 8));
        }
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
    expectSameOutcome(generations(*qdm, population, rules, 2, {false, 1}),
                      generations(*qdm, population, rules, 2, {true, 2}));
}

TEST(TrainingThreads, CountsFromOneToTheLimitAreTakenAndOthersNamedKeepingTheCountInForce) {
    const int saved = vex::trainingThreads();
    EXPECT_TRUE(vex::setTrainingThreads(3));
    EXPECT_EQ(3, vex::trainingThreads());
    EXPECT_FALSE(vex::setTrainingThreads(0));
    EXPECT_FALSE(vex::setTrainingThreads(vex::kMaxTrainingThreads + 1));
    EXPECT_EQ(3, vex::trainingThreads());

    OutputCapture errors(std::cerr);
    vex::setTrainingThreads("5", "--threads");
    EXPECT_EQ(5, vex::trainingThreads());
    EXPECT_EQ("", errors.text());
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
