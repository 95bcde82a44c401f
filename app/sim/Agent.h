#pragma once
// One flock member: where it is, where it heads, and the mind it asks for decisions.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/sim/AgentMind.h"
#include "app/sim/WorldSettings.h"

namespace flock {

inline constexpr int kAgentCount = 8;  // unless the command line asks for another number
inline constexpr int kMaxAgentCount = 256;
inline constexpr std::int32_t kDrawsPerTrailDot = 11;

// Failure texts already printed for one agent, so that a failure repeated every
// frame shows once. Kept small: past the limit nothing more is printed.
class FailureLog {
public:
    static constexpr std::size_t kLimit = 16;
    // True when `message` should be printed now.
    bool firstTime(const std::string& message);

private:
    std::vector<std::string> seen_;
};

// What the agent's decision maker gave as the probabilities of its decision, in the
// order forward, left, right; read just before it decides, while the odds are shown.
struct DecisionOdds {
    std::array<float, 3> probability{};
    bool known = false;
};

struct Agent {
    float x = 0;
    float y = 0;
    float heading = 0;        // degrees counter-clockwise from the x axis
    float targetHeading = 0;  // set by decisions; the heading turns towards it
    float speed = 1.0f;
    std::unique_ptr<AgentMind> mind;
    std::int32_t thinkCount = 0;    // thinking steps since the last decision
    std::int32_t trailCounter = 0;  // draws since the last trail dot
    std::int32_t stepCounter = 0;   // steering steps
    std::int32_t thinkPeriod = static_cast<std::int32_t>(WorldSettings{}.thinkPeriod);  // steering steps per thinking step
    bool watchOdds = false;  // read the odds before every decision
    DecisionOdds odds;
    FailureLog failures;
};

// Runs one command on the agent's mind. A failure is printed to standard output as
// "Error: " and its text (each distinct text once per agent) and the agent goes on;
// answers false then, or when the agent has no mind.
bool runAgentCommand(Agent& agent, std::string text);
// The same for a command whose value is read as a string into `answer`; a value
// that is not a string is such a failure.
bool askAgentMind(Agent& agent, std::string text, std::string& answer);

}  // namespace flock
