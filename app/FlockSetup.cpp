#include "app/FlockSetup.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/AgentInterpreter.h"
#include "app/DecisionOdds.h"
#include "decision/QDM.h"
#include "support/Failure.h"

namespace flock {

namespace {

inline constexpr const char* kStimulusNames[] = {"center", "left", "right"};

bool isMatrix(const vex::QDM& decisionMaker, const std::string& name, int rows) {
    tala::interp::Variable found;
    tala::interp::lookup(decisionMaker.variables, name, found);
    return found.typeName == "matrix" && found.hasValue() && found.getMatrix().rows() == rows;
}

const vex::Sensor* findSensor(const vex::QDM& decisionMaker, const std::string& name) {
    // The first of that name is the one a stimulus applies.
    for (const vex::Sensor& sensor : decisionMaker.sensors)
        if (sensor.name == name) return &sensor;
    return nullptr;
}

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
    vex::QDM reader;
    try {
        reader.loadSensors(fileName);
    } catch (const tala::Failure&) {
        throw SetupFailure("'" + fileName + "' is not a sensor file, or it is damaged");
    }
    return std::move(reader.sensors);
}

void replaceSensors(vex::QDM& decisionMaker, const FlockChoice& choice, const std::vector<vex::Sensor>& fromFile) {
    if (choice.sensors == SensorSource::File) decisionMaker.sensors = fromFile;
    if (choice.sensors != SensorSource::Random) return;
    decisionMaker.sensors.clear();
    for (const char* name : kStimulusNames) decisionMaker.addSensor(name);
}

// Why the sensors the stimuli need do not fit the decision maker, or empty.
std::string sensorProblem(const vex::QDM& qdm) {
    const std::int64_t system = qdm.systemSize();
    const std::int64_t sensorSize = std::int64_t{qdm.memorySize} * qdm.deltaSize;
    for (const char* name : kStimulusNames) {
        const vex::Sensor* sensor = findSensor(qdm, name);
        if (!sensor) return std::string("no sensor named '") + name + "'";
        const int rows = sensor->unitary.rows();
        if (rows != sensorSize && rows != system)
            return std::string("sensor '") + name + "' is " + std::to_string(rows) + " x " + std::to_string(rows) +
                   ", the decision maker needs " + std::to_string(sensorSize) + " x " + std::to_string(sensorSize);
    }
    return {};
}

}  // namespace

std::string flightProblem(const vex::QDM* decisionMaker) {
    if (!decisionMaker) return "no decision maker was made";
    const vex::QDM& qdm = *decisionMaker;
    for (const char* name : kDecisionNames) {
        int space = 0, action = 0;
        if (!qdm.findAction(name, space, action) || space != 0)
            return std::string("action space 0 has no action '") + name + "'";
    }
    const std::int64_t system = qdm.systemSize();
    if (!isMatrix(qdm, "psi.0", static_cast<int>(system)) || !isMatrix(qdm, "Tops", static_cast<int>(system)))
        return "the decision maker was not finalised (no state psi.0 or transition operator Tops of its size)";
    return sensorProblem(qdm);
}

std::unique_ptr<Flock> createProgramFlock(const FlockChoice& choice, const MindWrapper& wrap) {
    std::vector<vex::Sensor> fromFile;
    if (choice.sensors == SensorSource::File) fromFile = readSensorFile(choice.sensorFile);

    FlockStart start;
    start.agentCount = choice.agentCount;
    start.afterStart = [&](Agent& agent, std::size_t index) {
        vex::QDM* decisionMaker = agent.mind->decisionMaker();
        if (decisionMaker) replaceSensors(*decisionMaker, choice, fromFile);
        // Every agent reads the same script: the first speaks for all of them.
        if (index != 0) return;
        const std::string problem = flightProblem(decisionMaker);
        if (problem.empty()) return;
        // Sensors read with --sensors are the file's fault, not the data folder's.
        if (choice.sensors == SensorSource::File && decisionMaker && sensorProblem(*decisionMaker) == problem)
            throw SetupFailure("cannot fly with the sensors of '" + choice.sensorFile + "': " + problem);
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
