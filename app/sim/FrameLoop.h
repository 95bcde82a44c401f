#pragma once
// The frame loop's work once the window's events are drained: keys, then one frame.

#include <functional>
#include <memory>

namespace flock {

class AgentGroup;
class Canvas;
struct AppState;

using AgentFactory = std::function<std::unique_ptr<AgentGroup>(AppState&)>;

// Camera distance, the agents `makeAgents` makes, background particles and the
// frame-rate timer.
void startApp(AppState& app, const AgentFactory& makeAgents);
// One pass of the main loop: P and D, the frame, Escape or R, then Z and X.
// Answers false when the loop should end (Escape).
bool runLoopPass(AppState& app, Canvas& canvas);
// Measures the frame rate, begins the frame, advances the scene and presents it.
void renderFrame(AppState& app, Canvas& canvas);
// The scene's part of a frame, also flown without a window: draws the particles,
// steers and draws the agents unless paused, and centres the camera on them.
void advanceScene(AppState& app, Canvas& canvas);

}  // namespace flock
