// The quick side test for close neighbours against the whole-degree rule, neighbour by
// neighbour, with most neighbours put near the heading line where the two could part.
#include "app/sim/CloseNeighbours.h"
#include <gtest/gtest.h>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace flock {
namespace {

Agent placed(float x, float y, float heading) {
    Agent agent;
    agent.x = x, agent.y = y, agent.heading = heading;
    return agent;
}

std::vector<Agent> flockOf(std::initializer_list<std::array<float, 3>> places) {
    std::vector<Agent> agents;
    for (const auto& [x, y, heading] : places) agents.push_back(placed(x, y, heading));
    return agents;
}

TEST(CloseNeighbours, EachSideIsTheOneTheWholeDegreesGive) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> place(-300, 300), heading(-720, 720), unit(0, 1);
    std::uniform_int_distribution<int> nearLine(-400, 400);
    int clearCases = 0, lineCases = 0;
    for (int n = 0; n < 200000; ++n) {
        std::vector<Agent> agents = flockOf({{place(random), place(random), heading(random)}});
        // Every other neighbour within a few degrees of the heading line, ahead or behind.
        const int h = reducedDegrees(agents[0].heading);
        double degrees = n % 2 ? h + nearLine(random) / 100.0 + (n % 4 == 1 ? 180 : 0) : unit(random) * 360;
        const double reach = n % 50 == 0 ? 1.5 : 1.42 * unit(random);
        const float x = agents[0].x + static_cast<float>(reach * std::cos(degrees * std::numbers::pi / 180));
        const float y = agents[0].y + static_cast<float>(reach * std::sin(degrees * std::numbers::pi / 180));
        agents.push_back(placed(x, y, 0));
        const float dx = x - agents[0].x, dy = y - agents[0].y;
        const bool close = dx * dx + dy * dy <= 2.0f;
        const int side = close ? sideAwayFrom(dx, dy, h) : 0;
        (side == 0 && close ? lineCases : clearCases) += 1;
        TurnWish wish;
        awayFromCloseNeighbours(agents, 0, 2.0f, wish);
        ASSERT_EQ(wish.right, side > 0) << n << ": " << dx << " " << dy << " heading " << agents[0].heading;
        ASSERT_EQ(wish.left, side < 0) << n << ": " << dx << " " << dy << " heading " << agents[0].heading;
    }
    EXPECT_GT(lineCases, 500);  // the cases that mark neither side were reached
    EXPECT_GT(clearCases, 100000);
}

TEST(CloseNeighbours, BothSidesOnceAnyTwoPushApartAndNothingFromTheAgentItself) {
    const std::vector<Agent> agents = flockOf({{5, 5, 90}, {4, 5.5f, 0}, {5, 5, 0}, {6, 4.8f, 0}});
    TurnWish wish;
    awayFromCloseNeighbours(agents, 0, 2.0f, wish);
    EXPECT_TRUE(wish.left && wish.right);
    wish = {};
    awayFromCloseNeighbours(agents, 2, 2.0f, wish);  // the agent at the same place as 0: bearing 0, heading 0
    EXPECT_TRUE(wish.left && wish.right);
    wish = {};
    awayFromCloseNeighbours(flockOf({{0, 0, 0}, {0, 0, 0}, {NAN, 0, 0}}), 0, 2.0f, wish);
    EXPECT_FALSE(wish.left || wish.right);
}

}  // namespace
}  // namespace flock
