#include "app/sim/Particles.h"

#include <algorithm>
#include <cstdlib>

#include "app/sim/AppState.h"
#include "app/sim/Canvas.h"

namespace flock {

namespace {

// A grid of 1000 steps across the 100-unit side, from the C generator.
float randomOffset() {
    return static_cast<float>(std::rand() % 1000) / 1000.0f * 100.0f - 50.0f;
}

}  // namespace

void createBackgroundParticle(AppState& app) {
    Particle particle;
    particle.x = randomOffset() - app.cameraX;
    particle.y = randomOffset() - app.cameraY;
    particle.brightness = 1;
    particle.kind = ParticleKind::Background;
    particle.phase = ParticlePhase::FadingIn;
    particle.timer.period = std::rand() % 2000 + 1000;
    particle.timer.start(app.clock);
    app.particles.push_back(particle);
}

void dropTrailDot(AppState& app, float x, float y) {
    Particle particle;
    particle.x = x;
    particle.y = y;
    particle.brightness = 1;
    particle.kind = ParticleKind::TrailDot;
    particle.phase = ParticlePhase::Glowing;
    particle.timer.period = kTrailDotPeriodMs;
    particle.timer.start(app.clock);
    app.particles.push_back(particle);
}

void ageAndDrawParticle(Particle& particle, const Clock& clock, Canvas& canvas) {
    switch (particle.phase) {
        case ParticlePhase::FadingIn: particle.brightness = particle.timer.progress(clock); break;
        case ParticlePhase::FadingOut: particle.brightness = 1.0f - particle.timer.progress(clock); break;
        default: particle.brightness = 1.0f; break;
    }
    particle.brightness = std::clamp(particle.brightness, 0.0f, 1.0f);

    float grey = particle.brightness;
    canvas.setColor(grey, grey, grey, 1.0f);
    canvas.drawPoint(particle.x, particle.y, 0.0f);
    canvas.setColor(1.0f, 1.0f, 1.0f, 1.0f);

    if (particle.timer.expired(clock)) {
        particle.phase += 1;
        particle.timer.start(clock);
    }
}

void updateParticles(AppState& app, Canvas& canvas) {
    int replacements = 0;
    for (auto it = app.particles.begin(); it != app.particles.end();) {
        if (it->phase >= ParticlePhase::Expired) {
            if (it->kind == ParticleKind::Background) ++replacements;
            it = app.particles.erase(it);
            continue;
        }
        ageAndDrawParticle(*it, app.clock, canvas);
        ++it;
    }
    for (int i = 0; i < replacements; ++i) createBackgroundParticle(app);
}

}  // namespace flock
