#include "app/Steering.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "RecordingMind.h"

namespace flock {
namespace {

using testing::MindRecord;
using testing::RecordingMind;

const std::string kCenter = kStimulusCommandPrefix + "center";
const std::string kLeft = kStimulusCommandPrefix + "left";
const std::string kRight = kStimulusCommandPrefix + "right";

Agent agentAt(float x, float y, float heading) {
    Agent agent;
    agent.x = x;
    agent.y = y;
    agent.heading = heading;
    agent.targetHeading = heading;
    return agent;
}

struct Place {
    float x, y, heading;
};

// Agents are not copyable (each owns its mind), so a flock is built in place.
std::vector<Agent> flockOf(std::initializer_list<Place> places) {
    std::vector<Agent> agents;
    for (const Place& p : places) agents.push_back(agentAt(p.x, p.y, p.heading));
    return agents;
}

std::shared_ptr<MindRecord> giveMind(Agent& agent) {
    auto record = std::make_shared<MindRecord>();
    agent.mind = std::make_unique<RecordingMind>(record);
    return record;
}

// The shortest way round, computed independently: the remainder of the difference.
int shortestWay(int a, int b) {
    int d = ((a - b) % 360 + 360) % 360;
    return d <= 180 ? d : 360 - d;
}

TEST(AngleDistance, ShortestWayRoundInWholeDegrees) {
    EXPECT_EQ(angleDistance(10, 350), 20);
    EXPECT_EQ(angleDistance(-90, 270), 0);
    EXPECT_EQ(angleDistance(0, 180), 180);
    EXPECT_EQ(angleDistance(725, 5), 0);
    EXPECT_EQ(angleDistance(0, 181), 179);
    EXPECT_EQ(angleDistance(-1, 1), 2);
    for (int a = -720; a <= 720; a += 7) {
        for (int b = -400; b <= 400; b += 13) {
            ASSERT_EQ(angleDistance(a, b), shortestWay(a, b)) << a << " " << b;
            ASSERT_EQ(angleDistance(a, b), angleDistance(b, a));
        }
    }
}

TEST(ReducedDegrees, TruncatesTowardsZeroThenWrapsIntoOneTurn) {
    EXPECT_EQ(reducedDegrees(359.9), 359);
    EXPECT_EQ(reducedDegrees(-0.5), 0);
    EXPECT_EQ(reducedDegrees(-1.5), 359);
    EXPECT_EQ(reducedDegrees(720.7), 0);
    EXPECT_EQ(reducedDegrees(-725.0), 355);
    EXPECT_EQ(reducedDegrees(1e12), static_cast<int>(std::fmod(1e12, 360.0)));
    EXPECT_EQ(reducedDegrees(std::nan("")), 0);
}

// Self at the origin heading along x; the others far ahead, so that only the rule
// under test can set a flag.
class SensingTest : public ::testing::Test {
protected:
    TurnWish sense() { return senseOthers(agents, 0); }
    std::vector<Agent> agents = flockOf({{0, 0, 0}});
};

TEST_F(SensingTest, CloseNeighbourOnOneSideMakesTheAgentWantTheOtherSide) {
    agents.push_back(agentAt(0, 1, 0));  // on the left
    TurnWish wish = sense();
    EXPECT_TRUE(wish.right);
    EXPECT_FALSE(wish.left);

    agents[1] = agentAt(0.5f, -1, 0);  // on the right
    wish = sense();
    EXPECT_TRUE(wish.left);
    EXPECT_FALSE(wish.right);
}

TEST_F(SensingTest, CloseNeighboursOnBothSidesSetBothFlags) {
    agents.push_back(agentAt(1, 1, 0));  // distance squared exactly 2: still close
    agents.push_back(agentAt(0, -1, 90));
    TurnWish wish = sense();
    EXPECT_TRUE(wish.left);
    EXPECT_TRUE(wish.right);
}

TEST_F(SensingTest, NeighbourStraightAheadOrBeyondReachSetsNothing) {
    agents.push_back(agentAt(1, 0, 0));       // dead ahead: both sides equally near
    agents.push_back(agentAt(1.01f, 1, 0));   // just beyond the distance
    agents.push_back(agentAt(1.01f, -1, 0));
    TurnWish wish = sense();
    EXPECT_FALSE(wish.left);
    EXPECT_FALSE(wish.right);
}

TEST_F(SensingTest, AlignmentActsOnlyBeyondTenDegrees) {
    agents.push_back(agentAt(20, 0, 0));
    agents.push_back(agentAt(20, 0, 0));
    auto withMeanHeading = [&](float heading) {
        agents[1].heading = heading;
        agents[2].heading = heading;
        return sense();
    };
    for (float h : {5.0f, 10.0f, 350.0f}) {
        TurnWish wish = withMeanHeading(h);
        EXPECT_FALSE(wish.left || wish.right) << h;
    }
    EXPECT_TRUE(withMeanHeading(11).left);
    EXPECT_TRUE(withMeanHeading(349).right);
    EXPECT_FALSE(withMeanHeading(349).left);
}

TEST_F(SensingTest, CohesionActsOnlyBeyondTwentyDegrees) {
    auto withCentreAt = [&](double degrees) {
        double r = degrees * kRadiansPerDegree;
        agents.resize(1);
        auto x = static_cast<float>(20 * std::cos(r));
        auto y = static_cast<float>(20 * std::sin(r));
        agents.push_back(agentAt(x, y, 0));
        agents.push_back(agentAt(x, y, 0));
        return sense();
    };
    TurnWish wish = withCentreAt(20.5);
    EXPECT_FALSE(wish.left || wish.right);
    wish = withCentreAt(21.5);
    EXPECT_TRUE(wish.left);
    EXPECT_FALSE(wish.right);
    wish = withCentreAt(-21.5);
    EXPECT_TRUE(wish.right);
    EXPECT_FALSE(wish.left);
}

TEST_F(SensingTest, SeparationWinsOverAlignmentAndCohesion) {
    agents.push_back(agentAt(0, 1, 90));  // close, on the left, heading far left
    agents.push_back(agentAt(-30, 30, 90));
    TurnWish wish = sense();
    EXPECT_TRUE(wish.right);
    EXPECT_FALSE(wish.left);
}

TEST(Thinking, StimulusFollowsTheFlags) {
    Agent agent = agentAt(0, 0, 0);
    auto mind = giveMind(agent);
    mind->decisions.push_back("forward");
    thinkAgent(agent, false, false);
    thinkAgent(agent, true, true);
    thinkAgent(agent, true, false);
    EXPECT_EQ(mind->commands,
              (std::vector<std::string>{kCenter, kThinkCommand, kCenter, kThinkCommand, kLeft, kThinkCommand}));
    mind->commands.clear();
    thinkAgent(agent, false, true);
    EXPECT_EQ(mind->commands, (std::vector<std::string>{kRight, kThinkCommand, kDecideCommand}));
}

TEST(Thinking, NeighbourOnTheLeftSendsRightNeighboursOnBothSidesSendCenter) {
    std::vector<Agent> agents = flockOf({{0, 0, 0}, {0, 1, 0}, {5, 5, 0}});
    agents[0].stepCounter = 2;
    auto mind = giveMind(agents[0]);
    steerAgent(agents, 0, 60);
    ASSERT_FALSE(mind->commands.empty());
    EXPECT_EQ(mind->commands.front(), kRight);

    agents[2] = agentAt(0, -1, 0);
    agents[0] = agentAt(0, 0, 0);
    agents[0].stepCounter = 2;
    mind = giveMind(agents[0]);
    steerAgent(agents, 0, 60);
    EXPECT_EQ(mind->commands.front(), kCenter);
}

TEST(Thinking, EveryThirdStepThinksAndEveryTwelfthDecides) {
    std::vector<Agent> agents = flockOf({{0, 0, 0}, {30, 0, 0}});
    auto mind = giveMind(agents[0]);
    mind->decisions = {"forward", "forward", "forward"};
    std::vector<int> thinkSteps, decideSteps;
    for (int step = 1; step <= 36; ++step) {
        std::size_t before = mind->commands.size();
        steerAgent(agents, 0, 60);
        for (std::size_t c = before; c < mind->commands.size(); ++c) {
            if (mind->commands[c] == kThinkCommand) thinkSteps.push_back(step);
            if (mind->commands[c] == kDecideCommand) decideSteps.push_back(step);
        }
    }
    EXPECT_EQ(thinkSteps, (std::vector<int>{3, 6, 9, 12, 15, 18, 21, 24, 27, 30, 33, 36}));
    EXPECT_EQ(decideSteps, (std::vector<int>{12, 24, 36}));
}

TEST(Thinking, DecisionSetsTheTargetHeading) {
    Agent agent = agentAt(0, 0, 100);
    auto mind = giveMind(agent);
    agent.thinkCount = 3;
    auto decide = [&](const std::string& decision) {
        mind->decisions.push_back(decision);
        agent.thinkCount = 3;
        thinkAgent(agent, false, false);
        return agent.targetHeading;
    };
    EXPECT_FLOAT_EQ(decide("left"), 120);
    EXPECT_FLOAT_EQ(decide("right"), 80);
    agent.heading = 90;
    EXPECT_FLOAT_EQ(decide("forward"), 90);
    agent.targetHeading = 33;
    EXPECT_FLOAT_EQ(decide("sideways"), 33);
    EXPECT_FLOAT_EQ(decide(""), 33);
    EXPECT_EQ(agent.thinkCount, 0);
}

TEST(Turning, TurnsAt576DegreesAndFlies7point2UnitsASecond) {
    for (float fps : {30.0f, 60.0f, 144.0f, 240.0f}) {
        Agent agent = agentAt(0, 0, 100);
        agent.targetHeading = 170;
        turnAndMove(agent, fps);
        EXPECT_NEAR(agent.heading - 100, 576.0 / fps, 1e-3) << fps;
        agent.heading = 100;
        agent.targetHeading = 30;
        turnAndMove(agent, fps);
        EXPECT_NEAR(100 - agent.heading, 576.0 / fps, 1e-3) << fps;
    }
    Agent agent = agentAt(0, 0, 90);
    for (int frame = 0; frame < 60; ++frame) turnAndMove(agent, 60);
    EXPECT_NEAR(agent.x, 0, 1e-3);
    EXPECT_NEAR(agent.y, 7.2, 1e-3);
    agent = agentAt(0, 0, 0);
    agent.speed = 2;
    for (int frame = 0; frame < 144; ++frame) turnAndMove(agent, 144);
    EXPECT_NEAR(agent.x, 14.4, 1e-3);
}

TEST(Turning, HeadingLosesItsFractionEveryStep) {
    Agent agent = agentAt(0, 0, 109.6f);
    agent.targetHeading = 200.9f;
    turnAndMove(agent, 60);
    EXPECT_FLOAT_EQ(agent.heading, 118.6f);
    EXPECT_FLOAT_EQ(agent.targetHeading, 200);
    agent = agentAt(0, 0, 90.4f);
    agent.targetHeading = 30;
    turnAndMove(agent, 60);
    EXPECT_FLOAT_EQ(agent.heading, 80.4f);
}

TEST(Turning, LeftDecisionTurnsTwentyDegreesAndStopsThere) {
    Agent agent = agentAt(0, 0, 100);
    auto mind = giveMind(agent);
    mind->decisions.push_back("left");
    agent.thinkCount = 3;
    thinkAgent(agent, false, false);
    std::vector<float> headings;
    for (int frame = 0; frame < 6; ++frame) {
        turnAndMove(agent, 60);
        headings.push_back(agent.heading);
    }
    EXPECT_EQ(headings, (std::vector<float>{109.6f, 118.6f, 120, 120, 120, 120}));

    mind->decisions.push_back("forward");
    agent.heading = 125.6f;  // mid-turn towards a later target
    agent.targetHeading = 140;
    agent.thinkCount = 3;
    thinkAgent(agent, false, false);
    turnAndMove(agent, 60);
    turnAndMove(agent, 60);
    EXPECT_FLOAT_EQ(agent.heading, 125);
}

TEST(Turning, TargetExactlyBehindIsNotTurnedTo) {
    Agent agent = agentAt(0, 0, 100);
    agent.targetHeading = 280;
    turnAndMove(agent, 60);
    EXPECT_FLOAT_EQ(agent.heading, 100);
}

TEST(Turning, TurnsAcrossZeroBothWays) {
    Agent agent = agentAt(0, 0, 355);
    agent.targetHeading = 20;
    turnAndMove(agent, 60);
    EXPECT_NEAR(agent.heading, 364.6, 1e-3);
    turnAndMove(agent, 60);
    EXPECT_NEAR(agent.heading, 13.6, 1e-3);
    agent = agentAt(0, 0, 5);
    agent.targetHeading = 340;
    turnAndMove(agent, 60);
    EXPECT_NEAR(agent.heading, -4.6, 1e-3);
    turnAndMove(agent, 60);  // -4.6 truncates towards zero: 356
    EXPECT_NEAR(agent.heading, 346.4, 1e-3);
}

TEST(CommandFailures, ArePrintedOnceAndTheAgentGoesOn) {
    std::vector<Agent> agents = flockOf({{0, 0, 0}, {30, 0, 0}});
    auto mind = giveMind(agents[0]);
    mind->failOn = kStimulusCommandPrefix;
    ::testing::internal::CaptureStdout();
    for (int step = 0; step < 24; ++step) steerAgent(agents, 0, 60);
    std::string printed = ::testing::internal::GetCapturedStdout();
    // Every command was still sent; decisions came without a value.
    EXPECT_EQ(mind->commands.size(), 8u * 2 + 2);
    EXPECT_EQ(printed,
              "Error: Error 1 in operator=\n"
              "Error: getString error - type is NULL or not string\n");
    EXPECT_NEAR(agents[0].x, 24 * 0.12, 1e-3);
}

TEST(CommandFailures, EachAgentReportsItsOwn) {
    Agent first = agentAt(0, 0, 0), second = agentAt(0, 0, 0);
    giveMind(first)->failOn = kThinkCommand;
    giveMind(second)->failOn = kThinkCommand;
    ::testing::internal::CaptureStdout();
    for (int i = 0; i < 3; ++i) {
        thinkAgent(first, false, false);
        thinkAgent(second, false, false);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Error: Error 1 in operator=\nError: Error 1 in operator=\n");
}

TEST(CommandFailures, DistinctTextsStopAtTheLimit) {
    FailureLog log;
    for (std::size_t i = 0; i < FailureLog::kLimit; ++i) EXPECT_TRUE(log.firstTime("text " + std::to_string(i)));
    EXPECT_FALSE(log.firstTime("text 0"));
    EXPECT_FALSE(log.firstTime("one more"));
}

}  // namespace
}  // namespace flock
