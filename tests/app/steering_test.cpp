#include "app/sim/Steering.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include "RecordingMind.h"
#include "tests/support/StreamCapture.h"

namespace flock {
namespace {

using testing::MindRecord;

const std::string kCenter = kStimulusCommandPrefix + "center";
const std::string kLeft = kStimulusCommandPrefix + "left";
const std::string kRight = kStimulusCommandPrefix + "right";

Agent agentAt(float x, float y, float heading, std::optional<float> target = {}) {
    Agent agent;
    agent.x = x, agent.y = y, agent.heading = heading, agent.targetHeading = target.value_or(heading);
    return agent;
}

std::shared_ptr<MindRecord> giveMind(Agent& agent) {
    auto record = std::make_shared<MindRecord>();
    agent.mind = std::make_unique<testing::RecordingMind>(record);
    return record;
}

TEST(Angles, DistanceIsTheShortestWayRoundAndReductionTruncatesThenWraps) {
    const int cases[][3] = {{10, 350, 20}, {0, 181, 179}, {720, 181, 179}, {-400, 400, 80}, {359, -359, 2}};
    for (const auto& c : cases) EXPECT_EQ(angleDistance(c[0], c[1]), c[2]) << c[0] << " " << c[1];
    // Out of the integer range or not a number: still an angle, never undefined.
    for (auto [degrees, reduced] :
         {std::pair{359.9, 359}, {-0.5, 0}, {-1.5, 359}, {-725.0, 355}, {1e12, 280}, {std::nan(""), 0}})
        EXPECT_EQ(reducedDegrees(degrees), reduced) << degrees;
}

using Place = std::array<float, 3>;  // x, y, heading

// The sides an agent at the origin heading along x wants to turn to, among others placed to test one rule.
std::string turnsAmong(std::initializer_list<Place> others) {
    std::vector<Agent> agents;
    agents.push_back(agentAt(0, 0, 0));
    for (const auto& [x, y, heading] : others) agents.push_back(agentAt(x, y, heading));
    const TurnWish wish = senseOthers(agents, 0);
    return std::string(wish.left ? "left" : "") + (wish.right ? "right" : "");
}

Place around(double degrees) {  // heading along x, 20 away in the given direction
    return {static_cast<float>(20 * std::cos(degrees * kRadiansPerDegree)),
            static_cast<float>(20 * std::sin(degrees * kRadiansPerDegree)), 0};
}

TEST(SensingTest, CloseNeighboursPushTheAgentAwayAndWinOverTheOtherRules) {
    EXPECT_EQ(turnsAmong({{0, 1, 0}}), "right");  // on the left
    EXPECT_EQ(turnsAmong({{0.5f, -1, 0}}), "left");
    EXPECT_EQ(turnsAmong({{1, 1, 0}, {0, -1, 90}}), "leftright");  // distance squared exactly 2: still close
    EXPECT_EQ(turnsAmong({{1, 0, 0}, {1.01f, 1, 0}, {1.01f, -1, 0}}), "");  // ahead, or beyond reach
    EXPECT_EQ(turnsAmong({{0, 1, 90}, {-30, 30, 90}}), "right");  // alignment and cohesion say left
}

TEST(SensingTest, AlignmentActsBeyondTenDegreesAndCohesionBeyondTwenty) {
    for (auto [heading, turns] : {std::pair<float, std::string>{10, ""}, {350, ""}, {11, "left"}, {349, "right"}})
        EXPECT_EQ(turnsAmong({{20, 0, heading}, {20, 0, heading}}), turns) << heading;
    for (auto [degrees, turns] : {std::pair<double, std::string>{20.5, ""}, {21.5, "left"}, {-21.5, "right"}})
        EXPECT_EQ(turnsAmong({around(degrees), around(degrees)}), turns) << degrees;
}

TEST(Thinking, StimulusFollowsTheFlagsAndEveryFourthThoughtDecides) {
    Agent agent = agentAt(0, 0, 100);
    auto mind = giveMind(agent);
    mind->decisions = {"left", "right", "sideways", "forward"};
    for (auto [left, right] : {std::pair{false, false}, {true, true}, {true, false}, {false, true}})
        thinkAgent(agent, left, right);
    EXPECT_EQ(mind->commands, (std::vector<std::string>{kCenter, kThinkCommand, kCenter, kThinkCommand, kLeft,
                                                        kThinkCommand, kRight, kThinkCommand, kDecideCommand}));
    EXPECT_FLOAT_EQ(agent.targetHeading, 120);
    for (float expected : {80.0f, 80.0f, 100.0f}) {  // right, sideways (ignored), forward
        agent.thinkCount = 3;
        thinkAgent(agent, false, false);
        EXPECT_FLOAT_EQ(agent.targetHeading, expected);
    }
}

TEST(Turning, TurnsAt576DegreesASecondFlies7point2UnitsAndLandsOnTheTarget) {
    Agent agent = agentAt(0, 0, 100, 170);
    turnAndMove(agent, 144);
    EXPECT_NEAR(agent.heading, 104, 1e-3);  // 576 / 144 degrees
    agent = agentAt(0, 0, 90);
    for (int frame = 0; frame < 60; ++frame) turnAndMove(agent, 60);
    EXPECT_NEAR(agent.x, 0, 1e-3);
    EXPECT_NEAR(agent.y, 7.2, 1e-3);
    turnAndMove(agent, 0);  // no measured rate yet: no step at all
    EXPECT_NEAR(agent.y, 7.2, 1e-3);
    agent = agentAt(0, 0, 100.5f, 120.9f);  // the heading loses its fraction each step, never swinging past
    std::vector<float> headings;
    for (int frame = 0; frame < 4; ++frame) turnAndMove(agent, 60), headings.push_back(agent.heading);
    EXPECT_EQ(headings, (std::vector<float>{109.6f, 118.6f, 120, 120}));
    agent = agentAt(0, 0, 100, 280);  // exactly behind: no side is nearer
    turnAndMove(agent, 60);
    EXPECT_FLOAT_EQ(agent.heading, 100);
    agent = agentAt(0, 0, 5, 340);  // across zero: -4.6 truncates towards zero, to 356
    turnAndMove(agent, 60);
    EXPECT_NEAR(agent.heading, -4.6, 1e-3);
    turnAndMove(agent, 60);
    EXPECT_NEAR(agent.heading, 346.4, 1e-3);
}

TEST(Steering, ThinksEveryThirdStepDecidesEveryTwelfthAndPrintsEachFailureOnce) {
    std::vector<Agent> agents;
    agents.push_back(agentAt(0, 0, 0));
    agents.push_back(agentAt(0, 1, 0));  // close, on the left
    auto mind = giveMind(agents[0]);
    mind->failOn = kStimulusCommandPrefix;
    OutputCapture printed;
    for (int step = 0; step < 24; ++step) steerAgent(agents, 0, 60);
    // Every command was still sent; decisions came without a value.
    ASSERT_EQ(mind->commands.size(), 8u * 2 + 2);
    EXPECT_EQ(mind->commands[0], kRight);
    EXPECT_EQ(mind->commands[8], kDecideCommand);
    EXPECT_EQ(printed.text(), "Error: Error 1 in operator=\nError: getString error - type is NULL or not string\n");
    EXPECT_NEAR(agents[0].x, 24 * 0.12, 1e-3);
    FailureLog log;  // distinct texts stop at a limit
    for (std::size_t i = 0; i < FailureLog::kLimit; ++i) EXPECT_TRUE(log.firstTime("text " + std::to_string(i)));
    EXPECT_FALSE(log.firstTime("text 0"));
    EXPECT_FALSE(log.firstTime("one more"));
}

TEST(World, EachSettingMovesItsRule) {
    WorldSettings world;
    setWorldSetting(world, "neighbour_distance", 3);
    std::vector<Agent> agents;
    agents.push_back(agentAt(0, 0, 0));
    agents.push_back(agentAt(0, 2.9f, 0));
    EXPECT_TRUE(senseOthers(agents, 0, world).right);  // beyond the default reach, within this one
    EXPECT_FALSE(senseOthers(agents, 0).right);
    setWorldSetting(world, "alignment_threshold", 30);
    agents[1] = agentAt(20, 0, 25);
    agents.push_back(agentAt(20, 0, 25));
    EXPECT_FALSE(senseOthers(agents, 0, world).left);
    EXPECT_TRUE(senseOthers(agents, 0).left);

    world = {};
    setWorldSetting(world, "decision_turn", 45);
    setWorldSetting(world, "thinks_per_decision", 2);
    Agent agent = agentAt(0, 0, 100);
    auto mind = giveMind(agent);
    mind->decisions = {"left"};
    thinkAgent(agent, false, false, world);
    EXPECT_FLOAT_EQ(agent.targetHeading, 100);
    thinkAgent(agent, false, false, world);
    EXPECT_FLOAT_EQ(agent.targetHeading, 145);

    world = {};
    setWorldSetting(world, "turn_rate", 60);
    setWorldSetting(world, "speed", 1);
    agent = agentAt(0, 0, 90, 180);
    for (int frame = 0; frame < 60; ++frame) turnAndMove(agent, 60, world);
    EXPECT_NEAR(agent.heading, 150, 1e-3);  // 1 degree a frame
    EXPECT_LT(std::hypot(agent.x, agent.y), 1.0 + 1e-3);
}

TEST(World, NoiseDrawsOnlyWhenSetAndStaysWithinItsBound) {
    Agent agent = agentAt(0, 0, 100);
    auto mind = giveMind(agent);
    mind->decisions.assign(401, "forward");
    std::srand(7);
    const int next = (std::srand(7), std::rand());
    std::srand(7);
    agent.thinkCount = 3;
    thinkAgent(agent, false, false, WorldSettings{});
    EXPECT_EQ(std::rand(), next);  // no noise: the generator is untouched
    WorldSettings noisy;
    setWorldSetting(noisy, "noise", 10);
    float lowest = 360, highest = -360;
    for (int decision = 0; decision < 400; ++decision) {
        agent.thinkCount = 3;
        thinkAgent(agent, false, false, noisy);
        lowest = std::min(lowest, agent.targetHeading - agent.heading);
        highest = std::max(highest, agent.targetHeading - agent.heading);
    }
    EXPECT_GE(lowest, -10);
    EXPECT_LE(highest, 10);
    EXPECT_LT(lowest, -8);  // both ways, most of the width
    EXPECT_GT(highest, 8);
}

TEST(World, SettingsAreCheckedByName) {
    WorldSettings world;
    const auto refusal = [&](std::string_view name, double value) {
        try { setWorldSetting(world, name, value); } catch (const std::runtime_error& e) { return std::string(e.what()); }
        return std::string();
    };
    EXPECT_NE(refusal("nosie", 1).find("unknown setting 'nosie'; the settings are neighbour_distance, "), std::string::npos);
    EXPECT_EQ(refusal("noise", 181), "noise must be from 0 to 180 degrees, not 181");
    EXPECT_EQ(refusal("noise", std::nan("")), "noise must be from 0 to 180 degrees, not nan");
    EXPECT_EQ(refusal("think_period", 2.5), "think_period must be a whole number, not 2.5");
    EXPECT_EQ(refusal("think_period", 0), "think_period must be from 1 to 1000 steps, not 0");
    EXPECT_EQ(world, WorldSettings{});  // refusals change nothing
    for (const WorldSetting& row : worldSettingTable()) {
        EXPECT_EQ(WorldSettings{}.*(row.field), row.defaultValue) << row.name;
        EXPECT_TRUE(row.defaultValue >= row.low && row.defaultValue <= row.high) << row.name;
    }
}

}  // namespace
}  // namespace flock
