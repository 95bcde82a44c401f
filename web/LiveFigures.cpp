#include "web/LiveFigures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "app/sim/Steering.h"
#include "app/sim/WorldSettings.h"

namespace flock::web {

std::unique_ptr<AgentMind> LiveFigures::watch(std::unique_ptr<AgentMind> mind) {
    logs_.push_back(std::make_unique<MindLog>());
    return std::make_unique<ObservedMind>(std::move(mind), *logs_.back());
}

void LiveFigures::drainLogs() {
    for (auto& log : logs_) {
        const std::int64_t answered = std::exchange(log->answered, 0);
        const std::int64_t following = std::exchange(log->following, 0);
        const std::int64_t failures = std::exchange(log->failures, 0);
        decisions_ += answered;
        following_ += following;
        for (FlightFigures* kept : {&second_, &sample_, &record_.whole}) {
            kept->decisions += answered;
            kept->following += following;
            kept->failures += failures;
        }
    }
}

void LiveFigures::addFrame(const std::vector<Agent>& agents, double seconds) {
    drainLogs();
    if (agents.empty()) return;
    const FrameShape shape = measureFrame(agents);
    const double d = shape.distanceFromCentre, p = shape.polarisation;
    // A flock that has flown off to infinity shows no figures rather than NaN.
    const bool finite = std::isfinite(d) && std::isfinite(p);
    if (finite) {
        distanceSum_ += d;
        polarisationSum_ += p;
        frames_ += 1;
    } else {
        record_.allFinite = false;
    }
    if (!(seconds > 0)) return;

    flown_ += seconds;
    record_.whole.endSeconds = flown_;
    if (finite) {
        for (FlightFigures* kept : {&second_, &sample_, &record_.whole}) {
            kept->frames += 1;
            kept->distanceSum += d;
            kept->polarisationSum += p;
        }
    }
    // Frame times add up with a rounding each: a hair short of a sample is that sample.
    constexpr double kHair = 1e-9;
    const auto samplesDue = static_cast<std::size_t>(flown_ * kSamplesPerSecond + kHair);
    while (record_.distance.size() < std::min(samplesDue, kSampleLimit)) {
        closeSample();
        keepPositions(agents);
    }
    sample_ = {};
    const auto secondsDue = static_cast<std::size_t>(flown_ + kHair);
    while (series_.size() < std::min(secondsDue, kSampleLimit / kSamplesPerSecond)) {
        second_.endSeconds = static_cast<double>(series_.size() + 1);
        series_.push_back(std::exchange(second_, {}));
    }
}

void LiveFigures::closeSample() {
    // A sample that a long frame skipped holds the frame's figures again.
    if (sample_.frames > 0) {
        record_.distance.push_back(sample_.meanDistance());
        record_.polarisation.push_back(sample_.meanPolarisation());
    } else {
        record_.distance.push_back(record_.distance.empty() ? 0 : record_.distance.back());
        record_.polarisation.push_back(record_.polarisation.empty() ? 0 : record_.polarisation.back());
    }
}

void LiveFigures::keepPositions(const std::vector<Agent>& agents) {
    if (++samplesSincePoint_ < pathStride_) return;
    samplesSincePoint_ = 0;
    std::vector<std::vector<PathPoint>>& paths = record_.paths;
    if (paths.size() < agents.size()) paths.resize(agents.size());
    for (std::size_t i = 0; i < agents.size(); ++i) paths[i].push_back({agents[i].x, agents[i].y});
    // The picture draws at most a few hundred points a path: halving keeps its shape.
    const std::size_t share = std::max<std::size_t>(1200, kPathPointLimit / paths.size());
    if (paths[0].size() < share) return;
    for (std::vector<PathPoint>& path : paths) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < path.size(); i += 2) path[kept++] = path[i];
        path.resize(kept);
    }
    pathStride_ *= 2;
}

std::string LiveFigures::take() {
    drainLogs();
    const double frames = frames_ > 0 ? static_cast<double>(frames_) : 1.0;
    char text[96];
    std::snprintf(text, sizeof text, "%.3f %.3f %.3f", distanceSum_ / frames, polarisationSum_ / frames,
                  decisions_ > 0 ? static_cast<double>(following_) / static_cast<double>(decisions_) : -1.0);
    distanceSum_ = polarisationSum_ = 0;
    frames_ = decisions_ = following_ = 0;
    return text;
}

void LiveFigures::clear() {
    logs_.clear();
    take();
    flown_ = 0;
    second_ = sample_ = {};
    series_.clear();
    record_ = {};
    pathStride_ = 1;
    samplesSincePoint_ = 0;
}

}  // namespace flock::web

namespace flock::web {

std::string seriesCsv(const std::vector<FlightFigures>& seconds) {
    std::string csv = "run,time";
    for (const FlightFigure& figure : kFlightFigures) csv += std::string(",") + figure.name;
    csv += '\n';
    for (const FlightFigures& second : seconds) {
        // The page flies one run, 0, as a single headless flight is.
        csv += "0,";
        csv += settingText(second.endSeconds);
        const FigureValues values = valuesOf(second);
        for (std::size_t i = 0; i < kFigureCount; ++i) {
            csv += ',';
            csv += kFlightFigures[i].count ? std::to_string(static_cast<std::int64_t>(values[i])) : settingText(values[i]);
        }
        csv += '\n';
    }
    return csv;
}

}  // namespace flock::web
