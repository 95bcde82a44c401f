// Copy and text form of the decision values, and the factory behind "new".

#include "decision/ValueTypes.h"

#include <ostream>

#include "decision/QDM.h"

namespace vex {

namespace {

void printEach(std::ostream& out, const Coordinates& values) {
    for (std::int32_t value : values) out << value << ", ";
}

void printEach(std::ostream& out, const SensorNames& names) {
    for (const std::string& name : names) out << name << ", ";
}

}  // namespace

void DistributionType::print(std::ostream& out) const {
    out << (entries.empty() ? "EMPTY" : "\n");
    // The space index is shown first although it is stored second.
    for (const DistributionEntry& entry : entries)
        out << "(" << entry.spaceIndex << ", " << entry.actionIndex << ") = " << entry.weight << "\n";
}

void SensorListType::print(std::ostream& out) const {
    if (sensors.empty()) out << "EMPTY";
    printEach(out, sensors);
}

void StateType::print(std::ostream& out) const {
    out << "\nMode = " << mode << "\n";
    for (std::size_t i = 0; i < sensorLists.size(); ++i) {
        out << i << ": ";
        printEach(out, sensorLists[i]);
        out << "\n";
    }
}

void TrainingSetType::print(std::ostream& out) const {
    if (rules.empty()) out << "EMPTY";
    else out << "Number of Rules = " << rules.size() << "\n";
}

void QDMType::makeNew() {
    release();
    shared_ = std::make_shared<std::shared_ptr<QDM>>(std::make_shared<QDM>());
}

void QDMType::release() {
    // Emptied before the decision maker is torn down, so that nothing sees it then.
    if (shared_) shared_->reset();
}

void PointType::print(std::ostream& out) const {
    out << "Point = (";
    printEach(out, coordinates);
    out << ")";
}

void ActionType::print(std::ostream& out) const {
    out << "Action = (" << action.name;
    printEach(out, action.coordinates);
    out << ")";
}

void ActionListType::print(std::ostream& out) const {
    for (std::size_t j = 0; j < actions.size(); ++j) {
        out << "Action Point " << j << " = (" << actions[j].name << ", ";
        printEach(out, actions[j].coordinates);
        out << ")\n";
    }
}

void ActionSpaceType::print(std::ostream& out) const {
    out << "\nA.gridSize = " << space.gridSize << "\n";
    out << "A.movementMap = [\n";
    for (const Coordinates& movement : space.movementMap) {
        out << "(";
        printEach(out, movement);
        out << ")\n";
    }
    out << "]\n";
    out << "A.points = " << (space.points.empty() ? "EMPTY\n" : "\n");
    for (const ActionPoint& point : space.points) {
        out << "\t(" << point.name << ", ";
        printEach(out, point.coordinates);
        out << ")\n";
    }
}

std::unique_ptr<tala::interp::UserObject> createValue(const std::string& name) {
    // A distribution is made under the command's short name, not its type name.
    if (name == "vex::dist") return std::make_unique<DistributionType>();
    if (name == kSensorListTypeName) return std::make_unique<SensorListType>();
    if (name == kStateTypeName) return std::make_unique<StateType>();
    if (name == kTrainingSetTypeName) return std::make_unique<TrainingSetType>();
    if (name == kQDMTypeName) return std::make_unique<QDMType>();
    if (name == kPointTypeName) return std::make_unique<PointType>();
    if (name == kActionTypeName) return std::make_unique<ActionType>();
    if (name == kActionListTypeName) return std::make_unique<ActionListType>();
    if (name == kActionSpaceTypeName) return std::make_unique<ActionSpaceType>();
    return nullptr;
}

}  // namespace vex
