#include "app/sim/AgentInterpreter.h"

#include <memory>
#include <utility>

#include "decision/VEXCommands.h"

namespace flock {

AgentInterpreter::AgentInterpreter() { host_.addLibrary(std::make_unique<vex::VEXCommands>()); }

void AgentInterpreter::runCommand(std::string text) { host_.runCommand(std::move(text)); }

void AgentInterpreter::runCommand(std::string text, tala::interp::Object& result) {
    host_.runCommand(std::move(text), result);
}

}  // namespace flock
