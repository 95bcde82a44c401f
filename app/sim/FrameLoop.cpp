#include "app/sim/FrameLoop.h"

#include <exception>
#include <iostream>

#include "app/sim/AppState.h"
#include "app/sim/Canvas.h"

namespace flock {

namespace {

// A failure inside one agent's commands is reported and the frame goes on, so
// a bad script cannot stop the window.
template <typename Action>
void guardAgentCall(std::size_t index, Action action) {
    try {
        action();
    } catch (const std::exception& failure) {
        std::cerr << "Agent " << index << ": " << failure.what() << '\n';
    }
}

void measureFrameRate(AppState& app) {
    app.framesCounted += 1;
    if (!app.rateTimer.expired(app.clock)) return;
    // Frames in one 250 ms period, scaled to a second.
    app.framesPerSecond = static_cast<float>(app.framesCounted) * 4.0f;
    app.rateTimer.start(app.clock);
    app.framesCounted = 0;
}

}  // namespace

void startApp(AppState& app, const AgentFactory& makeAgents) {
    app.cameraZ = kStartCameraZ;
    app.agents = makeAgents(app);
    for (int i = 0; i < kBackgroundParticleCount; ++i) createBackgroundParticle(app);
    app.rateTimer.period = kRatePeriodMs;
    app.rateTimer.start(app.clock);
}

bool runLoopPass(AppState& app, Canvas& canvas) {
    if (app.keys.takePress(VirtualKey::P)) app.paused = !app.paused;
    if (app.keys.takePress(VirtualKey::D)) app.showMinds = !app.showMinds;

    renderFrame(app, canvas);

    // Escape wins over R seen in the same pass; its press is left in place.
    bool finished = app.keys.wasPressed(VirtualKey::Escape);
    if (!finished && app.keys.takePress(VirtualKey::R)) app.agents->resetAgents();

    // Z and X act on every pass while held, so the camera moves steadily.
    if (app.keys.isDown(VirtualKey::Z)) app.cameraZ += kCameraStep;
    if (app.keys.isDown(VirtualKey::X)) app.cameraZ -= kCameraStep;
    return !finished;
}

void renderFrame(AppState& app, Canvas& canvas) {
    measureFrameRate(app);
    canvas.beginFrame(app.cameraX, app.cameraY, app.cameraZ);
    advanceScene(app, canvas);
    canvas.present();
}

void advanceScene(AppState& app, Canvas& canvas) {
    updateParticles(app, canvas);

    AgentGroup& agents = *app.agents;
    std::size_t count = agents.agentCount();
    float sumX = 0;
    float sumY = 0;
    for (std::size_t i = 0; i < count && !app.paused; ++i) {
        guardAgentCall(i, [&] { agents.steerAgent(i, app); });
        guardAgentCall(i, [&] { agents.drawAgent(i, app, canvas); });
        AgentPosition position = agents.agentPosition(i);
        sumX += position.x;
        sumY += position.y;
    }
    // Follows the agents' centre while they run; the origin while paused or empty.
    if (count > 0) {
        app.cameraX = -sumX / static_cast<float>(count);
        app.cameraY = -sumY / static_cast<float>(count);
    } else {
        app.cameraX = 0;
        app.cameraY = 0;
    }
}

}  // namespace flock
