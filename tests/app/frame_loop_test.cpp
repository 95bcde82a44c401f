#include "app/FrameLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "linalg/Failure.h"
#include "RecordingCanvas.h"

namespace flock {
namespace {

using testing::RecordingCanvas;

// Agents that move one unit along x per steer and log every call.
class ScriptedAgents : public AgentGroup {
public:
    explicit ScriptedAgents(std::vector<AgentPosition> start) : positions(std::move(start)) {}

    std::size_t agentCount() const override { return positions.size(); }
    void steerAgent(std::size_t index, AppState&) override {
        calls.push_back("steer" + std::to_string(index));
        if (index == failingAgent) throw tala::Failure("getString error - type is NULL or not string");
        positions[index].x += 1;
    }
    void drawAgent(std::size_t index, AppState& app, Canvas&) override {
        calls.push_back("draw" + std::to_string(index));
        if (dropDots) dropTrailDot(app, positions[index].x, positions[index].y);
    }
    AgentPosition agentPosition(std::size_t index) const override { return positions[index]; }
    void resetAgents() override { ++resets; }
    void releaseAgents() override {}

    std::vector<AgentPosition> positions;
    std::vector<std::string> calls;
    std::size_t failingAgent = 99;
    bool dropDots = false;
    int resets = 0;
};

class FrameLoopTest : public ::testing::Test {
protected:
    FrameLoopTest() : app(clock) {
        startApp(app, [](AppState&) { return std::make_unique<NoAgents>(); });
    }

    ScriptedAgents& useAgents(std::vector<AgentPosition> start) {
        auto agents = std::make_unique<ScriptedAgents>(std::move(start));
        ScriptedAgents& ref = *agents;
        app.agents = std::move(agents);
        return ref;
    }
    void tap(int key) {
        app.keys.keyDown(key);
        app.keys.keyUp(key);
    }
    bool pass() { return runLoopPass(app, canvas); }

