// The decision maker's whole-system sensors and action probabilities against the full
// Kronecker products and projections, and its answers for odd spaces and points.
// Decisions themselves are checked by the golden scripts in golden/decide.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "DecisionFixture.h"
#include "LiteralRoutes.h"
#include "tests/linalg/MatrixTestSupport.h"

namespace {

using linalg::testing::expectSame;

linalg::Matrix& psi(vex::QDM& qdm) { return literal::variableMatrix(qdm, "psi.0"); }

TEST(SensorOperator, AsLargeAsTheWholeSystemActsOnTheWholeState) {
    std::mt19937 generator(3);
    auto qdm = fixture::finishedDecisionMaker();
    qdm->addSensor("left");
    qdm->applyOp("left");
    qdm->think();  // weight on every register
    const linalg::Matrix op = linalg::testing::randomMatrix(450, 450, generator);
    const linalg::Matrix expected = literal::apply(1, op, 1, psi(*qdm));
    qdm->applySensorOperator(op);
    expectSame(expected, psi(*qdm), 1e-12);
}

TEST(ActionProbability, MatchesTheLiteralDistributionAndIsZeroOutsideTheSpacesAndActions) {
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
    // The measuring text writes any variable named like its temporaries; with such a
    // variable about, the text itself runs, and the numbers stay the same.
    const double left = qdm->actionProbability(0, 0);
    qdm->evaluateText("new integer QDM-temp-Space.1.size", true);
    EXPECT_EQ(left, qdm->actionProbability(0, 0));
    tala::interp::Variable written;
    tala::interp::lookup(qdm->variables, "QDM-temp-Space.1.size", written);
    EXPECT_EQ(25, written.getInteger());
    // Action 3 is one past the last point: no cell maps to it.
    for (const auto& [space, action] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 3}, {0, 4}})
        EXPECT_EQ(0.0, qdm->actionProbability(space, action)) << space << " " << action;
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
