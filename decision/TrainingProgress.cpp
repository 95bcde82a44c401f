#include "decision/TrainingProgress.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace vex {

namespace {

constexpr double kUpdateInterval = 0.1;  // seconds: at most 10 updates a second

template <class... Values>
std::string formatted(const char* format, Values... values) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return buffer;
}

std::string elapsedText(double seconds) {
    if (seconds < 60.0) return formatted("%.1f s", seconds);
    const double whole = std::floor(seconds);
    return formatted("%.0f min %02.0f s", std::floor(whole / 60.0), std::fmod(whole, 60.0));
}

std::string leftText(double seconds) {
    if (seconds < 1.0) return "under a second left";
    if (seconds < 60.0) return formatted("about %.0f s left", seconds);
    return formatted("about %.0f min left", seconds / 60.0);
}

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string progressText(const ProgressFigures& figures) {
    std::string text = "generation " + std::to_string(figures.generation) + "/" + std::to_string(figures.generations);
    if (figures.latest != nullptr) {
        text += "  best " + formatted("%.2f", figures.latest->best) + " of " + formatted("%.0f", kFitnessCeiling);
        if (!figures.latest->bestRules.empty()) {
            text += "  (rules";
            for (double rule : figures.latest->bestRules) text += ' ' + formatted("%.2f", rule);
            text += ')';
        }
    }
    text += "  " + elapsedText(figures.elapsed);
    if (!figures.over && figures.finished > 0 && figures.finished < figures.generations)
        text += ", " + leftText(figures.elapsed / figures.finished * (figures.generations - figures.finished));
    return text;
}

TrainingProgress::TrainingProgress(int generations, support::TaskProgress& shown, Clock clock)
    : shown_(shown), clock_(clock ? std::move(clock) : Clock(steadySeconds)), start_(clock_()) {
    figures_.generations = generations;
    shown_.begin();
}

TrainingProgress::~TrainingProgress() { close(); }

void TrainingProgress::startGeneration(int index) {
    cutShort_ = false;
    figures_.generation = index + 1;
    update(!updatedOnce_);
}

void TrainingProgress::finishGeneration(const GenerationFitness& fitness) {
    latest_ = fitness;
    figures_.latest = &latest_;
    figures_.finished = figures_.generation;
    update(false);
}

void TrainingProgress::tick() { update(false); }

void TrainingProgress::close() {
    if (closed_) return;
    closed_ = true;
    figures_.generation = figures_.finished;
    figures_.over = true;
    figures_.elapsed = clock_() - start_;
    shown_.end(progressText(figures_));
}

void TrainingProgress::update(bool force) {
    if (closed_) return;
    const double now = clock_();
    if (!force && updatedOnce_ && now - lastUpdate_ < kUpdateInterval) return;
    updatedOnce_ = true;
    lastUpdate_ = now;
    figures_.elapsed = now - start_;
    shown_.show(progressText(figures_));
}

}  // namespace vex
