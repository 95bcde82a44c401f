#include "app/sim/AgentInterpreter.h"

#include <memory>
#include <utility>

#include "decision/VEXCommands.h"

namespace flock {

AgentInterpreter::AgentInterpreter() { host_.addLibrary(std::make_unique<vex::VEXCommands>()); }

void AgentInterpreter::runCommand(std::string_view text) { host_.runCommand(text); }

void AgentInterpreter::runCommand(std::string_view text, tala::interp::Object& result) {
    host_.runCommand(text, result);
}

}  // namespace flock
