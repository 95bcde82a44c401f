// Sensing carried from agent to agent within a frame (app/sim/FrameSensing.h) and the
// grid of close neighbours against sensing each agent from scratch: the same wishes and,
// over whole frames, the same places, bit for bit, in any order of steps.
#include "app/sim/FrameSensing.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace flock {
namespace {

Agent placed(float x, float y, float heading) {
    Agent agent;
    agent.x = x, agent.y = y, agent.heading = heading, agent.targetHeading = heading;
    return agent;
}

// Agents spread over `spread` units, some on top of one another, a few not finite.
std::vector<Agent> randomFlock(std::mt19937& random, int count, float spread, bool oddPlaces) {
    std::uniform_real_distribution<float> place(-spread, spread), heading(0, 360);
    std::vector<Agent> agents;
    for (int i = 0; i < count; ++i) {
        agents.push_back(placed(place(random), place(random), heading(random)));
        if (i > 0 && i % 7 == 0) agents.back().x = agents[i - 1].x, agents.back().y = agents[i - 1].y;
    }
    if (oddPlaces && count > 4) {
        agents[1].x = std::numeric_limits<float>::quiet_NaN();
        agents[2].y = std::numeric_limits<float>::infinity();
        agents[3].x = -std::numeric_limits<float>::infinity();
        agents[4].x = 3e38f;
    }
    return agents;
}

// Decides as its last stimulus says, so that every wish shows in the agents' places.
class ObeyingMind : public AgentMind {
public:
    void runCommand(std::string_view text) override {
        for (const char* side : {"center", "left", "right"})
            if (text.ends_with(std::string(" ") + side)) last_ = side;
    }
    void runCommand(std::string_view, tala::interp::Object& result) override {
        result.setString(last_ == "center" ? "forward" : last_);
    }

private:
    std::string last_ = "center";
};

// A copy of the places and headings, each agent with a mind of its own deciding every step,
// or, `staggered`, every first to fourth step from counters apart (steps between sense nothing).
std::vector<Agent> obeying(const std::vector<Agent>& agents, bool staggered = false) {
    std::vector<Agent> copy;
    for (const Agent& agent : agents) {
        copy.push_back(placed(agent.x, agent.y, agent.heading));
        copy.back().mind = std::make_unique<ObeyingMind>();
        copy.back().thinkPeriod = staggered ? 1 + static_cast<int>(copy.size() % 4) : 1;
        copy.back().stepCounter = staggered ? static_cast<int>(copy.size() % 5) : 0;
    }
    return copy;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void expectSamePlaces(const std::vector<Agent>& a, const std::vector<Agent>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_TRUE(sameBits(a[i].x, b[i].x)) << i;
        ASSERT_TRUE(sameBits(a[i].y, b[i].y)) << i;
        ASSERT_TRUE(sameBits(a[i].heading, b[i].heading)) << i;
        ASSERT_TRUE(sameBits(a[i].targetHeading, b[i].targetHeading)) << i;
    }
}

TEST(NeighbourGrid, FindsTheSidesTheWholeFlockGivesInCloseAndSpreadFlocks) {
    std::mt19937 random(5);
    int marked = 0;
    for (int n = 0; n < 300; ++n) {
        const float spread = n % 3 == 0 ? 3.0f : (n % 3 == 1 ? 30.0f : 300.0f);
        const std::vector<Agent> agents = randomFlock(random, 5 + n % 120, spread, n % 2 == 0);
        const float reaches[] = {2.0f, 0.25f, 50.0f, 1e-20f};
        for (const float distanceSquared : reaches) {
            NeighbourGrid grid;
            if (!grid.build(agents, distanceSquared)) {
                EXPECT_EQ(distanceSquared, 1e-20f);  // too small a cell: the caller tests every agent
                continue;
            }
            for (std::size_t i = 0; i < agents.size(); ++i) {
                TurnWish whole, cells;
                awayFromCloseNeighbours(agents, i, distanceSquared, whole);
                grid.awayFromCloseNeighbours(agents, i, distanceSquared, cells);
                ASSERT_EQ(whole.left, cells.left) << n << " agent " << i;
                ASSERT_EQ(whole.right, cells.right) << n << " agent " << i;
                marked += whole.left || whole.right;
            }
        }
    }
    EXPECT_GT(marked, 5000);
}

TEST(NeighbourGrid, AgentsThatMoveAreFoundInTheirNewCells) {
    std::mt19937 random(6);
    std::uniform_real_distribution<float> step(-3, 3);
    std::vector<Agent> agents = randomFlock(random, 80, 20, true);
    NeighbourGrid grid;
    ASSERT_TRUE(grid.build(agents, 2.0f));
    for (int round = 0; round < 50; ++round) {
        for (std::size_t i = 0; i < agents.size(); ++i) {
            agents[i].x += step(random), agents[i].y += step(random);
            if (round == 20 && i == 5) agents[i].y = std::numeric_limits<float>::quiet_NaN();
            if (round == 30 && i == 5) agents[i].y = 1;
            grid.move(agents, i);
        }
        for (std::size_t i = 0; i < agents.size(); ++i) {
            TurnWish whole, cells;
            awayFromCloseNeighbours(agents, i, 2.0f, whole);
            grid.awayFromCloseNeighbours(agents, i, 2.0f, cells);
            ASSERT_EQ(whole.left, cells.left) << round << " agent " << i;
            ASSERT_EQ(whole.right, cells.right) << round << " agent " << i;
        }
    }
}

// Frames without minds, each agent steered by steerAgent and by FrameSensing.
void flyBoth(const std::vector<Agent>& start, WorldSettings world, int frames, std::mt19937& random,
             bool shuffledSteps, bool staggered = false) {
    world.thinksPerDecision = 1;
    std::vector<Agent> agents = obeying(start, staggered);
    std::vector<Agent> sensed = obeying(start, staggered);
    FrameSensing sensing;
    std::uniform_int_distribution<int> pick(0, 9);
    for (int frame = 0; frame < frames; ++frame) {
        for (std::size_t i = 0; i < agents.size(); ++i) {
            // Out-of-order steps, as a caller might take them, start afresh.
            std::size_t index = i;
            if (shuffledSteps && pick(random) == 0) index = (i * 7 + 3) % agents.size();
            steerAgent(agents, index, 60, world);
            sensing.steer(sensed, index, 60, world);
        }
        ASSERT_NO_FATAL_FAILURE(expectSamePlaces(agents, sensed)) << "frame " << frame;
    }
}

TEST(FrameSensing, FramesFlyAsSensingEachAgentAfreshDoes) {
    std::mt19937 random(7);
    WorldSettings world;
    // A close flock, a flock spread over many cells (the grid), and one with broken places.
    flyBoth(randomFlock(random, 64, 2, false), world, 120, random, false);
    flyBoth(randomFlock(random, 100, 40, false), world, 120, random, false);
    flyBoth(randomFlock(random, 60, 40, true), world, 60, random, false);
    flyBoth(randomFlock(random, 70, 30, false), world, 60, random, true);
    world.neighbourDistance = 6;
    flyBoth(randomFlock(random, 90, 60, false), world, 60, random, true);
    world.neighbourDistance = 0;
    flyBoth(randomFlock(random, 50, 60, false), world, 30, random, false);
    flyBoth(randomFlock(random, 5, 2, false), WorldSettings{}, 30, random, false);
    world.neighbourDistance = 1.5;
    flyBoth(randomFlock(random, 64, 3, false), world, 90, random, false, true);
    flyBoth(randomFlock(random, 80, 40, false), world, 90, random, true, true);
}

TEST(FrameSensing, ForgettingAfterAPlaceChangesKeepsTheSteps) {
    std::mt19937 random(8);
    const std::vector<Agent> start = randomFlock(random, 60, 30, false);
    std::vector<Agent> agents = obeying(start);
    std::vector<Agent> sensed = obeying(start);
    FrameSensing sensing;
    for (int frame = 0; frame < 40; ++frame) {
        for (std::size_t i = 0; i < agents.size(); ++i) {
            if (frame % 10 == 5 && i == 30) {
                // A place changed between two steps of one frame, as resetAgents does.
                agents[3].x = sensed[3].x = 0;
                sensing.forget();
            }
            WorldSettings world;
            world.thinksPerDecision = 1;
            steerAgent(agents, i, 60, world);
            sensing.steer(sensed, i, 60, world);
        }
        ASSERT_NO_FATAL_FAILURE(expectSamePlaces(agents, sensed)) << "frame " << frame;
    }
}

}  // namespace
}  // namespace flock
