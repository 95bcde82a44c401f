#pragma once
// The application's state: one instance for the process, shared by the frame loop,
// the particles and the agents.

#include <cstdint>
#include <memory>

#include "app/sim/AgentGroup.h"
#include "app/sim/Clock.h"
#include "app/sim/KeyState.h"
#include "app/sim/Particles.h"
#include "app/sim/Timer.h"

namespace flock {

inline constexpr int kBackgroundParticleCount = 50;
inline constexpr std::int32_t kRatePeriodMs = 250;
inline constexpr float kStartCameraZ = -30.0f;
inline constexpr float kCameraStep = 0.2f;

struct AppState {
    explicit AppState(const Clock& programClock)
        : clock(programClock), agents(std::make_unique<NoAgents>()) {}

    const Clock& clock;
    KeyState keys;
    float cameraX = 0;
    float cameraY = 0;
    float cameraZ = 0;
    bool paused = true;  // the program starts paused
    bool showMinds = false;  // key D: each agent's decision odds beside it
    // Starts at 1, so the first measured rate counts one frame more than were drawn.
    std::int32_t framesCounted = 1;
    float framesPerSecond = 1.0f;
    Timer rateTimer;
    std::unique_ptr<AgentGroup> agents;
    ParticleList particles;
};

}  // namespace flock
