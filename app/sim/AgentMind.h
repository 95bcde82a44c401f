#pragma once
// What an agent talks to its decision maker through: command texts of the
// object-level language. The program uses an AgentInterpreter; tests put a
// recorder here to see the commands and feed decisions.

#include <string>
#include <string_view>

#include "interp/Object.h"

namespace vex {
class HeldDecisionMaker;
}

namespace flock {

class AgentMind {
public:
    virtual ~AgentMind() = default;
    // Runs a command for its effect; its value is discarded.
    virtual void runCommand(std::string_view text) = 0;
    // Runs a command into the caller's result.
    virtual void runCommand(std::string_view text, tala::interp::Object& result) = 0;
    // Told after each decision: the stimulus before it, and its answer (none when
    // deciding failed), for whoever observes the flight.
    virtual void decided(const std::string& stimulus, const std::string* decision) {
        (void)stimulus;
        (void)decision;
    }
    // The door into the decision maker held in the global QDM, for what commands cannot
    // show (the odds of each decision) or set up (sensors chosen on the command line);
    // none when the mind is not an interpreter.
    virtual const vex::HeldDecisionMaker* decisionMaker() { return nullptr; }
};

}  // namespace flock
