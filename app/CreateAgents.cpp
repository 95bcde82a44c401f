#include "app/AgentGroup.h"

namespace flock {

// The flock has no agents yet: the window shows only the background particles.
std::unique_ptr<AgentGroup> createAgents(AppState&) { return std::make_unique<NoAgents>(); }

}  // namespace flock
