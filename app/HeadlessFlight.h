#pragma once
// The flock flown without a window at a fixed frame rate, with what it takes to
// judge it: how close and how aligned the agents fly, and how often a decision
// follows the stimulus before it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/AgentMind.h"
#include "app/Canvas.h"
#include "app/Flock.h"

namespace flock {

// Draws nothing.
class NullCanvas : public Canvas {
public:
    void beginFrame(float, float, float) override {}
    void setColor(float, float, float, float) override {}
    void drawPoint(float, float, float) override {}
    void drawLine(float, float, float, float, float, float) override {}
    void fillRect(float, float, float, float) override {}
    void present() override {}
};

// What one agent's mind was told and answered.
struct MindLog {
    std::string lastStimulus;               // center, left or right
    std::vector<std::int64_t> decisionFrames;  // frame numbers of the decisions
    std::int64_t matches = 0;               // decisions that followed the stimulus
};

// Passes every command on to the real mind and logs stimuli and decisions.
class ObservedMind : public AgentMind {
public:
    ObservedMind(std::unique_ptr<AgentMind> inner, MindLog& log, const std::int64_t& frame)
        : inner_(std::move(inner)), log_(log), frame_(frame) {}

    void runCommand(std::string text) override;
    void runCommand(std::string text, tala::interp::Object& result) override;

private:
    std::unique_ptr<AgentMind> inner_;
    MindLog& log_;
    const std::int64_t& frame_;
};

// Forward after center, left after left, right after right.
bool decisionFollows(const std::string& stimulus, const std::string& decision);

struct FlightSettings {
    float framesPerSecond = 60;
    double seconds = 60;
    std::string setupScript = kSetupScript;
};

struct FlightReport {
    std::int64_t frames = 0;
    double meanDistanceFromCentre = 0;  // averaged over the frames
    double finalDistanceFromCentre = 0;
    double meanPolarisation = 0;        // length of the mean unit heading, averaged
    double finalPolarisation = 0;
    std::int64_t decisions = 0;
    std::int64_t matches = 0;
    bool allFinite = true;              // every position and heading of every frame
    std::vector<MindLog> minds;
};

// Agents made with real interpreters in the working directory, unpaused from the
// first frame, flown for the given simulated time, then released.
FlightReport flyHeadless(const FlightSettings& settings);

}  // namespace flock
