#include <algorithm>
#include <exception>
#include <iostream>
#include <utility>

#include "app/Agent.h"

namespace flock {

namespace {

void report(Agent& agent, const std::string& message) {
    if (!agent.failures.firstTime(message)) return;
    // Some failure texts carry their own line end.
    std::cout << "Error: " << message;
    if (message.empty() || message.back() != '\n') std::cout << '\n';
    std::cout.flush();
}

template <typename Action>
bool guarded(Agent& agent, Action action) {
    if (!agent.mind) return false;
    try {
        action(*agent.mind);
        return true;
    } catch (const std::exception& failure) {
        report(agent, failure.what());
    }
    return false;
}

}  // namespace

bool FailureLog::firstTime(const std::string& message) {
    if (std::find(seen_.begin(), seen_.end(), message) != seen_.end()) return false;
    if (seen_.size() >= kLimit) return false;
    seen_.push_back(message);
    return true;
}

bool runAgentCommand(Agent& agent, std::string text) {
    return guarded(agent, [&](AgentMind& mind) { mind.runCommand(std::move(text)); });
}

bool askAgentMind(Agent& agent, std::string text, std::string& answer) {
    return guarded(agent, [&](AgentMind& mind) {
        tala::interp::Object result;
        mind.runCommand(std::move(text), result);
        answer = result.getString();
    });
}

}  // namespace flock
