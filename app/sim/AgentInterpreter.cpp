#include "app/sim/AgentInterpreter.h"

#include <memory>
#include <utility>

#include "decision/VEXCommands.h"
#include "decision/ValueTypes.h"

namespace flock {

AgentInterpreter::AgentInterpreter() { host_.addLibrary(std::make_unique<vex::VEXCommands>()); }

void AgentInterpreter::runCommand(std::string text) { host_.runCommand(std::move(text)); }

void AgentInterpreter::runCommand(std::string text, tala::interp::Object& result) {
    host_.runCommand(std::move(text), result);
}

vex::QDM* AgentInterpreter::decisionMaker() {
    tala::interp::Object found;
    if (!host_.interpreter().globals().lookup("QDM", found) || !found.holds(tala::interp::ObjectType::UserType))
        return nullptr;
    auto* value = dynamic_cast<vex::QDMType*>(&found.getUserObject());
    // A value may still refer to a decision maker that a script has freed: null then.
    return value ? value->decisionMaker().get() : nullptr;
}

}  // namespace flock
