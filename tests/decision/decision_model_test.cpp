// Building a decision maker, its sensors, and choosing the nearest action.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "DecisionFixture.h"
#include "LiteralRoutes.h"
#include "linalg/Failure.h"

namespace {

std::int32_t integerVariable(vex::QDM& qdm, const std::string& name) {
    tala::interp::Variable found;
    tala::interp::lookup(qdm.variables, name, found);
    return found.getInteger();
}

TEST(Finalize, SizesRegistersAndStartingState) {
    auto qdm = fixture::finishedDecisionMaker();
    EXPECT_EQ(2, qdm->memorySize);
    EXPECT_EQ(9, qdm->deltaSize);
    EXPECT_EQ(25, qdm->actionSize);
    EXPECT_EQ(450, integerVariable(*qdm, "system-size"));
    EXPECT_EQ(2, integerVariable(*qdm, "Action.0.center"));
    EXPECT_EQ(-1, integerVariable(*qdm, "Delta.0.1.dir.0"));
    const linalg::Matrix& psi = literal::variableMatrix(*qdm, "psi.0");
    ASSERT_EQ(450, psi.rows());
    ASSERT_EQ(1, psi.cols());
    EXPECT_EQ(1.0, psi(0, 0).re);
    for (int r = 1; r < 450; ++r) EXPECT_EQ(0.0, psi(r, 0).re);
}

TEST(Finalize, ShiftsPointsToGridPositionsAndRecordsDirections) {
    auto qdm = fixture::finishedDecisionMaker();
    EXPECT_EQ(vex::Coordinates({3, 2}), qdm->actionSpaces[0].points[0].coordinates);
    EXPECT_EQ(vex::Coordinates({1, 2}), qdm->actionSpaces[0].points[2].coordinates);
    EXPECT_EQ(1, integerVariable(*qdm, "Action.0.0.direction.0"));
    EXPECT_EQ(0, integerVariable(*qdm, "Action.0.0.direction.1"));
    EXPECT_EQ(-1, integerVariable(*qdm, "Action.0.2.direction.0"));
}

TEST(Finalize, RefusesASystemTooLargeToAddressBeforeChangingAnything) {
    vex::QDM qdm;
    vex::ActionSpace huge = fixture::flockSpace();
    huge.gridSize = 70000;  // 70000^2 cells do not fit a 32-bit size
    EXPECT_THROW(qdm.addActionSpace(huge), tala::Failure);
    EXPECT_TRUE(qdm.actionSpaces.empty());
    EXPECT_TRUE(qdm.variables.empty());

    huge.gridSize = 5;
    fixture::enterScriptFolder();
    qdm.addActionSpace(huge);
    EXPECT_THROW(qdm.finalize(100000000), tala::Failure);
    EXPECT_EQ(1, qdm.memorySize);
    EXPECT_EQ(vex::Coordinates({1, 0}), qdm.actionSpaces[0].points[0].coordinates);
}

TEST(RandomizeSensor, GivesAnglesInRangeAndAUnitaryOfTheDimension) {
    vex::Sensor sensor;
    vex::QDM::randomizeSensor(sensor, 3);
    EXPECT_EQ(4u, sensor.rotation.size());
    EXPECT_EQ(4u, sensor.phase.size());
    EXPECT_EQ(3u, sensor.offPhase.size());
    for (const auto* angles : {&sensor.rotation, &sensor.phase, &sensor.offPhase})
        for (double angle : *angles) {
            EXPECT_GE(angle, 0.0);
            EXPECT_LT(angle, 3.1415);
        }
    ASSERT_EQ(3, sensor.unitary.rows());
    EXPECT_TRUE(sensor.unitary.isUnitary());
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

TEST(FindAction, TakesTheFirstSpaceThenTheFirstPoint) {
    vex::QDM qdm;
    vex::ActionSpace first, second;
    first.points = {{"up", {0}}, {"both", {1}}};
    second.points = {{"both", {0}}, {"twice", {1}}, {"twice", {2}}};
    qdm.actionSpaces = {first, second};
    int space = -1, action = -1;
    ASSERT_TRUE(qdm.findAction("both", space, action));
    EXPECT_EQ(0, space);
    EXPECT_EQ(1, action);
    ASSERT_TRUE(qdm.findAction("twice", space, action));
    EXPECT_EQ(1, space);
    EXPECT_EQ(1, action);
    EXPECT_FALSE(qdm.findAction("Twice", space, action));
    EXPECT_EQ(1, action);
}

TEST(NearestAction, PrefersTheLowerIndexOnEqualDistance) {
    vex::QDM qdm;
    vex::ActionSpace space;
    space.points = {{"left", {3, 2}}, {"forward", {2, 3}}, {"right", {1, 2}}};
    qdm.actionSpaces = {space};
    vex::ActionPoint chosen;
    EXPECT_EQ(0, qdm.nearestAction(0, {3, 3}, &chosen));
    EXPECT_EQ("left", chosen.name);
    EXPECT_EQ(1, qdm.nearestAction(0, {2, 4}));
    EXPECT_EQ(2, qdm.nearestAction(0, {0, 2}));
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

TEST(Decide, InASpaceWithoutPointsAnswersZeroAndNoName) {
    fixture::enterScriptFolder();
    vex::QDM qdm;
    vex::ActionSpace empty;
    empty.movementMap = {{0}};
    qdm.addActionSpace(empty);
    qdm.finalize(1);
    qdm.prepare();
    EXPECT_EQ(0, qdm.decide(0));
    EXPECT_EQ("", qdm.decideName(0));
}

}  // namespace
