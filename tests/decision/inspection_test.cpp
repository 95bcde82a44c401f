// A key stops a scoring of any length, as it stops a loop. What scoring prints is
// checked by golden/mistakes/scoring.

#include <gtest/gtest.h>

#include "decision/Inspection.h"
#include "support/Failure.h"
#include "tests/decision/DecisionFixture.h"
#include "tests/support/TypedKeys.h"

TEST_F(TypedKeys, AKeyStopsScoring) {
    auto qdm = fixture::flockSystem({{"forward", {0}}, {"left", {-1}}, {"right", {1}}});
    qdm->addSensor("center");
    const std::vector<vex::Rule> rules = {vex::Rule{{{"center"}}, 0, {{0, 0, 1.0}}}};
    type("q");
    EXPECT_EQ("Error: User break.", failureOf([&] { vex::scoreRules(*qdm, rules, 200000, 1); }));
}