    ManualClock clock;
    AppState app;
    RecordingCanvas canvas;
};

TEST_F(FrameLoopTest, StartsPausedAtTheOriginWithFiftyParticlesAndTheRateTimerRunning) {
    EXPECT_TRUE(app.paused);
    EXPECT_FLOAT_EQ(app.cameraZ, -30.0f);
    EXPECT_EQ(app.particles.size(), 50u);
    EXPECT_EQ(app.rateTimer.period, 250);
    EXPECT_EQ(app.rateTimer.deadline, 250);
    EXPECT_FLOAT_EQ(app.framesPerSecond, 1.0f);

    EXPECT_TRUE(pass());
    EXPECT_EQ(canvas.presented, 1);
    EXPECT_FLOAT_EQ(canvas.cameraZ, -30.0f);
    EXPECT_EQ(canvas.points.size(), 50u);
}

TEST_F(FrameLoopTest, PTogglesOncePerKeyDownAndATapReleasedBeforeTheLoopLooksStillCounts) {
    app.keys.keyDown(VirtualKey::P);
    pass();
    EXPECT_FALSE(app.paused);
    pass();  // still held, no new key-down: no toggle
    pass();
    EXPECT_FALSE(app.paused);
    app.keys.keyDown(VirtualKey::P);  // auto-repeat
    pass();
    EXPECT_TRUE(app.paused);
    app.keys.keyDown(VirtualKey::P);
    pass();
    EXPECT_FALSE(app.paused);
    app.keys.keyUp(VirtualKey::P);

    tap(VirtualKey::P);  // down and up drained in one poll
    pass();
    EXPECT_TRUE(app.paused);
    pass();
    EXPECT_TRUE(app.paused);
}

TEST_F(FrameLoopTest, RResetsOncePerPressEvenAsATapAndEvenWhilePaused) {
    ScriptedAgents& agents = useAgents({{1, 1}});
    tap(VirtualKey::R);
    pass();
    EXPECT_EQ(agents.resets, 1);
    app.keys.keyDown(VirtualKey::R);
    pass();
    pass();
    EXPECT_EQ(agents.resets, 2);
    EXPECT_TRUE(agents.calls.empty());  // paused: never steered or drawn
}

TEST_F(FrameLoopTest, EscapeEndsAfterItsFrameAndIgnoresRInTheSamePass) {
    ScriptedAgents& agents = useAgents({{0, 0}});
    app.keys.keyDown(VirtualKey::R);
    tap(VirtualKey::Escape);
    EXPECT_FALSE(pass());
    EXPECT_EQ(canvas.presented, 1);
    EXPECT_EQ(agents.resets, 0);
    EXPECT_FALSE(pass());  // the press is not consumed
}

TEST_F(FrameLoopTest, HeldZAndXMoveTheCameraEveryPass) {
    app.keys.keyDown(VirtualKey::Z);
    for (int i = 0; i < 50; ++i) pass();
    EXPECT_NEAR(app.cameraZ, -20.0f, 1e-3f);
    // The frame draws before the keys act: the last step shows next frame.
    EXPECT_NEAR(canvas.cameraZ, -20.2f, 1e-3f);

    app.keys.keyDown(VirtualKey::X);
    for (int i = 0; i < 50; ++i) pass();
    EXPECT_NEAR(app.cameraZ, -20.0f, 1e-3f);

    app.keys.keyUp(VirtualKey::Z);
    for (int i = 0; i < 10; ++i) pass();
    EXPECT_NEAR(app.cameraZ, -22.0f, 1e-3f);
    app.keys.keyUp(VirtualKey::X);
    pass();
    EXPECT_NEAR(app.cameraZ, -22.0f, 1e-3f);
}

TEST_F(FrameLoopTest, RunningAgentsAreSteeredThenDrawnInIndexOrderAndTheCameraFollowsTheirCentre) {
    ScriptedAgents& agents = useAgents({{0, 2}, {4, 6}});
    pass();
    EXPECT_FLOAT_EQ(app.cameraX, 0.0f);  // paused: origin
    tap(VirtualKey::P);
    pass();
    EXPECT_EQ(agents.calls, (std::vector<std::string>{"steer0", "draw0", "steer1", "draw1"}));
    EXPECT_FLOAT_EQ(app.cameraX, -3.0f);  // mean of the moved x: (1 + 5) / 2
    EXPECT_FLOAT_EQ(app.cameraY, -4.0f);
    pass();
    EXPECT_FLOAT_EQ(canvas.cameraX, -3.0f);  // the scene is translated by last frame's centre
    EXPECT_FLOAT_EQ(app.cameraX, -4.0f);

    tap(VirtualKey::P);
    agents.calls.clear();
    pass();
    EXPECT_TRUE(agents.calls.empty());
    EXPECT_FLOAT_EQ(app.cameraX, 0.0f);
    EXPECT_FLOAT_EQ(app.cameraY, 0.0f);
    EXPECT_FLOAT_EQ(agents.positions[0].x, 2.0f);  // kept while paused
}

TEST_F(FrameLoopTest, AFailingAgentIsReportedAndTheFrameGoesOn) {
    ScriptedAgents& agents = useAgents({{0, 0}, {0, 0}, {0, 0}});
    agents.failingAgent = 1;
    app.paused = false;
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(pass());
    std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("getString error - type is NULL or not string"), std::string::npos);
    EXPECT_EQ(agents.calls, (std::vector<std::string>{"steer0", "draw0", "steer1", "draw1", "steer2", "draw2"}));
    EXPECT_EQ(canvas.presented, 1);
}

TEST_F(FrameLoopTest, TrailDotsDroppedWhileDrawingAreDrawnFromTheNextFrameOn) {
    ScriptedAgents& agents = useAgents({{0, 0}});
    agents.dropDots = true;
    app.paused = false;
    pass();
    EXPECT_EQ(app.particles.size(), 51u);
    EXPECT_EQ(canvas.points.size(), 50u);
    pass();
    EXPECT_EQ(canvas.points.size(), 51u);
    EXPECT_FLOAT_EQ(canvas.points[50].x, 1.0f);
    EXPECT_FLOAT_EQ(canvas.points[50].grey, 1.0f);
}

TEST_F(FrameLoopTest, FirstMeasuredRateCountsOneFrameMoreThanWereDrawn) {
    for (int frame = 0; frame < 9; ++frame) {
        clock.set(frame * 25);
        renderFrame(app, canvas);
        EXPECT_FLOAT_EQ(app.framesPerSecond, 1.0f);
    }
    clock.set(250);
    renderFrame(app, canvas);  // the tenth frame
    EXPECT_FLOAT_EQ(app.framesPerSecond, 44.0f);
    EXPECT_EQ(app.framesCounted, 0);
    EXPECT_EQ(app.rateTimer.deadline, 500);

    for (int frame = 1; frame <= 10; ++frame) {
        clock.set(250 + frame * 25);
        renderFrame(app, canvas);
    }
    EXPECT_FLOAT_EQ(app.framesPerSecond, 40.0f);
}

TEST(KeyState, OutOfRangeCodesAreIgnoredAndReleaseKeepsAPendingPress) {
    KeyState keys;
    keys.keyDown(-1);
    keys.keyDown(256);
    keys.keyUp(1000);
    EXPECT_FALSE(keys.isDown(256));
    EXPECT_FALSE(keys.takePress(-1));

    keys.keyDown(VirtualKey::Z);
    keys.keyUp(VirtualKey::Z);
    EXPECT_FALSE(keys.isDown(VirtualKey::Z));
    EXPECT_TRUE(keys.wasPressed(VirtualKey::Z));
    EXPECT_TRUE(keys.takePress(VirtualKey::Z));
    EXPECT_FALSE(keys.takePress(VirtualKey::Z));
}

}  // namespace
}  // namespace flock
