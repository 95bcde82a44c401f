#include "app/HeadlessFlight.h"

#include <cmath>

#include "app/AgentInterpreter.h"
#include "app/AppState.h"
#include "app/Steering.h"

namespace flock {

namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

struct FrameFigures {
    double distanceFromCentre = 0;
    double polarisation = 0;
    bool finite = true;
};

FrameFigures measure(const std::vector<Agent>& agents) {
    FrameFigures figures;
    double cx = 0, cy = 0, hx = 0, hy = 0;
    for (const Agent& agent : agents) {
        figures.finite = figures.finite && std::isfinite(agent.x) && std::isfinite(agent.y) &&
                         std::isfinite(agent.heading) && std::isfinite(agent.targetHeading);
        cx += agent.x;
        cy += agent.y;
        double r = agent.heading * kRadiansPerDegree;
        hx += std::cos(r);
        hy += std::sin(r);
    }
    double n = static_cast<double>(agents.size());
    cx /= n;
    cy /= n;
    for (const Agent& agent : agents) figures.distanceFromCentre += std::hypot(agent.x - cx, agent.y - cy);
    figures.distanceFromCentre /= n;
    figures.polarisation = std::hypot(hx / n, hy / n);
    return figures;
}

}  // namespace

void ObservedMind::runCommand(std::string text) {
    if (startsWith(text, kStimulusCommandPrefix)) log_.lastStimulus = text.substr(kStimulusCommandPrefix.size());
    inner_->runCommand(std::move(text));
}

void ObservedMind::runCommand(std::string text, tala::interp::Object& result) {
    bool deciding = text == kDecideCommand;
    inner_->runCommand(std::move(text), result);
    if (!deciding) return;
    log_.decisionFrames.push_back(frame_);
    if (result.holds(tala::interp::ObjectType::String) && decisionFollows(log_.lastStimulus, result.getString())) {
        log_.matches += 1;
    }
}

bool decisionFollows(const std::string& stimulus, const std::string& decision) {
    if (stimulus == "center") return decision == "forward";
    return (stimulus == "left" || stimulus == "right") && decision == stimulus;
}

FlightReport flyHeadless(const FlightSettings& settings) {
    ManualClock clock;
    AppState app(clock);
    app.paused = false;
    app.framesPerSecond = settings.framesPerSecond;

    FlightReport report;
    report.minds.resize(kAgentCount);
    std::int64_t frame = 0;
    std::size_t made = 0;
    auto flock = createFlock(
        [&]() -> std::unique_ptr<AgentMind> {
            MindLog& log = report.minds[made++ % report.minds.size()];
            return std::make_unique<ObservedMind>(std::make_unique<AgentInterpreter>(), log, frame);
        },
        FlockStart{kAgentCount, settings.setupScript, {}});
    for (int i = 0; i < kBackgroundParticleCount; ++i) createBackgroundParticle(app);

    NullCanvas canvas;
    auto frames = static_cast<std::int64_t>(settings.seconds * settings.framesPerSecond);
    double frameMs = 1000.0 / settings.framesPerSecond;
    double sumDistance = 0, sumPolarisation = 0;
    for (frame = 0; frame < frames; ++frame) {
        updateParticles(app, canvas);
        for (std::size_t i = 0; i < flock->agentCount(); ++i) {
            flock->steerAgent(i, app);
            flock->drawAgent(i, app, canvas);
        }
        FrameFigures figures = measure(flock->agents());
        report.allFinite = report.allFinite && figures.finite;
        sumDistance += figures.distanceFromCentre;
        sumPolarisation += figures.polarisation;
        report.finalDistanceFromCentre = figures.distanceFromCentre;
        report.finalPolarisation = figures.polarisation;
        // Whole milliseconds on the program clock, without drift.
        clock.set(static_cast<Milliseconds>(std::llround((frame + 1) * frameMs)));
    }
    flock->releaseAgents();

    report.frames = frames;
    if (frames > 0) {
        report.meanDistanceFromCentre = sumDistance / static_cast<double>(frames);
        report.meanPolarisation = sumPolarisation / static_cast<double>(frames);
    }
    for (const MindLog& log : report.minds) {
        report.decisions += static_cast<std::int64_t>(log.decisionFrames.size());
        report.matches += log.matches;
    }
    return report;
}

}  // namespace flock
