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

TEST(ActionProbability, IsZeroOutsideTheSpacesAndActions) {
    auto qdm = fixture::finishedDecisionMaker();
    EXPECT_EQ(0.0, qdm->actionProbability(-1, 0));
    EXPECT_EQ(0.0, qdm->actionProbability(1, 0));
    EXPECT_EQ(0.0, qdm->actionProbability(0, -1));
    EXPECT_EQ(0.0, qdm->actionProbability(0, 3));  // one past the last point: no cell maps to it
    EXPECT_EQ(0.0, qdm->actionProbability(0, 4));
}

}  // namespace
