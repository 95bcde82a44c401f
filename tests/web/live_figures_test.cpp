// The page's live figures: distance and polarisation per frame, and the share of decisions that followed their
// stimulus, counted through the wrapped minds.
#include <gtest/gtest.h>
#include <array>
#include <initializer_list>
#include <limits>
#include <tuple>
#include <vector>
#include "app/sim/Steering.h"
#include "tests/app/RecordingMind.h"
#include "web/LiveFigures.h"

namespace flock::web {
namespace {

// Agents at (x, y, heading); they are not copied: made in place.
std::vector<Agent> agentsAt(std::initializer_list<std::array<float, 3>> places) {
    std::vector<Agent> agents;
    for (const auto& [x, y, heading] : places) {
        Agent& agent = agents.emplace_back();
        std::tie(agent.x, agent.y, agent.heading) = std::tie(x, y, heading);
    }
    return agents;
}

TEST(LiveFigures, AveragesTheFramesSinceTakenAndSkipsFramesThatFlewOffToInfinity) {
    LiveFigures figures;
    EXPECT_EQ(figures.take(), "0.000 0.000 -1.000");        // no frame, no decision yet
    figures.addFrame(agentsAt({{0, 0, 0}, {2, 0, 0}}));     // distance 1, aligned
    figures.addFrame(agentsAt({{0, 0, 90}, {0, 4, 270}}));  // distance 2, opposed
    figures.addFrame(agentsAt({{std::numeric_limits<float>::infinity(), 0, 0}, {0, 0, 0}}));
    figures.addFrame({});
    EXPECT_EQ(figures.take(), "1.500 0.500 -1.000");
    EXPECT_EQ(figures.take(), "0.000 0.000 -1.000");
}

TEST(LiveFigures, CountsTheAnsweredDecisionsThatFollowTheirStimulus) {
    LiveFigures figures;
    auto first = std::make_shared<testing::MindRecord>(), second = std::make_shared<testing::MindRecord>();
    auto a = figures.watch(std::make_unique<testing::RecordingMind>(first));
    auto b = figures.watch(std::make_unique<testing::RecordingMind>(second));
    const std::string left = "left", forward = "forward";
    a->decided("left", &left);        // follows
    b->decided("right", &forward);    // does not
    a->decided("center", &forward);   // follows
    a->runCommand(kThinkCommand);
    EXPECT_EQ(figures.take(), "0.000 0.000 0.667");
    EXPECT_EQ(first->commands.size(), 1u);  // the commands reach the minds unchanged
    b->decided("left", nullptr);  // no answer: no decision
    EXPECT_EQ(figures.take(), "0.000 0.000 -1.000");
}

}  // namespace
}  // namespace flock::web
