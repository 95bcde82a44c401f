#include "app/sim/FlockSetup.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/sim/AgentInterpreter.h"
#include "app/sim/DecisionOdds.h"
#include "decision/SensorFile.h"
#include "decision/SteeringQuestions.h"
#include "support/Failure.h"

namespace flock {

namespace {

inline constexpr const char* kStimulusNames[] = {"center", "left", "right"};

// Read once, then copied into every decision maker.
std::vector<vex::Sensor> readSensorFile(const std::string& fileName) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(fileName, error);
    if (!std::filesystem::is_regular_file(status)) {
        const std::string reason = error                                  ? error.message()
                                   : std::filesystem::is_directory(status) ? "Is a directory"
                                                                            : "not a regular file";
        throw SetupFailure("cannot read the sensor file '" + fileName + "': " + reason);
    }
    try {
        std::vector<vex::Sensor> sensors = vex::readSensorFile(fileName);
        vex::reportLoad(fileName, sensors, sensors.size());
        return sensors;
    } catch (const support::Failure&) {
        throw SetupFailure("'" + fileName + "' is not a sensor file, or it is damaged");
    }
}

void replaceSensors(const vex::HeldDecisionMaker& decisionMaker, const FlockChoice& choice,
                    const std::vector<vex::Sensor>& fromFile) {
    if (choice.sensors == SensorSource::File) decisionMaker.loadSensors(fromFile);
    if (choice.sensors == SensorSource::Random) decisionMaker.loadRandomSensors(kStimulusNames);
}

}  // namespace

std::string sensorsTitle(const FlockChoice& choice) {
    for (const SensorKind& kind : kSensorKinds)
        if (kind.source == choice.sensors)
            return kind.title + (kind.word ? "" : std::filesystem::path(choice.sensorFile).filename().string());
    return {};
}

std::string flightProblem(const vex::HeldDecisionMaker* decisionMaker) {
    if (!decisionMaker) return "no decision maker was made";
    return decisionMaker->steeringProblem(kDecisionNames, kStimulusNames);
}

std::unique_ptr<Flock> createProgramFlock(const FlockChoice& choice, const MindWrapper& wrap) {
    std::vector<vex::Sensor> fromFile;
    if (choice.sensors == SensorSource::File) fromFile = readSensorFile(choice.sensorFile);

    FlockStart start;
    start.agentCount = choice.agentCount;
    start.world = choice.world;
    if (!choice.setupScript.empty()) start.setupScript = choice.setupScript;
    start.scriptFolders = choice.scriptFolders;
    start.afterStart = [&](Agent& agent, std::size_t index) {
        const vex::HeldDecisionMaker* decisionMaker = agent.mind->decisionMaker();
        if (decisionMaker) replaceSensors(*decisionMaker, choice, fromFile);
        // Every agent reads the same script: the first speaks for all of them.
        if (index != 0) return;
        const std::string problem = flightProblem(decisionMaker);
        if (problem.empty()) return;
        // Sensors read with --sensors are the file's fault, not the data folder's.
        if (choice.sensors == SensorSource::File && decisionMaker && decisionMaker->steeringSensorProblem(kStimulusNames) == problem)
            throw SetupFailure("cannot fly with the sensors of '" + choice.sensorFile + "': " + problem);
        if (!choice.setupScript.empty())
            throw SetupFailure("cannot fly with the setup '" + choice.setupScript + "': " + problem);
        throw SetupFailure("cannot fly with the data in '" + std::filesystem::current_path().string() +
                           "': " + problem);
    };
    auto makeMind = [&]() -> std::unique_ptr<AgentMind> {
        auto mind = std::make_unique<AgentInterpreter>();
        return wrap ? wrap(std::move(mind)) : std::move(mind);
    };
    return createFlock(makeMind, start);
}

}  // namespace flock
