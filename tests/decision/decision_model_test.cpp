// The decision maker's whole-system sensors against the full Kronecker product, its
// action probabilities for a state of known shares, and its answers for odd spaces and
// points.
// Decisions themselves are checked by the golden scripts in golden/decide.

#include <gtest/gtest.h>

#include <cmath>
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

// The points (1, 0), (0, 1) and (-1, 0) sit at cells (3, 2), (2, 3) and (1, 2) of the
// 5 x 5 grid. Cell (4, 4) is as near to the first as to the second and counts for the
// first; (2, 4) is nearest the second, (0, 0) the third. psi.0 holds a share of 0.5, 0.2
// and 0.3 in those cells, with various Memory and Delta registers: index (m * 9 + d) * 25
// + 5 x + y.
TEST(ActionProbability, SumsTheCellsNearestEachActionAndIsZeroOutsideTheSpacesAndActions) {
    auto qdm = fixture::finishedDecisionMaker();
    linalg::Matrix& psi = literal::variableMatrix(*qdm, "psi.0");
    psi.fill({0.0, 0.0});
    psi(324, 0) = {0.5, 0.5};             // m 1, d 3, cell (4, 4)
    psi(239, 0) = {0.0, std::sqrt(0.2)};  // m 1, d 0, cell (2, 4)
    psi(200, 0) = {std::sqrt(0.3), 0.0};  // m 0, d 8, cell (0, 0)
    const double expected[] = {0.5, 0.2, 0.3};
    for (int action = 0; action < 3; ++action)
        EXPECT_NEAR(expected[action], qdm->actionProbability(0, action), 1e-12) << "action " << action;
    // Action 3 is one past the last point: no cell maps to it.
    for (const auto& [space, action] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 3}, {0, 4}})
        EXPECT_EQ(0.0, qdm->actionProbability(space, action)) << space << " " << action;

    // The measuring text writes any variable named like its temporaries; with such a
    // variable about, the text itself runs, with the same numbers.
    qdm->evaluateText("new integer QDM-temp-Space.1.size", true);
    for (int action = 0; action < 3; ++action)
        EXPECT_NEAR(expected[action], qdm->actionProbability(0, action), 1e-12) << "action " << action;
    tala::interp::Variable written;
    tala::interp::lookup(qdm->variables, "QDM-temp-Space.1.size", written);
    EXPECT_EQ(25, written.getInteger());
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
