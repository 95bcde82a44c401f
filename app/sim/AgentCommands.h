#pragma once
// The commands an agent sends its mind: one table, the only place their texts are
// written (an argument, where there is one, is appended to the text).

#include <string>
#include <string_view>

#include "app/sim/Agent.h"

namespace flock {

enum class AgentCommand { Declare, Create, Setup, Prepare, Stimulus, Think, Decide, Release };

// The command text of `command` followed by `argument`.
std::string agentCommandText(AgentCommand command, std::string_view argument = {});

// runAgentCommand and askAgentMind (app/Agent.h) with the text of `command`.
bool runAgentCommand(Agent& agent, AgentCommand command, std::string_view argument = {});
bool askAgentMind(Agent& agent, AgentCommand command, std::string& answer);

}  // namespace flock
