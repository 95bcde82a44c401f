#pragma once
// The observer of a flight: what one agent sensed and decided, told as values by the
// agent as it steers, and what its mind failed. The headless flight's figures and
// decision rows and the web page's live figures all read this one log.

#include <cstdint>
#include <memory>
#include <string>

#include "app/sim/AgentMind.h"

namespace flock {

// Forward after center, left after left, right after right.
bool decisionFollows(const std::string& stimulus, const std::string& decision);

// What one agent's mind was told and answered since its reader last looked.
struct MindLog {
    bool decided = false;  // set at each decision; the reader clears it
    std::string stimulus;  // the stimulus before the last decision
    std::string decision;  // its answer; empty when deciding failed
    std::int64_t answered = 0;   // decisions that gave an answer
    std::int64_t following = 0;  // of those, the ones that followed their stimulus
    std::int64_t failures = 0;   // commands that raised a failure, decisions not a text
    std::string firstFailure;
};

// Passes every command on to the real mind, logging failures, and logs the stimuli and
// decisions the agent tells it of.
class ObservedMind : public AgentMind {
public:
    ObservedMind(std::unique_ptr<AgentMind> inner, MindLog& log) : inner_(std::move(inner)), log_(log) {}

    void runCommand(std::string_view text) override;
    void runCommand(std::string_view text, tala::interp::Object& result) override;
    void decided(const std::string& stimulus, const std::string* decision) override;
    const vex::HeldDecisionMaker* decisionMaker() override { return inner_->decisionMaker(); }

private:
    template <typename Action>
    void counted(Action action);
    void failed(const std::string& text);

    std::unique_ptr<AgentMind> inner_;
    MindLog& log_;
    bool askFailed_ = false;  // the last command asked for a value raised a failure
};

}  // namespace flock
