#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Flock.h"
#include "support/Failure.h"
#include "RecordingCanvas.h"
#include "RecordingMind.h"
#include "tests/support/StreamCapture.h"

namespace flock {
namespace {

using testing::MindRecord;

class FlockTest : public ::testing::Test {
protected:
    FlockTest() : app(clock) {}

    void makeFlock(unsigned seed, std::string failOn = "", FlockStart start = {}) {
        std::srand(seed);
        flock = createFlock(
            [this, failOn] {
                records.push_back(std::make_shared<MindRecord>());
                records.back()->failOn = failOn;
                return std::make_unique<testing::RecordingMind>(records.back());
            },
            start);
    }

    ManualClock clock;
    AppState app;
    testing::RecordingCanvas canvas;
    std::vector<std::shared_ptr<MindRecord>> records;
    std::unique_ptr<Flock> flock;
};

TEST_F(FlockTest, EachAgentRunsTheStartCommandsOnItsOwnMindAndIsMadeEvenWhenTheyFail) {
    OutputCapture printed;
    makeFlock(1, "file");
    ASSERT_EQ(records.size(), 8u);
    for (const auto& record : records) {
        EXPECT_EQ(record->commands, (std::vector<std::string>{"global (new vex::QDM QDM)", "vex::qdm::new (get QDM)",
                                                              "file vex_flock_setup.txt",
                                                              "vex::qdm::prepare (get QDM)"}));
    }
    std::string eightTimes;
    for (int i = 0; i < 8; ++i) eightTimes += "Error: Error 1 in operator=\n";
    EXPECT_EQ(printed.text(), eightTimes);
}

TEST_F(FlockTest, AgentIsATriangleInItsIndexColourAndDropsADotEveryEleventhDraw) {
    makeFlock(7);
    const Color expected[] = {{1, 1, 1, 1}, {0, 0, 1, 1}, {0, 1, 0, 1}, {1, 0, 0, 1},
                              {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}};
    for (std::size_t i = 0; i < 8; ++i) {
        Agent& agent = flock->agents()[i];
        agent.x = 1;
        agent.y = 2;
        agent.heading = 90;
        agent.trailCounter = 0;
        canvas.beginFrame(0, 0, 0);
        flock->drawAgent(i, app, canvas);
        ASSERT_EQ(canvas.lines.size(), 3u);
        for (const auto& [x1, y1, x2, y2, c] : canvas.lines) {
            EXPECT_TRUE(c.red == expected[i].red && c.green == expected[i].green && c.blue == expected[i].blue) << i;
        }
        EXPECT_EQ(canvas.color.red + canvas.color.green + canvas.color.blue, 3.0f);  // back to white
    }
    // Heading 90 from (1, 2): from the left wing to the right wing, then the nose straight up.
    EXPECT_NEAR(canvas.lines[0].x1, 1 - 0.175, 1e-5);
    EXPECT_NEAR(canvas.lines[1].y2, 2 + 0.875, 1e-5);

    EXPECT_TRUE(app.particles.empty());
    for (int draw = 2; draw <= 22; ++draw) flock->drawAgent(0, app, canvas);
    ASSERT_EQ(app.particles.size(), 2u);
    EXPECT_EQ(app.particles.back().kind, ParticleKind::TrailDot);
    EXPECT_EQ(app.particles.back().x, 1);
    EXPECT_EQ(app.particles.back().y, 2);
}

TEST_F(FlockTest, ResetGathersEveryoneAtTheOriginAndLeavesMindsAlone) {
    makeFlock(7);
    for (Agent& agent : flock->agents()) agent.stepCounter = 42;
    std::size_t commandsBefore = records[0]->commands.size();
    flock->resetAgents();
    for (const Agent& agent : flock->agents()) {
        EXPECT_EQ(agent.x, 0);
        EXPECT_EQ(agent.y, 0);
        EXPECT_EQ(agent.heading, std::floor(agent.heading));
        EXPECT_EQ(agent.targetHeading, agent.heading);
        EXPECT_EQ(agent.stepCounter, 42);
    }
    EXPECT_EQ(records[0]->commands.size(), commandsBefore);
}

TEST_F(FlockTest, ReleaseFreesEachDecisionMakerThenDestroysTheMindOnlyOnce) {
    makeFlock(7);
    flock->releaseAgents();
    for (const auto& record : records) {
        EXPECT_EQ(record->commands.back(), "vex::qdm::free (get QDM)");
        EXPECT_TRUE(record->destroyed);
    }
    std::size_t commands = records[0]->commands.size();
    flock->releaseAgents();
    flock.reset();
    EXPECT_EQ(records[0]->commands.size(), commands);

    makeFlock(7);  // dropped without a release: released all the same
    flock.reset();
    EXPECT_EQ(records.back()->commands.back(), "vex::qdm::free (get QDM)");
    EXPECT_TRUE(records.back()->destroyed);
}

TEST_F(FlockTest, AnyNumberOfAgentsAndAFailedStartReleasesThoseAlreadyMade) {
    FlockStart start;
    start.agentCount = 13;
    std::vector<std::size_t> started;
    start.afterStart = [&](Agent& agent, std::size_t index) {
        EXPECT_TRUE(agent.mind != nullptr);
        started.push_back(index);
    };
    makeFlock(3, "", start);
    EXPECT_EQ(flock->agentCount(), 13u);
    EXPECT_EQ(started.size(), 13u);
    EXPECT_EQ(started.back(), 12u);
    flock.reset();

    records.clear();
    start.afterStart = [](Agent&, std::size_t index) {
        if (index == 2) throw tala::Failure("no sensor named 'left'");
    };
    EXPECT_THROW(makeFlock(3, "", start), tala::Failure);
    ASSERT_EQ(records.size(), 3u);
    for (const auto& record : records) {
        EXPECT_EQ(record->commands.back(), "vex::qdm::free (get QDM)");
        EXPECT_TRUE(record->destroyed);
    }
}

TEST_F(FlockTest, WithTheMindsShownEachAgentHasThreeYellowBarsOfItsOddsAndNothingElseChanges) {
    makeFlock(7);
    Agent& agent = flock->agents()[2];
    agent.x = 1;
    agent.y = 2;
    agent.odds.probability = {0.5f, 0.25f, 0.0f};
    agent.odds.known = true;
    canvas.beginFrame(0, 0, 0);
    flock->drawAgent(2, app, canvas);
    EXPECT_EQ(canvas.lines.size(), 3u);  // hidden: the triangle alone
    EXPECT_TRUE(canvas.rects.empty());

    app.showMinds = true;
    canvas.beginFrame(0, 0, 0);
    flock->drawAgent(2, app, canvas);
    ASSERT_EQ(canvas.lines.size(), 3u + 3 * 4);  // and an outline of four lines per bar
    for (std::size_t i = 3; i < canvas.lines.size(); ++i) {
        const Color c = canvas.lines[i].color;
        EXPECT_TRUE(c.red == 1 && c.green == 1 && c.blue == 0) << i;
        EXPECT_GT(std::min(canvas.lines[i].x1, canvas.lines[i].x2), agent.x);  // beside the agent
    }
    ASSERT_EQ(canvas.rects.size(), 2u);  // a probability of 0 has no bar
    const float foot = canvas.rects[0].y1;
    EXPECT_NEAR(canvas.rects[0].y2 - foot, 0.5f * kOddsFullHeight, 1e-5f);
    EXPECT_NEAR(canvas.rects[1].y2 - foot, 0.25f * kOddsFullHeight, 1e-5f);
    EXPECT_LT(canvas.rects[0].x2, canvas.rects[1].x1);  // forward, then left
    EXPECT_EQ(canvas.color.red + canvas.color.green + canvas.color.blue, 3.0f);

    agent.odds.known = false;  // not decided yet: the outlines alone
    canvas.beginFrame(0, 0, 0);
    flock->drawAgent(2, app, canvas);
    EXPECT_EQ(canvas.lines.size(), 15u);
    EXPECT_TRUE(canvas.rects.empty());
}

TEST_F(FlockTest, AgentsWatchTheirOddsOnlyWhileTheMindsAreShown) {
    makeFlock(7);
    Agent& agent = flock->agents()[0];
    agent.odds.known = true;
    app.framesPerSecond = 60;
    app.showMinds = true;
    flock->steerAgent(0, app);
    EXPECT_TRUE(agent.watchOdds);
    EXPECT_TRUE(agent.odds.known);
    app.showMinds = false;
    flock->steerAgent(0, app);
    EXPECT_FALSE(agent.watchOdds);
    EXPECT_FALSE(agent.odds.known);  // shown again later, stale odds would mislead
}

}  // namespace
}  // namespace flock
