#pragma once
// Background particles (grey points that fade in, glow and fade out, then are
// replaced) and trail dots (dropped by agents; glow, fade out, gone).

#include <cstdint>
#include <list>

#include "app/sim/Timer.h"

namespace flock {

class Canvas;
struct AppState;

namespace ParticleKind {
inline constexpr std::int32_t Background = 0;
inline constexpr std::int32_t TrailDot = 1;
}  // namespace ParticleKind

namespace ParticlePhase {
inline constexpr std::int32_t FadingIn = 0;
inline constexpr std::int32_t Glowing = 1;
inline constexpr std::int32_t FadingOut = 2;
inline constexpr std::int32_t Expired = 3;
}  // namespace ParticlePhase

inline constexpr std::int32_t kTrailDotPeriodMs = 2000;

struct Particle {
    float x = 0;
    float y = 0;
    float brightness = 1;
    std::int32_t kind = ParticleKind::Background;
    Timer timer;
    std::int32_t phase = ParticlePhase::FadingIn;
};

// Insertion order is kept; removal in the middle of a pass is cheap.
using ParticleList = std::list<Particle>;

// Appends a background particle somewhere in the 100 x 100 square around the
// point the camera looks at, with a random phase length of 1 to 3 seconds.
void createBackgroundParticle(AppState& app);
// Appends a trail dot at (x, y), already glowing.
void dropTrailDot(AppState& app, float x, float y);
// Sets the brightness for the current phase, draws the point, and moves to the
// next phase when the timer runs out.
void ageAndDrawParticle(Particle& particle, const Clock& clock, Canvas& canvas);
// The per-frame pass: removes expired particles, ages and draws the others, and
// replaces every expired background particle with a new one at the end.
void updateParticles(AppState& app, Canvas& canvas);

}  // namespace flock
