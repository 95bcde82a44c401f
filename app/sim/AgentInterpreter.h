#pragma once
// An agent's own interpreter with exactly one decision library plugged in. The
// library goes first when the host is destroyed, then the interpreter.

#include <string>

#include "app/sim/AgentMind.h"
#include "decision/SteeringQuestions.h"
#include "interp/InterpreterHost.h"

namespace flock {

class AgentInterpreter : public AgentMind {
public:
    AgentInterpreter();

    void runCommand(std::string_view text) override;
    void runCommand(std::string_view text, tala::interp::Object& result) override;
    const vex::HeldDecisionMaker* decisionMaker() override { return &decisionMaker_; }

    tala::interp::InterpreterHost& host() { return host_; }

private:
    tala::interp::InterpreterHost host_;
    vex::HeldDecisionMaker decisionMaker_{host_.interpreter()};
};

}  // namespace flock
