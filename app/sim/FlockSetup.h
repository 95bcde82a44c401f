#pragma once
// The program's own agents: real interpreters in the working directory, the sensors
// the command line chose, and a check that the first decision maker can fly before
// anything else is made.

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/sim/Agent.h"
#include "app/sim/Flock.h"

namespace vex {
class HeldDecisionMaker;
}

namespace flock {

enum class SensorSource {
    Setup,   // those the setup script loads
    File,    // a sensor file in place of them
    Random,  // center, left and right drawn afresh, as an untrained decision maker has them
};

// The sensor kinds, one row each: a sweep's words, the web page's choices and the
// pictures' titles come from here; what each loads is createProgramFlock's.
struct SensorKind {
    SensorSource source;
    const char* word;    // a sweep's item for it; null: the item names a file
    const char* choice;  // the web page's choice and link word; null: not on the page
    const char* title;   // in a picture's title; a file's is followed by the file's name
};
inline constexpr SensorKind kSensorKinds[] = {
    {SensorSource::Setup, "setup", "trained", "the setup's sensors"},
    {SensorSource::File, nullptr, nullptr, "sensors from "},
    {SensorSource::Random, "random", "random", "random sensors"},
};

struct FlockChoice {
    int agentCount = kAgentCount;
    SensorSource sensors = SensorSource::Setup;
    std::string sensorFile;  // for SensorSource::File
    WorldSettings world;     // default: the flock's own world
    std::string setupScript;  // empty: the data folder's vex_flock_setup.txt
    std::vector<std::string> scriptFolders;  // searched for scripts after the working folder
};

// The title of the chosen sensors: "random sensors", "sensors from NAME" (without its folder), ...
std::string sensorsTitle(const FlockChoice& choice);

// The flock cannot fly with this data or these sensors; the text says why, in one line.
class SetupFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Wraps each agent's interpreter, to watch what it is told.
using MindWrapper = std::function<std::unique_ptr<AgentMind>(std::unique_ptr<AgentMind>)>;

// The agents, made as createFlock makes them, each with its sensors replaced as
// chosen right after its start-up. Raises SetupFailure when the sensor file cannot be
// read or the first agent's decision maker cannot steer (see flightProblem); the
// agents made so far are released first.
std::unique_ptr<Flock> createProgramFlock(const FlockChoice& choice, const MindWrapper& wrap = {});

// Why this decision maker cannot steer an agent, or empty when it can: it must exist,
// decide forward, left or right in action space 0, hold the sensors center, left and
// right at a size it can apply, and have its transition operator and state.
std::string flightProblem(const vex::HeldDecisionMaker* decisionMaker);

}  // namespace flock
