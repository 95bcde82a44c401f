// Probabilities of each decision, against basis states built as full columns.

#include <gtest/gtest.h>

#include <cstdlib>

#include "DecisionFixture.h"
#include "LiteralRoutes.h"

namespace {

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

TEST(ActionProbability, OfTheStartingStateIsCertain) {
    // Row 0 puts both Action registers at grid cell 0, nearest to right (1, 2).
    auto qdm = fixture::finishedDecisionMaker();
    EXPECT_NEAR(0.0, qdm->actionProbability(0, 0), 1e-15);
    EXPECT_NEAR(1.0, qdm->actionProbability(0, 2), 1e-15);
}

TEST(ActionProbability, IsZeroOutsideTheSpacesAndActions) {
    auto qdm = fixture::finishedDecisionMaker();
    EXPECT_EQ(0.0, qdm->actionProbability(-1, 0));
    EXPECT_EQ(0.0, qdm->actionProbability(1, 0));
    EXPECT_EQ(0.0, qdm->actionProbability(0, -1));
    EXPECT_EQ(0.0, qdm->actionProbability(0, 3));  // one past the last point: no cell maps to it
    EXPECT_EQ(0.0, qdm->actionProbability(0, 4));
}

TEST(ActionProbability, LeavesNoVariablesBehind) {
    auto qdm = fixture::finishedDecisionMaker();
    const std::size_t before = qdm->variables.size();
    qdm->actionProbability(0, 1);
    EXPECT_EQ(before, qdm->variables.size());
}

}  // namespace
