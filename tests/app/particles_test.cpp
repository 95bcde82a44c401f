#include "app/sim/Particles.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <vector>
#include "app/sim/AppState.h"
#include "RecordingCanvas.h"

namespace flock {
namespace {

class ParticleTest : public ::testing::Test {
protected:
    ParticleTest() : app(clock) {}
    void add(float x, std::int32_t kind, std::int32_t phase) {
        app.particles.push_back({x, 0, 1, kind, {clock.now() + 1000, 1000}, phase});  // a 1 s phase from now
    }
    void drawFrameAt(Milliseconds at) {
        clock.set(at);
        canvas.beginFrame(0, 0, 0);
        updateParticles(app, canvas);
    }

    ManualClock clock;
    AppState app;
    testing::RecordingCanvas canvas;
};

TEST(Timer, AZeroPeriodIsCompleteAndALongRunDoesNotWrap) {
    ManualClock clock;
    clock.set(Milliseconds{1} << 31);  // beyond a 32-bit millisecond count
    Timer timer;
    timer.start(clock);
    EXPECT_TRUE(timer.expired(clock) && timer.progress(clock) == 1.0f);
    timer.period = 2000;
    timer.start(clock);
    clock.advance(500);
    EXPECT_FLOAT_EQ(timer.progress(clock), 0.25f);
    EXPECT_FALSE(timer.expired(clock));
}

TEST_F(ParticleTest, BackgroundParticleFadesInGlowsFadesOutAndIsReplacedATrailDotIsNot) {
    add(3, ParticleKind::Background, ParticlePhase::FadingIn);
    for (auto [at, grey] : {std::pair<Milliseconds, float>{0, 0}, {500, 0.5f}, {1000, 1}, {1600, 1}, {2000, 1},
                            {2250, 0.75f}}) {
        drawFrameAt(at);
        ASSERT_EQ(canvas.points.size(), 1u);
        EXPECT_FLOAT_EQ(canvas.points[0].grey, grey) << "at " << at;
    }
    drawFrameAt(3000);  // expires while aged: still listed until the next pass
    EXPECT_EQ(app.particles.front().phase, ParticlePhase::Expired);
    drawFrameAt(3010);
    EXPECT_TRUE(canvas.points.empty());
    ASSERT_EQ(app.particles.size(), 1u);
    EXPECT_EQ(app.particles.front().phase, ParticlePhase::FadingIn);
    EXPECT_FLOAT_EQ(canvas.color.red, 1.0f);  // colour left opaque white
    app.particles.clear();  // a trail dot glows for two seconds, then fades for two
    clock.set(100);
    dropTrailDot(app, 1.5f, -2.5f);
    drawFrameAt(2099);
    ASSERT_EQ(canvas.points.size(), 1u);
    EXPECT_FLOAT_EQ(canvas.points[0].grey, 1.0f);
    for (Milliseconds at : {2100, 3100, 4100, 4200}) drawFrameAt(at);
    EXPECT_TRUE(app.particles.empty());
}

TEST_F(ParticleTest, SeveralExpiriesInOneFrameDrawEveryOtherParticleOnceAndKeepOrder) {
    using namespace ParticleKind;
    using namespace ParticlePhase;
    add(1, Background, Expired), add(2, TrailDot, Glowing), add(3, Background, Expired);
    add(4, TrailDot, Expired), add(5, Background, Glowing), add(6, Background, Expired);
    drawFrameAt(0);
    ASSERT_EQ(canvas.points.size(), 2u);
    EXPECT_TRUE(canvas.points[0].x == 2 && canvas.points[1].x == 5);
    std::vector<std::int32_t> phases;  // survivors first, in their order; three background replacements after them
    for (const Particle& particle : app.particles) phases.push_back(particle.phase);
    EXPECT_EQ(phases, (std::vector<std::int32_t>{1, 1, 0, 0, 0}));
    EXPECT_FLOAT_EQ(app.particles.front().x, 2.0f);
    EXPECT_EQ(app.particles.back().kind, Background);
}

TEST_F(ParticleTest, FiftyBackgroundParticlesAroundTheCameraTargetStayFiftyForTenSeconds) {
    clock.set(700);
    app.cameraX = 10, app.cameraY = -5;  // the camera looks at (-10, 5)
    std::srand(11);
    for (int i = 0; i < kBackgroundParticleCount; ++i) createBackgroundParticle(app);
    for (const Particle& p : app.particles) {
        EXPECT_TRUE(p.x >= -60 && p.x <= 39.9f + 1e-4f && p.y >= -45 && p.y <= 54.9f + 1e-4f) << p.x << " " << p.y;
        EXPECT_TRUE(p.timer.period >= 1000 && p.timer.period <= 2999) << p.timer.period;
        EXPECT_EQ(p.timer.deadline, 700 + p.timer.period);
    }
    int framesWithAReplacement = 0;
    for (Milliseconds at = 700; at <= 10700; at += 16) {
        drawFrameAt(at);
        ASSERT_EQ(app.particles.size(), 50u) << "at " << at;
        if (canvas.points.size() < 50u) ++framesWithAReplacement;
    }
    // Every first generation lives at most 9 s: replacements, at the frames this seed gives.
    EXPECT_EQ(framesWithAReplacement, 52);
}

}  // namespace
}  // namespace flock
