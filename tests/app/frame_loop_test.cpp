#include "app/sim/FrameLoop.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/sim/AppState.h"
#include "app/sim/FramePacer.h"
#include "support/Failure.h"
#include "RecordingCanvas.h"
#include "testsupport/StreamCapture.h"

namespace flock {
namespace {

// Agents that move one unit along x per steer, drop a dot per draw and log every call.
class ScriptedAgents : public AgentGroup {
public:
    std::size_t agentCount() const override { return positions.size(); }
    void steerAgent(std::size_t index, AppState&) override {
        calls.push_back("steer" + std::to_string(index));
        if (index == failingAgent) throw support::Failure("getString error - type is NULL or not string");
        positions[index].x += 1;
    }
    void drawAgent(std::size_t index, AppState& app, Canvas&) override {
        calls.push_back("draw" + std::to_string(index));
        dropTrailDot(app, positions[index].x, positions[index].y);
    }
    AgentPosition agentPosition(std::size_t index) const override { return positions[index]; }
    void resetAgents() override { ++resets; }
    void releaseAgents() override {}

    std::vector<AgentPosition> positions;
    std::vector<std::string> calls;
    std::size_t failingAgent = 99;
    int resets = 0;
};

class FrameLoopTest : public ::testing::Test {
protected:
    FrameLoopTest() : app(clock) {
        startApp(app, [this](AppState&) {
            auto group = std::make_unique<ScriptedAgents>();
            agents = group.get();
            return group;
        });
    }
    void tap(int key) { app.keys.keyDown(key), app.keys.keyUp(key); }
    bool pass() { return runLoopPass(app, canvas); }
    void passes(int count) { for (int i = 0; i < count; ++i) pass(); }
    void press(int key) { tap(key), pass(); }

    ManualClock clock;
    AppState app;
    testing::RecordingCanvas canvas;
    ScriptedAgents* agents = nullptr;
};

TEST_F(FrameLoopTest, PAndDToggleOncePerKeyDownAndATapReleasedBeforeTheLoopLooksStillCounts) {
    app.keys.keyDown(VirtualKey::P);
    passes(2);  // still held, no new key-down: no toggle
    EXPECT_FALSE(app.paused);
    app.keys.keyDown(VirtualKey::P);  // auto-repeat
    pass();
    EXPECT_TRUE(app.paused);
    app.keys.keyUp(VirtualKey::P);
    press(VirtualKey::P);  // down and up drained in one poll
    EXPECT_FALSE(app.paused);
    tap(-1);  // codes out of range are ignored
    tap(KeyState::kCount);
    EXPECT_FALSE(app.keys.takePress(KeyState::kCount));
    EXPECT_FALSE(app.showMinds);  // the minds start hidden
    for (bool shown : {true, false}) {
        press(VirtualKey::D);
        pass();
        EXPECT_EQ(app.showMinds, shown);
    }
}

TEST_F(FrameLoopTest, RResetsOncePerPressWhilePausedAndEscapeEndsAfterItsFrameIgnoringR) {
    press(VirtualKey::R);
    app.keys.keyDown(VirtualKey::R);
    passes(2);
    EXPECT_EQ(agents->resets, 2);
    app.keys.keyDown(VirtualKey::R);
    tap(VirtualKey::Escape);
    EXPECT_FALSE(pass());
    EXPECT_TRUE(canvas.presented == 4 && agents->resets == 2);
    EXPECT_FALSE(pass());  // the press is not consumed
    app.keys.keyDown(VirtualKey::Z);  // held Z and X move the camera every pass, after the frame is drawn
    passes(50);
    EXPECT_NEAR(app.cameraZ, -20.0f, 1e-3f);
    EXPECT_NEAR(canvas.cameraZ, -20.2f, 1e-3f);
    app.keys.keyDown(VirtualKey::X);
    passes(50);
    EXPECT_NEAR(app.cameraZ, -20.0f, 1e-3f);
}

TEST_F(FrameLoopTest, AgentsAreSteeredThenDrawnInOrderAndTheCameraFollowsTheirCentre) {
    agents->positions = {{0, 2}, {4, 6}};
    EXPECT_TRUE(pass());  // starts paused: fifty particles, no agents
    EXPECT_EQ(canvas.points.size(), 50u);
    press(VirtualKey::P);
    EXPECT_EQ(agents->calls, (std::vector<std::string>{"steer0", "draw0", "steer1", "draw1"}));
    EXPECT_FLOAT_EQ(app.cameraX, -3.0f);  // mean of the moved x: (1 + 5) / 2
    EXPECT_FLOAT_EQ(app.cameraY, -4.0f);
    EXPECT_EQ(canvas.points.size(), 50u);  // particles come first: dots show next frame
    pass();
    EXPECT_FLOAT_EQ(canvas.cameraX, -3.0f);  // the scene is translated by last frame's centre
    EXPECT_EQ(canvas.points.size(), 52u);
    agents->calls.clear();
    press(VirtualKey::P);
    EXPECT_TRUE(agents->calls.empty());
    EXPECT_FLOAT_EQ(app.cameraX, 0.0f);
    EXPECT_FLOAT_EQ(agents->positions[0].x, 2.0f);  // kept while paused
    agents->positions.resize(3);  // a failing agent is reported and the frame goes on
    agents->failingAgent = 1;
    tap(VirtualKey::P);
    OutputCapture errors(std::cerr);
    EXPECT_TRUE(pass());
    EXPECT_EQ(errors.text(), "Agent 1: getString error - type is NULL or not string\n");
    EXPECT_EQ(agents->calls.size(), 6u);
    EXPECT_EQ(canvas.presented, 5);
}

TEST_F(FrameLoopTest, FirstMeasuredRateCountsOneFrameMoreThanWereDrawn) {
    auto frameAt = [&](Milliseconds at) { clock.set(at), renderFrame(app, canvas); };
    for (int frame = 0; frame < 9; ++frame) frameAt(frame * 25);
    EXPECT_FLOAT_EQ(app.framesPerSecond, 1.0f);
    frameAt(250);  // the tenth frame
    EXPECT_FLOAT_EQ(app.framesPerSecond, 44.0f);
    for (int frame = 1; frame <= 10; ++frame) frameAt(250 + frame * 25);
    EXPECT_FLOAT_EQ(app.framesPerSecond, 40.0f);
}

TEST(FramePacer, QuickFramesWaitForTheirSlotAndLateOnesDoNotHurryTheNext) {
    using namespace std::chrono_literals;
    FramePacer pacer(250);  // 4 ms a frame
    for (auto [now, wait] : {std::pair{1ms, 0ms}, {2ms, 3ms}, {6ms, 3ms} /* due at 9 */, {50ms, 0ms}, {51ms, 3ms}})
        EXPECT_EQ(pacer.waitAfterFrame(FramePacer::Clock::time_point{} + now), wait) << now.count();
}

}  // namespace
}  // namespace flock
