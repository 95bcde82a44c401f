// The decision maker's operators, decisions and probabilities against the full
// Kronecker products, basis columns and projections, and its answers for odd points
// and sensors.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "DecisionFixture.h"
#include "LiteralRoutes.h"
#include "tests/linalg/MatrixTestSupport.h"
#include "tests/support/StreamCapture.h"

namespace {

using linalg::testing::expectSame;

linalg::Matrix& psi(vex::QDM& qdm) { return literal::variableMatrix(qdm, "psi.0"); }

// A state with weight on every register, so that no entry of an operator goes unused.
std::unique_ptr<vex::QDM> spreadDecisionMaker() {
    auto qdm = fixture::finishedDecisionMaker();
    qdm->addSensor("left");
    qdm->applyOp("left");
    qdm->think();
    return qdm;
}

TEST(SensorOperator, ActsOnMemoryAndDeltaLikeTheFullProduct) {
    std::srand(7);
    auto qdm = spreadDecisionMaker();
    qdm->addSensor("right");
    const linalg::Matrix& sensor = qdm->sensors.back().unitary;
    ASSERT_EQ(sensor.rows(), 18);
    const linalg::Matrix expected = literal::apply(1, sensor, 25, psi(*qdm));
    qdm->applyOp("right");
    expectSame(expected, psi(*qdm), 1e-12);
}

TEST(SensorOperator, AsLargeAsTheWholeSystemActsOnTheWholeState) {
    std::mt19937 generator(3);
    auto qdm = spreadDecisionMaker();
    const linalg::Matrix op = linalg::testing::randomMatrix(450, 450, generator);
    const linalg::Matrix expected = literal::apply(1, op, 1, psi(*qdm));
    qdm->applySensorOperator(op);
    expectSame(expected, psi(*qdm), 1e-12);
}

TEST(SensorOperator, IsTheFirstSensorOfTheNameAndUnknownNamesChangeNothing) {
    auto qdm = spreadDecisionMaker();
    qdm->addSensor("twin");
    qdm->addSensor("twin");
    const linalg::Matrix expected = literal::apply(1, qdm->sensors[1].unitary, 25, psi(*qdm));
    qdm->applyOp("twin");
    expectSame(expected, psi(*qdm), 1e-12);
    qdm->applyOp("nobody");
    expectSame(expected, psi(*qdm), 1e-12);
}

TEST(Recenter, MovesTheActionRegistersLikeTheFullProduct) {
    auto qdm = spreadDecisionMaker();
    qdm->actionSpaces[0].resetDelta = false;
    // ket(center) bra(position) on each Action register, Memory and Delta untouched.
    auto move = [&](int i, int from) {
        linalg::Matrix product;
        const std::string reg = "Action.0." + std::to_string(i);
        linalg::multiply(literal::variableMatrix(*qdm, reg + ".ket.2"), product,
                         literal::variableMatrix(*qdm, reg + ".bra." + std::to_string(from)));
        return product;
    };
    const linalg::Matrix expected = literal::apply(18, literal::kron(move(0, 1), move(1, 3)), 1, psi(*qdm));

    qdm->recenter(0, {1, 3});
    expectSame(expected, psi(*qdm), 1e-12);
}

TEST(Decide, MeasuresRecentresAndChoosesLikeTheLongWay) {
    std::srand(21);
    auto qdm = spreadDecisionMaker();
    OutputCapture quiet;  // resetting the Delta registers reports their sizes
    std::set<int> chosen;
    for (int step = 0; step < 8; ++step) {
        // Four draws: the two Action registers, then the two Delta registers.
        std::srand(300 + step);
        std::vector<int> draws;
        for (int i = 0; i < 5; ++i) draws.push_back(std::rand());
        linalg::Matrix expected = psi(*qdm);
        const int expectedAction = literal::decide(*qdm, draws, expected);

        std::srand(300 + step);
        EXPECT_EQ(expectedAction, qdm->decide(0)) << "step " << step;
        EXPECT_EQ(draws[4], std::rand()) << "step " << step;
        expectSame(expected, psi(*qdm), 1e-12);
        chosen.insert(expectedAction);
        qdm->applyOp("left");
        qdm->think();
    }
    // A decision maker that always gave the same answer could not pass.
    EXPECT_EQ(3u, chosen.size());
}

TEST(ActionProbability, MatchesTheLiteralDistributionAndSumsToOne) {
    std::srand(5);
    auto qdm = fixture::finishedDecisionMaker();
    qdm->addSensor("center");
    qdm->applyOp("center");
    qdm->think();
    double total = 0.0;
    for (int action = 0; action < 3; ++action) {
        const double p = qdm->actionProbability(0, action);
        EXPECT_NEAR(literal::actionProbability(*qdm, 0, action), p, 1e-12) << "action " << action;
        EXPECT_GT(p, 0.0);
        total += p;
    }
    EXPECT_NEAR(1.0, total, 1e-9);
}

TEST(ActionProbability, IsZeroOutsideTheSpacesAndActions) {
    auto qdm = fixture::finishedDecisionMaker();
    EXPECT_EQ(0.0, qdm->actionProbability(-1, 0));
    EXPECT_EQ(0.0, qdm->actionProbability(1, 0));
    EXPECT_EQ(0.0, qdm->actionProbability(0, -1));
    EXPECT_EQ(0.0, qdm->actionProbability(0, 3));  // one past the last point: no cell maps to it
    EXPECT_EQ(0.0, qdm->actionProbability(0, 4));
}

TEST(Finalize, ShiftsPointsToGridPositions) {
    auto qdm = fixture::finishedDecisionMaker();
    EXPECT_EQ(vex::Coordinates({3, 2}), qdm->actionSpaces[0].points[0].coordinates);
    EXPECT_EQ(vex::Coordinates({1, 2}), qdm->actionSpaces[0].points[2].coordinates);
}

// Rotation, phase and off-phase are drawn in turn while there are off-phases, then
// rotation and phase alone; a sensor of dimension one draws nothing.
TEST(RandomizeSensor, DrawsRotationPhaseAndOffPhaseInTurnAndNothingForDimensionOne) {
    std::srand(3);
    std::vector<int> draws(12);
    for (int& draw : draws) draw = std::rand();
    std::vector<double> drawn;
    for (int draw : draws) drawn.push_back((draw % 10000) * 3.1415 / 10000);
    std::srand(3);
    vex::Sensor sensor, one;
    vex::QDM::randomizeSensor(sensor, 3);
    EXPECT_EQ(sensor.rotation, (std::vector<double>{drawn[0], drawn[3], drawn[6], drawn[9]}));
    EXPECT_EQ(sensor.phase, (std::vector<double>{drawn[1], drawn[4], drawn[7], drawn[10]}));
    EXPECT_EQ(sensor.offPhase, (std::vector<double>{drawn[2], drawn[5], drawn[8]}));

    vex::QDM::randomizeSensor(one, 1);
    EXPECT_EQ(draws[11], std::rand());
    EXPECT_TRUE(one.rotation.empty());
    EXPECT_EQ(std::vector<double>({0.0}), one.offPhase);
    ASSERT_EQ(1, one.unitary.rows());
    EXPECT_EQ(1.0, one.unitary(0, 0).re);
}

TEST(NearestAction, AnswersZeroWithoutFillingForMismatchesAndEmptySpaces) {
    vex::QDM qdm;
    vex::ActionSpace space, empty;
    space.points = {{"a", {0, 0}}, {"short", {9}}, {"b", {5, 5}}};
    qdm.actionSpaces = {space, empty};
    vex::ActionPoint chosen{"untouched", {}};
    EXPECT_EQ(0, qdm.nearestAction(0, {5}, &chosen));
    EXPECT_EQ(0, qdm.nearestAction(1, {}, &chosen));
    EXPECT_EQ(0, qdm.nearestAction(2, {0, 0}, &chosen));
    EXPECT_EQ("untouched", chosen.name);
    // A point with another coordinate count counts as distance 0.
    EXPECT_EQ(1, qdm.nearestAction(0, {4, 4}));
}

}  // namespace
