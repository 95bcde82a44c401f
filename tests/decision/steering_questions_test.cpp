// What a steering host asks of its decision maker: whether it can steer, and the odds.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "DecisionFixture.h"
#include "LiteralRoutes.h"
#include "decision/SteeringQuestions.h"

namespace {

constexpr const char* kActions[] = {"forward", "left", "right"};
constexpr const char* kStimuli[] = {"center", "left", "right"};

std::unique_ptr<vex::QDM> steerer() {
    return fixture::flockSystem({{"forward", {0}}, {"left", {1}}, {"right", {-1}}});
}

}  // namespace

TEST(SteeringQuestions, NameTheFirstMissingPieceAndNothingOnceAllFit) {
    auto qdm = steerer();
    EXPECT_EQ(vex::steeringProblem(*qdm, kActions, kStimuli), "no sensor named 'center'");
    for (const char* name : kStimuli) qdm->addSensor(name);
    EXPECT_EQ(vex::steeringProblem(*qdm, kActions, kStimuli), "");
    const char* up[] = {"up"};
    EXPECT_EQ(vex::steeringProblem(*qdm, up, kStimuli), "action space 0 has no action 'up'");

    const std::string size = std::to_string(qdm->sensorSize());
    qdm->sensors[1].unitary.resize(2, 2);
    EXPECT_EQ(vex::steeringSensorProblem(*qdm, kStimuli),
              "sensor 'left' is 2 x 2, the decision maker needs " + size + " x " + size);
    qdm->sensors[1].unitary.resize(static_cast<int>(qdm->systemSize()), static_cast<int>(qdm->systemSize()));
    EXPECT_EQ(vex::steeringProblem(*qdm, kActions, kStimuli), "");  // a whole-system sensor applies too

    literal::variableMatrix(*qdm, "Tops").resize(2, 2);
    EXPECT_EQ(vex::steeringProblem(*qdm, kActions, kStimuli),
              "the decision maker was not finalised (no state psi.0 or transition operator Tops of its size)");
}

TEST(SteeringQuestions, OddsAreTheActionProbabilitiesAndChangeNothing) {
    auto qdm = steerer();
    qdm->addSensor("left");
    qdm->applyOp("left");
    qdm->think();
    const linalg::Matrix before = literal::variableMatrix(*qdm, "psi.0");
    std::srand(4);
    const char* asked[] = {"right", "forward", "left"};
    const auto odds = vex::actionOdds(*qdm, asked);
    const int next = std::rand();
    std::srand(4);
    EXPECT_EQ(next, std::rand());  // no draw
    ASSERT_TRUE(odds.has_value());
    EXPECT_EQ(*odds, std::vector<double>({qdm->actionProbability(0, 2), qdm->actionProbability(0, 0),
                                          qdm->actionProbability(0, 1)}));
    EXPECT_NEAR((*odds)[0] + (*odds)[1] + (*odds)[2], 1.0, 1e-9);
    EXPECT_EQ(0, std::memcmp(before.data(), literal::variableMatrix(*qdm, "psi.0").data(),
                             sizeof(linalg::Complex) * before.entryCount()));
    const char* unknown[] = {"forward", "up"};
    EXPECT_FALSE(vex::actionOdds(*qdm, unknown).has_value());
}
