// The flock without a window: one frame of eight agents with their decision makers
// (the baseline flies the same agents without minds, so the difference is the
// decision makers' share), and the start-up of eight agents up to the first frame.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <streambuf>

#include "app/AgentInterpreter.h"
#include "app/AppState.h"
#include "app/Flock.h"
#include "app/HeadlessFlight.h"

namespace {

// Finalising and deciding print progress lines; keep them off the report.
class QuietOutput {
public:
    QuietOutput() : saved_(std::cout.rdbuf(&discard_)) {}
    ~QuietOutput() { std::cout.rdbuf(saved_); }

private:
    struct Discard : std::streambuf {
        int overflow(int c) override { return c; }
    } discard_;
    std::streambuf* saved_;
};

// The setup script and the files it reads are found from the working directory.
void enterDataDirectory() {
    static const bool entered = [] {
        std::filesystem::current_path(std::filesystem::path(__FILE__).parent_path().parent_path() / "data");
        return true;
    }();
    (void)entered;
}

std::unique_ptr<flock::AgentMind> realMind() { return std::make_unique<flock::AgentInterpreter>(); }
std::unique_ptr<flock::AgentMind> noMind() { return nullptr; }

// Steers and draws every agent and ages the particles, as a running frame does.
void flyOneFrame(flock::Flock& agents, flock::AppState& app, flock::Canvas& canvas, flock::ManualClock& clock) {
    flock::updateParticles(app, canvas);
    for (std::size_t i = 0; i < agents.agentCount(); ++i) {
        agents.steerAgent(i, app);
        agents.drawAgent(i, app, canvas);
    }
    clock.advance(16);
}

void flyFrames(benchmark::State& state, const flock::MindFactory& makeMind) {
    enterDataDirectory();
    QuietOutput quiet;
    std::srand(1);
    flock::ManualClock clock;
    flock::AppState app(clock);
    app.paused = false;
    app.framesPerSecond = 60;
    flock::NullCanvas canvas;
    auto agents = flock::createFlock(makeMind);
    for (auto _ : state) flyOneFrame(*agents, app, canvas, clock);
    state.SetItemsProcessed(state.iterations());  // frames
    agents->releaseAgents();
}

void BM_FlockFrame(benchmark::State& state) { flyFrames(state, realMind); }
void BM_FlockFrame_Baseline(benchmark::State& state) { flyFrames(state, noMind); }

// Eight agents, each finalising its decision maker, then the first frame.
void BM_FlockStartup(benchmark::State& state) {
    enterDataDirectory();
    QuietOutput quiet;
    std::srand(1);
    for (auto _ : state) {
        flock::ManualClock clock;
        flock::AppState app(clock);
        app.paused = false;
        app.framesPerSecond = 60;
        flock::NullCanvas canvas;
        auto agents = flock::createFlock(realMind);
        for (int i = 0; i < flock::kBackgroundParticleCount; ++i) flock::createBackgroundParticle(app);
        flyOneFrame(*agents, app, canvas, clock);
        state.PauseTiming();
        agents.reset();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_FlockFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FlockFrame_Baseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FlockStartup)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
