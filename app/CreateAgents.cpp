#include "app/AgentInterpreter.h"
#include "app/Flock.h"

namespace flock {

std::unique_ptr<AgentGroup> createAgents(AppState&) {
    return createFlock([] { return std::make_unique<AgentInterpreter>(); });
}

}  // namespace flock
