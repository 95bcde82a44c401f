#include "app/Particles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/AppState.h"
#include "RecordingCanvas.h"

namespace flock {
namespace {

using testing::RecordingCanvas;

Particle makeParticle(float x, std::int32_t kind, std::int32_t phase, const Clock& clock) {
    Particle particle;
    particle.x = x;
    particle.kind = kind;
    particle.phase = phase;
    particle.timer.period = 1000;
    particle.timer.start(clock);
    return particle;
}

std::vector<float> xsOf(const ParticleList& particles) {
    std::vector<float> xs;
    for (const Particle& particle : particles) xs.push_back(particle.x);
    return xs;
}

TEST(BackgroundParticle, LandsInTheSquareAroundTheCameraTargetAndStartsFadingIn) {
    ManualClock clock;
    clock.set(700);
    AppState app(clock);
    app.cameraX = 10;  // the camera looks at (-10, 5)
    app.cameraY = -5;
    std::srand(7);
    for (int i = 0; i < 500; ++i) createBackgroundParticle(app);

    ASSERT_EQ(app.particles.size(), 500u);
    for (const Particle& particle : app.particles) {
        EXPECT_GE(particle.x, -60.0f);
        EXPECT_LE(particle.x, 39.9f + 1e-4f);
        EXPECT_GE(particle.y, -45.0f);
        EXPECT_LE(particle.y, 54.9f + 1e-4f);
        EXPECT_GE(particle.timer.period, 1000);
        EXPECT_LE(particle.timer.period, 2999);
        EXPECT_EQ(particle.timer.deadline, 700 + particle.timer.period);
        EXPECT_EQ(particle.kind, ParticleKind::Background);
        EXPECT_EQ(particle.phase, ParticlePhase::FadingIn);
    }
}

TEST(BackgroundParticle, FadesInGlowsFadesOutAndIsReplaced) {
    ManualClock clock;
    AppState app(clock);
    app.particles.push_back(makeParticle(3, ParticleKind::Background, ParticlePhase::FadingIn, clock));
    RecordingCanvas canvas;
    auto drawFrameAt = [&](Milliseconds at) {
        clock.set(at);
        canvas.beginFrame(0, 0, 0);
        updateParticles(app, canvas);
    };

    drawFrameAt(0);
    ASSERT_EQ(canvas.points.size(), 1u);
    EXPECT_FLOAT_EQ(canvas.points[0].grey, 0.0f);  // black right after creation
    drawFrameAt(500);
    EXPECT_FLOAT_EQ(canvas.points[0].grey, 0.5f);
    drawFrameAt(1000);  // drawn at full, then enters the glowing phase
    EXPECT_FLOAT_EQ(canvas.points[0].grey, 1.0f);
    EXPECT_EQ(app.particles.front().phase, ParticlePhase::Glowing);
    drawFrameAt(1600);
    EXPECT_FLOAT_EQ(canvas.points[0].grey, 1.0f);
    drawFrameAt(2000);
    EXPECT_EQ(app.particles.front().phase, ParticlePhase::FadingOut);
    drawFrameAt(2250);
    EXPECT_FLOAT_EQ(canvas.points[0].grey, 0.75f);
    drawFrameAt(3000);  // expires while aged: still listed until the next pass
    EXPECT_EQ(app.particles.front().phase, ParticlePhase::Expired);
    EXPECT_FLOAT_EQ(app.particles.front().x, 3.0f);

    drawFrameAt(3010);
    EXPECT_TRUE(canvas.points.empty());
    ASSERT_EQ(app.particles.size(), 1u);
    EXPECT_EQ(app.particles.front().phase, ParticlePhase::FadingIn);
    EXPECT_EQ(app.particles.front().timer.deadline, 3010 + app.particles.front().timer.period);
    EXPECT_FLOAT_EQ(canvas.colorRed, 1.0f);  // colour left opaque white
}

TEST(TrailDot, GlowsForTwoSecondsThenFadesAndIsNotReplaced) {
    ManualClock clock;
    clock.set(100);
    AppState app(clock);
    dropTrailDot(app, 1.5f, -2.5f);
    ASSERT_EQ(app.particles.size(), 1u);
    EXPECT_EQ(app.particles.front().kind, ParticleKind::TrailDot);
    EXPECT_FLOAT_EQ(app.particles.front().y, -2.5f);

    RecordingCanvas canvas;
    for (Milliseconds at : {100, 1000, 2099}) {
        clock.set(at);
        canvas.beginFrame(0, 0, 0);
        updateParticles(app, canvas);
        ASSERT_EQ(canvas.points.size(), 1u);
        EXPECT_FLOAT_EQ(canvas.points[0].grey, 1.0f) << "at " << at;
    }
    for (Milliseconds at : {2100, 3100, 4100, 4200}) {
        clock.set(at);
        canvas.beginFrame(0, 0, 0);
        updateParticles(app, canvas);
    }
    EXPECT_TRUE(app.particles.empty());
}

TEST(ParticlePass, SeveralExpiriesInOneFrameDrawEveryOtherParticleOnceAndKeepOrder) {
    ManualClock clock;
    AppState app(clock);
    app.particles.push_back(makeParticle(1, ParticleKind::Background, ParticlePhase::Expired, clock));
    app.particles.push_back(makeParticle(2, ParticleKind::TrailDot, ParticlePhase::Glowing, clock));
    app.particles.push_back(makeParticle(3, ParticleKind::Background, ParticlePhase::Expired, clock));
    app.particles.push_back(makeParticle(4, ParticleKind::TrailDot, ParticlePhase::Expired, clock));
    app.particles.push_back(makeParticle(5, ParticleKind::Background, ParticlePhase::Glowing, clock));
    app.particles.push_back(makeParticle(6, ParticleKind::Background, ParticlePhase::Expired, clock));

    RecordingCanvas canvas;
    updateParticles(app, canvas);

    ASSERT_EQ(canvas.points.size(), 2u);
    EXPECT_FLOAT_EQ(canvas.points[0].x, 2.0f);
    EXPECT_FLOAT_EQ(canvas.points[1].x, 5.0f);
    // Survivors first, in their order; three background replacements after them.
    ASSERT_EQ(app.particles.size(), 5u);
    std::vector<float> xs = xsOf(app.particles);
    EXPECT_FLOAT_EQ(xs[0], 2.0f);
    EXPECT_FLOAT_EQ(xs[1], 5.0f);
    int fresh = 0;
    for (auto it = std::next(app.particles.begin(), 2); it != app.particles.end(); ++it) {
        EXPECT_EQ(it->kind, ParticleKind::Background);
        EXPECT_EQ(it->phase, ParticlePhase::FadingIn);
        ++fresh;
    }
    EXPECT_EQ(fresh, 3);
}

TEST(ParticlePass, FiftyBackgroundParticlesStayFiftyForTenSeconds) {
    ManualClock clock;
    AppState app(clock);
    std::srand(11);
    for (int i = 0; i < kBackgroundParticleCount; ++i) createBackgroundParticle(app);
    RecordingCanvas canvas;
    int replacedSeen = 0;
    for (Milliseconds at = 0; at <= 10000; at += 16) {
        clock.set(at);
        canvas.beginFrame(0, 0, 0);
        updateParticles(app, canvas);
        ASSERT_EQ(app.particles.size(), 50u) << "at " << at;
        // Every listed particle is drawn exactly once, unless it expired last frame.
        if (canvas.points.size() < 50u) ++replacedSeen;
    }
    // Every first generation lives at most 9 s, so replacement really happened.
    EXPECT_GT(replacedSeen, 0);
    for (const Particle& particle : app.particles) EXPECT_EQ(particle.kind, ParticleKind::Background);
}

}  // namespace
}  // namespace flock
