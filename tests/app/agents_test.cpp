#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/AgentDrawing.h"
#include "app/AppState.h"
#include "app/Flock.h"
#include "app/Steering.h"
#include "RecordingCanvas.h"
#include "RecordingMind.h"

namespace flock {
namespace {

using testing::MindRecord;
using testing::RecordingCanvas;
using testing::RecordingMind;

class FlockTest : public ::testing::Test {
protected:
    FlockTest() : app(clock) {}

    void makeFlock(unsigned seed = 7) {
        std::srand(seed);
        flock = createFlock([this] {
            records.push_back(std::make_shared<MindRecord>());
            return std::make_unique<RecordingMind>(records.back());
        });
    }
    std::size_t trailDots() const {
        std::size_t n = 0;
        for (const Particle& p : app.particles) n += p.kind == ParticleKind::TrailDot;
        return n;
    }

    ManualClock clock;
    AppState app;
    RecordingCanvas canvas;
    std::vector<std::shared_ptr<MindRecord>> records;
    std::unique_ptr<Flock> flock;
};

TEST_F(FlockTest, EachAgentStartsItsOwnMindWithTheFourCommands) {
    makeFlock();
    ASSERT_EQ(flock->agentCount(), 8u);
    ASSERT_EQ(records.size(), 8u);
    for (const auto& record : records) {
        EXPECT_EQ(record->commands, (std::vector<std::string>{"global (new vex::QDM QDM)", "vex::qdm::new (get QDM)",
                                                              "file vex_flock_setup.txt",
                                                              "vex::qdm::prepare (get QDM)"}));
    }
}

TEST_F(FlockTest, StartValuesComeFromTheGeneratorInOrder) {
    makeFlock(11);
    std::srand(11);
    for (const Agent& agent : flock->agents()) {
        float rx = static_cast<float>(std::rand() % 1000) / 1000.0f;
        float ry = static_cast<float>(std::rand() % 1000) / 1000.0f;
        float rh = static_cast<float>(std::rand() % 1000) / 1000.0f;
        EXPECT_FLOAT_EQ(agent.x, rx * 4 - 2);
        EXPECT_FLOAT_EQ(agent.y, ry * 4 - 2);
        EXPECT_FLOAT_EQ(agent.heading, rh);
        EXPECT_EQ(agent.targetHeading, agent.heading);
        EXPECT_EQ(agent.speed, 1.0f);
        EXPECT_EQ(agent.thinkCount, 0);
        EXPECT_EQ(agent.trailCounter, std::rand() % 10);
        EXPECT_EQ(agent.stepCounter, std::rand() % 100);
        EXPECT_EQ(agent.thinkPeriod, 3);
    }
}

TEST_F(FlockTest, AFailingSetupStillMakesTheAgent) {
    std::srand(1);
    ::testing::internal::CaptureStdout();
    flock = createFlock([this] {
        records.push_back(std::make_shared<MindRecord>());
        records.back()->failOn = "file";
        records.back()->failure = "Command nesting too deep.";
        return std::make_unique<RecordingMind>(records.back());
    });
    std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(flock->agentCount(), 8u);
    EXPECT_EQ(records[0]->commands.back(), "vex::qdm::prepare (get QDM)");
    std::string line = "Error: Command nesting too deep.\n";
    std::string eightTimes;
    for (int i = 0; i < 8; ++i) eightTimes += line;
    EXPECT_EQ(printed, eightTimes);
}

TEST_F(FlockTest, EveryEleventhDrawDropsATrailDotWhereTheAgentIs) {
    makeFlock();
    Agent& agent = flock->agents()[0];
    agent.trailCounter = 0;
    agent.x = 3;
    agent.y = -4;
    for (int draw = 1; draw <= 33; ++draw) {
        flock->drawAgent(0, app, canvas);
        EXPECT_EQ(trailDots(), static_cast<std::size_t>(draw / 11)) << draw;
    }
    const Particle& dot = app.particles.back();
    EXPECT_EQ(dot.x, 3);
    EXPECT_EQ(dot.y, -4);
}

TEST_F(FlockTest, AgentIsATriangleOutlineInItsIndexColour) {
    makeFlock();
    const Color expected[] = {{1, 1, 1, 1}, {0, 0, 1, 1}, {0, 1, 0, 1}, {1, 0, 0, 1},
                              {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}};
    for (std::size_t i = 0; i < 8; ++i) {
        Agent& agent = flock->agents()[i];
        agent.x = 1;
        agent.y = 2;
        agent.heading = 90;
        canvas.beginFrame(0, 0, 0);
        flock->drawAgent(i, app, canvas);
        ASSERT_EQ(canvas.lineList.size(), 3u);
        for (const auto& line : canvas.lineList) {
            EXPECT_EQ(line.red, expected[i].red) << i;
            EXPECT_EQ(line.green, expected[i].green) << i;
            EXPECT_EQ(line.blue, expected[i].blue) << i;
            EXPECT_EQ(line.alpha, 1.0f);
            EXPECT_EQ(line.z1, 0.0f);
            EXPECT_EQ(line.z2, 0.0f);
        }
        EXPECT_EQ(canvas.colorRed + canvas.colorGreen + canvas.colorBlue, 3.0f);  // back to white
    }
    // Heading 90 from (1, 2): wings to the left and right, nose straight up.
    const auto& lines = canvas.lineList;
    EXPECT_NEAR(lines[0].x1, 1 - 0.175, 1e-5);  // left wing
    EXPECT_NEAR(lines[0].y1, 2, 1e-5);
    EXPECT_NEAR(lines[0].x2, 1 + 0.175, 1e-5);  // right wing
    EXPECT_NEAR(lines[1].x2, 1, 1e-5);          // nose
    EXPECT_NEAR(lines[1].y2, 2 + 0.875, 1e-5);
    // Each segment starts where the one before ended: a closed outline.
    EXPECT_EQ(lines[1].x1, lines[0].x2);
    EXPECT_EQ(lines[2].x1, lines[1].x2);
    EXPECT_EQ(lines[2].y2, lines[0].y1);
}

TEST_F(FlockTest, ResetPutsEveryoneAtTheOriginAndLeavesMindsAlone) {
    makeFlock();
    for (Agent& agent : flock->agents()) {
        agent.x = 5;
        agent.stepCounter = 42;
    }
    std::size_t commandsBefore = records[0]->commands.size();
    flock->resetAgents();
    for (const Agent& agent : flock->agents()) {
        EXPECT_EQ(agent.x, 0);
        EXPECT_EQ(agent.y, 0);
        EXPECT_EQ(agent.heading, std::floor(agent.heading));
        EXPECT_GE(agent.heading, 0);
        EXPECT_LT(agent.heading, 360);
        EXPECT_EQ(agent.targetHeading, agent.heading);
        EXPECT_EQ(agent.stepCounter, 42);
        EXPECT_TRUE(agent.mind);
    }
    EXPECT_EQ(records[0]->commands.size(), commandsBefore);
}

TEST_F(FlockTest, AfterResetEveryOtherAgentIsACloseNeighbour) {
    makeFlock();
    flock->resetAgents();
    // All at one point: every bearing is 0, so the flags depend on the heading only.
    for (std::size_t i = 0; i < 8; ++i) {
        Agent& agent = flock->agents()[i];
        agent.heading = agent.targetHeading = 90;
    }
    TurnWish wish = senseOthers(flock->agents(), 0);
    EXPECT_TRUE(wish.left);  // the others lie dead right of a heading of 90
    EXPECT_FALSE(wish.right);
}

TEST_F(FlockTest, DroppingTheFlockReleasesWhatIsLeft) {
    makeFlock();
    flock.reset();
    for (const auto& record : records) {
        EXPECT_EQ(record->commands.back(), "vex::qdm::free (get QDM)");
        EXPECT_TRUE(record->destroyed);
    }
}

TEST_F(FlockTest, ReleaseFreesEachDecisionMakerThenDestroysTheMindOnce) {
    makeFlock();
    flock->releaseAgents();
    for (const auto& record : records) {
        EXPECT_EQ(record->commands.back(), "vex::qdm::free (get QDM)");
        EXPECT_TRUE(record->destroyed);
    }
    for (const Agent& agent : flock->agents()) EXPECT_FALSE(agent.mind);
    std::size_t commands = records[0]->commands.size();
    flock->releaseAgents();
    flock.reset();
    EXPECT_EQ(records[0]->commands.size(), commands);
}

}  // namespace
}  // namespace flock
