#include "decision/SteeringQuestions.h"

#include <exception>

#include "decision/ValueTypes.h"
#include "interp/Interpreter.h"
#include "interp/Variable.h"

namespace vex {

namespace {

bool isMatrix(const QDM& decisionMaker, const std::string& name, std::int64_t rows) {
    tala::interp::Variable found;
    tala::interp::lookup(decisionMaker.variables, name, found);
    return found.typeName == "matrix" && found.hasValue() && found.getMatrix().rows() == rows;
}

// The index of the action when the first point of that name lies in space 0.
std::optional<int> actionOfSpaceZero(const QDM& decisionMaker, const char* name) {
    int space = 0, action = 0;
    if (!decisionMaker.findAction(name, space, action) || space != 0) return std::nullopt;
    return action;
}

}  // namespace

std::string steeringSensorProblem(const QDM& qdm, NameList stimuli) {
    const std::int64_t system = qdm.systemSize();
    const std::int64_t sensorSize = qdm.sensorSize();
    for (const char* name : stimuli) {
        const Sensor* sensor = qdm.findSensor(name);
        if (!sensor) return std::string("no sensor named '") + name + "'";
        const int rows = sensor->unitary.rows();
        if (rows != sensorSize && rows != system)
            return std::string("sensor '") + name + "' is " + std::to_string(rows) + " x " + std::to_string(rows) +
                   ", the decision maker needs " + std::to_string(sensorSize) + " x " + std::to_string(sensorSize);
    }
    return {};
}

std::string steeringProblem(const QDM& qdm, NameList actions, NameList stimuli) {
    for (const char* name : actions)
        if (!actionOfSpaceZero(qdm, name)) return std::string("action space 0 has no action '") + name + "'";
    const std::int64_t system = qdm.systemSize();
    if (!isMatrix(qdm, "psi.0", system) || !isMatrix(qdm, "Tops", system))
        return "the decision maker was not finalised (no state psi.0 or transition operator Tops of its size)";
    return steeringSensorProblem(qdm, stimuli);
}

std::optional<std::vector<double>> actionOdds(QDM& decisionMaker, NameList actions) {
    std::vector<double> odds;
    try {
        for (const char* name : actions) {
            const std::optional<int> action = actionOfSpaceZero(decisionMaker, name);
            if (!action) return std::nullopt;
            odds.push_back(decisionMaker.actionProbability(0, *action));
        }
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return odds;
}

QDM* HeldDecisionMaker::held() const {
    tala::interp::Object found;
    if (!interpreter_.globals().lookup("QDM", found) || !found.holds(tala::interp::ObjectType::UserType)) return nullptr;
    auto* value = dynamic_cast<QDMType*>(&found.getUserObject());
    // A value may still refer to a decision maker that a script has freed: none then.
    return value ? value->decisionMaker().get() : nullptr;
}

std::string HeldDecisionMaker::steeringProblem(NameList actions, NameList stimuli) const {
    const QDM* decisionMaker = held();
    return decisionMaker ? vex::steeringProblem(*decisionMaker, actions, stimuli) : "no decision maker was made";
}

std::string HeldDecisionMaker::steeringSensorProblem(NameList stimuli) const {
    const QDM* decisionMaker = held();
    return decisionMaker ? vex::steeringSensorProblem(*decisionMaker, stimuli) : std::string();
}

std::optional<std::vector<double>> HeldDecisionMaker::actionOdds(NameList actions) const {
    QDM* decisionMaker = held();
    if (!decisionMaker) return std::nullopt;
    return vex::actionOdds(*decisionMaker, actions);
}

void HeldDecisionMaker::loadSensors(const std::vector<Sensor>& sensors) const {
    if (QDM* decisionMaker = held()) decisionMaker->sensors = sensors;
}

void HeldDecisionMaker::loadRandomSensors(NameList stimuli) const {
    QDM* decisionMaker = held();
    if (!decisionMaker) return;
    decisionMaker->sensors.clear();
    for (const char* name : stimuli) decisionMaker->addSensor(name);
}

}  // namespace vex
