// The flock without a window: one frame of 8, 64 or 256 agents with their decision makers
// (the baseline flies the same agents without minds, so the difference is the
// decision makers' share), the start-up of eight agents up to the first frame, and
// whole headless flights of a simulated minute.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <streambuf>
#include <string>

#include "app/sim/AgentInterpreter.h"
#include "app/sim/AppState.h"
#include "app/sim/Flock.h"
#include "app/sim/HeadlessFlight.h"
#include "bench/BenchSupport.h"

namespace {

using bench::QuietOutput;


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
    flock::FlockStart start;
    start.agentCount = static_cast<int>(state.range(0));
    auto agents = flock::createFlock(makeMind, start);
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

// A whole headless flight as `flock --headless` flies it: start-up, then 60 simulated
// seconds of eight agents at 60 frames per second, with the shipped trained sensors
// (argument 0), untrained random ones (1), or the trained ones with every agent
// reading its decision odds before it decides, as the window's D overlay has them (2).
// The counters are the flight's figures: mean distance from the centroid,
// polarisation (length of the mean unit heading) and the share of decisions that
// followed the stimulus before them.
void BM_HeadlessFlight(benchmark::State& state) {
    enterDataDirectory();
    flock::FlightSettings settings;
    settings.seconds = 60;
    if (state.range(0) == 1) settings.flock.sensors = flock::SensorSource::Random;
    settings.watchOdds = state.range(0) == 2;
    flock::FlightRecord record;
    for (auto _ : state) {
        QuietOutput quiet;
        record = flock::flyHeadless(settings);
    }
    state.counters["distance"] = record.whole.meanDistance();
    state.counters["polarisation"] = record.whole.meanPolarisation();
    state.counters["following"] = record.whole.followingShare();
}

BENCHMARK(BM_FlockFrame)->Arg(8)->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FlockFrame_Baseline)->Arg(8)->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FlockStartup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeadlessFlight)->Arg(0)->Arg(1)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
