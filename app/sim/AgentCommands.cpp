#include <algorithm>
#include <array>
#include <exception>
#include <iterator>
#include <utility>

#include "app/sim/AgentCommands.h"
#include "support/ScriptOutput.h"

namespace flock {

namespace {

struct AgentCommandRow {
    AgentCommand command;
    std::string_view text;
};

constexpr AgentCommandRow kAgentCommands[] = {
    {AgentCommand::Declare, "global (new vex::QDM QDM)"},
    {AgentCommand::Create, "vex::qdm::new (get QDM)"},
    {AgentCommand::Setup, "file "},  // then the setup script
    {AgentCommand::Prepare, "vex::qdm::prepare (get QDM)"},
    {AgentCommand::Stimulus, "vex::qdm::apply_op (get QDM) "},  // then center, left or right
    {AgentCommand::Think, "vex::qdm::think (get QDM)"},
    {AgentCommand::Decide, "vex::qdm::decide_str QDM 0"},
    {AgentCommand::Release, "vex::qdm::free (get QDM)"},
};

constexpr bool rowsInEnumOrder() {
    for (std::size_t i = 0; i < std::size(kAgentCommands); ++i)
        if (static_cast<std::size_t>(kAgentCommands[i].command) != i) return false;
    return true;
}
static_assert(rowsInEnumOrder(), "one row per command, in the order of AgentCommand");

// The texts sent every frame, made once: each command without an argument, and the
// stimuli. Null for any other argument.
const std::string* repeatedCommandText(AgentCommand command, std::string_view argument) {
    static const auto bare = [] {
        std::array<std::string, std::size(kAgentCommands)> texts;
        for (const AgentCommandRow& row : kAgentCommands) texts[static_cast<std::size_t>(row.command)] = row.text;
        return texts;
    }();
    static constexpr std::string_view kStimuli[] = {"center", "left", "right"};
    static const auto stimuli = [] {
        std::array<std::string, std::size(kStimuli)> texts;
        for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = agentCommandText(AgentCommand::Stimulus, kStimuli[i]);
        return texts;
    }();
    if (argument.empty()) return &bare[static_cast<std::size_t>(command)];
    if (command != AgentCommand::Stimulus) return nullptr;
    for (std::size_t i = 0; i < stimuli.size(); ++i)
        if (argument == kStimuli[i]) return &stimuli[i];
    return nullptr;
}

void report(Agent& agent, const std::string& message) {
    if (!agent.failures.firstTime(message)) return;
    // Some failure texts carry their own line end.
    support::out() << "Error: " << message;
    if (message.empty() || message.back() != '\n') support::out() << '\n';
    support::out().flush();
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

bool runAgentCommand(Agent& agent, std::string_view text) {
    return guarded(agent, [&](AgentMind& mind) { mind.runCommand(text); });
}

bool askAgentMind(Agent& agent, std::string_view text, std::string& answer) {
    return guarded(agent, [&](AgentMind& mind) {
        tala::interp::Object result;
        mind.runCommand(text, result);
        answer = result.getString();
    });
}

std::string agentCommandText(AgentCommand command, std::string_view argument) {
    std::string text(kAgentCommands[static_cast<std::size_t>(command)].text);
    text += argument;
    return text;
}

bool runAgentCommand(Agent& agent, AgentCommand command, std::string_view argument) {
    if (const std::string* text = repeatedCommandText(command, argument)) return runAgentCommand(agent, *text);
    return runAgentCommand(agent, agentCommandText(command, argument));
}

bool askAgentMind(Agent& agent, AgentCommand command, std::string& answer) {
    return askAgentMind(agent, *repeatedCommandText(command, {}), answer);
}

}  // namespace flock
