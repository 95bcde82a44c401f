#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>
#include "app/sim/AppState.h"
#include "app/sim/Flock.h"
#include "support/Failure.h"
#include "RecordingCanvas.h"
#include "RecordingMind.h"
#include "testsupport/StreamCapture.h"

namespace flock {
namespace {

using testing::MindRecord;

class FlockTest : public ::testing::Test {
protected:
    FlockTest() : app(clock) {}
    void makeFlock(std::string failOn = "", FlockStart start = {}) {
        std::srand(7);
        flock = createFlock([this, failOn] {
            records.push_back(std::make_shared<MindRecord>());
            records.back()->failOn = failOn;
            return std::make_unique<testing::RecordingMind>(records.back());
        }, start);
    }
    void expectAllReleased() {  // every mind was sent its free last and is gone
        for (const auto& r : records) EXPECT_TRUE(r->destroyed && r->commands.back() == "vex::qdm::free (get QDM)");
    }
    void draw(std::size_t index) {
        canvas.beginFrame(0, 0, 0);
        flock->drawAgent(index, app, canvas);
    }
    bool white() const { return canvas.color.red + canvas.color.green + canvas.color.blue == 3.0f; }

    ManualClock clock;
    AppState app;
    testing::RecordingCanvas canvas;
    std::vector<std::shared_ptr<MindRecord>> records;
    std::unique_ptr<Flock> flock;
};

TEST_F(FlockTest, EachAgentRunsTheStartCommandsOnItsOwnMindAndIsMadeEvenWhenTheyFail) {
    OutputCapture printed;
    makeFlock("file");
    ASSERT_EQ(records.size(), 8u);
    const std::vector<std::string> commands = {"global (new vex::QDM QDM)", "vex::qdm::new (get QDM)",
                                               "file vex_flock_setup.txt", "vex::qdm::prepare (get QDM)"};
    for (const auto& record : records) EXPECT_EQ(record->commands, commands);
    std::string eightTimes;
    for (int i = 0; i < 8; ++i) eightTimes += "Error: Error 1 in operator=\n";
    EXPECT_EQ(printed.text(), eightTimes);
}

TEST_F(FlockTest, AnyNumberOfAgentsAndAFailedStartReleasesThoseAlreadyMade) {
    FlockStart start;
    start.agentCount = 13;
    std::vector<std::size_t> started;
    start.afterStart = [&](Agent& agent, std::size_t index) { if (agent.mind) started.push_back(index); };
    makeFlock("", start);
    EXPECT_EQ(flock->agentCount(), 13u);
    EXPECT_EQ(started, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    flock.reset();
    records.clear();
    start.afterStart = [](Agent&, std::size_t index) { if (index == 2) throw support::Failure("no sensor named 'left'"); };
    EXPECT_THROW(makeFlock("", start), support::Failure);
    EXPECT_EQ(records.size(), 3u);
    expectAllReleased();
}

TEST_F(FlockTest, AnOwnSetupRunsAfterItsScriptFoldersAndTheWorldReachesEveryAgent) {
    FlockStart start;
    start.agentCount = 2;
    start.setupScript = "mine.txt";
    start.scriptFolders = {"/data/a", "/data/b"};
    start.world.thinkPeriod = 5;
    makeFlock("", start);
    EXPECT_EQ(records[1]->commands, (std::vector<std::string>{"global (new vex::QDM QDM)", "vex::qdm::new (get QDM)",
                                                              "path /data/a", "path /data/b", "file mine.txt",
                                                              "vex::qdm::prepare (get QDM)"}));
    EXPECT_EQ(flock->world(), start.world);
    for (Agent& agent : flock->agents()) EXPECT_EQ(agent.thinkPeriod, 5);
    WorldSettings faster;
    faster.thinkPeriod = 1;
    flock->setWorld(faster);  // a flying flock takes new rules
    for (Agent& agent : flock->agents()) EXPECT_EQ(agent.thinkPeriod, 1);
}

TEST_F(FlockTest, ResetGathersEveryoneAtTheOriginAndReleaseFreesEachMindOnce) {
    makeFlock();
    for (Agent& agent : flock->agents()) agent.stepCounter = 42;
    const std::size_t commands = records[0]->commands.size();
    flock->resetAgents();
    for (const Agent& agent : flock->agents()) {
        EXPECT_TRUE(agent.x == 0 && agent.y == 0 && agent.stepCounter == 42);
        EXPECT_EQ(agent.heading, std::floor(agent.heading));
        EXPECT_EQ(agent.targetHeading, agent.heading);
    }
    EXPECT_EQ(records[0]->commands.size(), commands);  // the minds are left alone
    flock->releaseAgents();
    flock->releaseAgents();
    flock.reset();
    EXPECT_EQ(records[0]->commands.size(), commands + 1);
    expectAllReleased();
    records.clear();
    makeFlock();  // dropped without a release: released all the same
    flock.reset();
    expectAllReleased();
}

TEST_F(FlockTest, AgentIsATriangleInItsIndexColourAndDropsADotEveryEleventhDraw) {
    makeFlock();
    const Color expected[] = {{1, 1, 1, 1}, {0, 0, 1, 1}, {0, 1, 0, 1}, {1, 0, 0, 1}, {1, 1, 1, 1}};
    for (std::size_t i = 0; i < 5; ++i) {
        Agent& agent = flock->agents()[i];
        agent.x = 1, agent.y = 2, agent.heading = 90, agent.trailCounter = 0;
        draw(i);
        ASSERT_EQ(canvas.lines.size(), 3u);
        for (const auto& [x1, y1, x2, y2, c] : canvas.lines)
            EXPECT_TRUE(c.red == expected[i].red && c.green == expected[i].green && c.blue == expected[i].blue) << i;
        EXPECT_TRUE(white());  // the colour is put back
    }
    // Heading 90 from (1, 2): from the left wing to the right wing, then the nose straight up.
    EXPECT_NEAR(canvas.lines[0].x1, 1 - 0.175, 1e-5);
    EXPECT_NEAR(canvas.lines[1].y2, 2 + 0.875, 1e-5);
    EXPECT_TRUE(app.particles.empty());
    for (int draw = 2; draw <= 22; ++draw) flock->drawAgent(0, app, canvas);
    ASSERT_EQ(app.particles.size(), 2u);
    EXPECT_EQ(app.particles.back().kind, ParticleKind::TrailDot);
    EXPECT_TRUE(app.particles.back().x == 1 && app.particles.back().y == 2);
}

TEST_F(FlockTest, WithTheMindsShownEachAgentHasThreeYellowBarsOfItsOdds) {
    makeFlock();
    Agent& agent = flock->agents()[2];
    agent.x = 1, agent.odds.probability = {0.5f, 0.25f, 0.0f}, agent.odds.known = true;
    draw(2);
    EXPECT_EQ(canvas.lines.size() + canvas.rects.size(), 3u);  // hidden: the triangle alone
    app.showMinds = true;
    draw(2);
    ASSERT_EQ(canvas.lines.size(), 3u + 3 * 4);  // and an outline of four lines per bar
    ASSERT_EQ(canvas.rects.size(), 2u);          // a probability of 0 has no bar
    const Color c = canvas.lines[3].color;
    EXPECT_TRUE(c.red == 1 && c.green == 1 && c.blue == 0 && canvas.rects[1].color.blue == 0);
    EXPECT_GT(canvas.rects[0].x1, agent.x);  // beside the agent
    EXPECT_NEAR(canvas.rects[0].y2 - canvas.rects[0].y1, 0.5f * kOddsFullHeight, 1e-5f);
    EXPECT_NEAR(canvas.rects[1].y2 - canvas.rects[1].y1, 0.25f * kOddsFullHeight, 1e-5f);
    EXPECT_LT(canvas.rects[0].x2, canvas.rects[1].x1);  // forward, then left
    EXPECT_TRUE(white());
    agent.odds.known = false;  // not decided yet: the outlines alone
    draw(2);
    EXPECT_EQ(canvas.lines.size() + canvas.rects.size(), 15u);
    // The odds are read only while shown: shown again later, stale odds would mislead.
    app.framesPerSecond = 60, agent.odds.known = true;
    flock->steerAgent(2, app);
    EXPECT_TRUE(agent.watchOdds && agent.odds.known);
    app.showMinds = false;
    flock->steerAgent(2, app);
    EXPECT_FALSE(agent.watchOdds || agent.odds.known);
}

}  // namespace
}  // namespace flock
