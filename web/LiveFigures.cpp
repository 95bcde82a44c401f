#include "web/LiveFigures.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "app/sim/Steering.h"

namespace flock::web {

std::unique_ptr<AgentMind> LiveFigures::watch(std::unique_ptr<AgentMind> mind) {
    logs_.push_back(std::make_unique<MindLog>());
    return std::make_unique<ObservedMind>(std::move(mind), *logs_.back());
}

void LiveFigures::addFrame(const std::vector<Agent>& agents) {
    if (agents.empty()) return;
    double cx = 0, cy = 0, hx = 0, hy = 0;
    for (const Agent& agent : agents) {
        cx += agent.x;
        cy += agent.y;
        hx += std::cos(agent.heading * kRadiansPerDegree);
        hy += std::sin(agent.heading * kRadiansPerDegree);
    }
    const double n = static_cast<double>(agents.size());
    double distance = 0;
    for (const Agent& agent : agents) distance += std::hypot(agent.x - cx / n, agent.y - cy / n);
    const double d = distance / n, p = std::hypot(hx / n, hy / n);
    // A flock that has flown off to infinity shows no figures rather than NaN.
    if (!std::isfinite(d) || !std::isfinite(p)) return;
    distanceSum_ += d;
    polarisationSum_ += p;
    frames_ += 1;
}

std::string LiveFigures::take() {
    std::int64_t decisions = 0, following = 0;
    for (auto& log : logs_) {
        decisions += std::exchange(log->answered, 0);
        following += std::exchange(log->following, 0);
    }
    const double frames = frames_ > 0 ? static_cast<double>(frames_) : 1.0;
    char text[96];
    std::snprintf(text, sizeof text, "%.3f %.3f %.3f", distanceSum_ / frames, polarisationSum_ / frames,
                  decisions > 0 ? static_cast<double>(following) / static_cast<double>(decisions) : -1.0);
    distanceSum_ = polarisationSum_ = 0;
    frames_ = 0;
    return text;
}

void LiveFigures::clear() {
    logs_.clear();
    take();
}

}  // namespace flock::web
