// Building a decision maker, its sensors, and the nearest action for odd points.

#include <gtest/gtest.h>

#include <cstdlib>

#include "DecisionFixture.h"

namespace {

TEST(Finalize, ShiftsPointsToGridPositions) {
    auto qdm = fixture::finishedDecisionMaker();
    EXPECT_EQ(vex::Coordinates({3, 2}), qdm->actionSpaces[0].points[0].coordinates);
    EXPECT_EQ(vex::Coordinates({1, 2}), qdm->actionSpaces[0].points[2].coordinates);
}

TEST(RandomizeSensor, OfDimensionOneDrawsNothing) {
    vex::Sensor sensor;
    std::srand(9);
    const int next = std::rand();
    std::srand(9);
    vex::QDM::randomizeSensor(sensor, 1);
    EXPECT_EQ(next, std::rand());
    EXPECT_TRUE(sensor.rotation.empty());
    EXPECT_EQ(std::vector<double>({0.0}), sensor.offPhase);
    ASSERT_EQ(1, sensor.unitary.rows());
    EXPECT_EQ(1.0, sensor.unitary(0, 0).re);
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
