#pragma once
// The commands an agent sends its mind: one table, the only place their texts are
// written. Each row names a command, its argument, what it does and the command text
// (an argument, where there is one, is appended to it).

#include <span>
#include <string>
#include <string_view>

#include "app/Agent.h"

namespace flock {

enum class AgentCommand { Declare, Create, Setup, Prepare, Stimulus, Think, Decide, Release };

struct AgentCommandRow {
    AgentCommand command;
    std::string_view name;
    std::string_view synopsis;  // the argument appended to the text; empty when none
    std::string_view summary;
    std::string_view text;
};

// Every row, in the order an agent's life uses them.
std::span<const AgentCommandRow> agentCommands();

// The command text of `command` followed by `argument`.
std::string agentCommandText(AgentCommand command, std::string_view argument = {});

// runAgentCommand and askAgentMind (app/Agent.h) with the text of `command`.
bool runAgentCommand(Agent& agent, AgentCommand command, std::string_view argument = {});
bool askAgentMind(Agent& agent, AgentCommand command, std::string& answer);

}  // namespace flock
