#pragma once
// The decision library's script values. Each is a user value recognised by its
// type name; scripts create them with "new" or get them from the library's commands.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "decision/Lifetime.h"
#include "decision/Records.h"
#include "interp/Object.h"
#include "interp/UserObject.h"

namespace vex {

inline constexpr const char* kDistributionTypeName = "vex::Distribution";
inline constexpr const char* kSensorListTypeName = "vex::SensorList";
inline constexpr const char* kStateTypeName = "vex::State";
inline constexpr const char* kTrainingSetTypeName = "vex::TrainingSet";
inline constexpr const char* kQDMTypeName = "vex::QDM";
inline constexpr const char* kPointTypeName = "vex::qdm::Point";
inline constexpr const char* kActionTypeName = "vex::qdm::Action";
inline constexpr const char* kActionListTypeName = "vex::qdm::ActionList";
inline constexpr const char* kActionSpaceTypeName = "vex::qdm::ActionSpace";

class DistributionType : public tala::interp::UserObject {
public:
    DistributionType() : UserObject(kDistributionTypeName) {}
    void copy(const UserObject& source) override;
    void print(std::ostream& out) const override;

    std::vector<DistributionEntry> entries;
};

class SensorListType : public tala::interp::UserObject {
public:
    SensorListType() : UserObject(kSensorListTypeName) {}
    void copy(const UserObject& source) override;
    void print(std::ostream& out) const override;

    SensorNames sensors;
};

class StateType : public tala::interp::UserObject {
public:
    StateType() : UserObject(kStateTypeName) {}
    void copy(const UserObject& source) override;
    void print(std::ostream& out) const override;

    std::vector<SensorNames> sensorLists;
    std::int32_t mode = 0;  // 0 repeat, 1 single
};

class TrainingSetType : public tala::interp::UserObject {
public:
    TrainingSetType() : UserObject(kTrainingSetTypeName) {}
    void copy(const UserObject& source) override;
    void print(std::ostream& out) const override;

    std::vector<Rule> rules;
};

// Refers to a decision maker without owning it: only "vex::qdm::free" releases it.
// Once it is freed, through this value or any copy, the reference answers null.
class QDMType : public tala::interp::UserObject {
public:
    QDMType() : UserObject(kQDMTypeName) {}
    void copy(const UserObject& source) override;

    DecisionMakerRef decisionMaker;
};

class PointType : public tala::interp::UserObject {
public:
    PointType() : UserObject(kPointTypeName) {}
    void copy(const UserObject& source) override;
    void print(std::ostream& out) const override;

    Coordinates coordinates;
};

class ActionType : public tala::interp::UserObject {
public:
    ActionType() : UserObject(kActionTypeName) {}
    void copy(const UserObject& source) override;
    void print(std::ostream& out) const override;
    void add(const tala::interp::Object& left, const tala::interp::Object& right,
             tala::interp::Object& result) override;

    ActionPoint action;
};

class ActionListType : public tala::interp::UserObject {
public:
    ActionListType() : UserObject(kActionListTypeName) {}
    void copy(const UserObject& source) override;
    void print(std::ostream& out) const override;
    void add(const tala::interp::Object& left, const tala::interp::Object& right,
             tala::interp::Object& result) override;

    std::vector<ActionPoint> actions;
};

class ActionSpaceType : public tala::interp::UserObject {
public:
    ActionSpaceType() : UserObject(kActionSpaceTypeName) {}
    void copy(const UserObject& source) override;
    void print(std::ostream& out) const override;

    ActionSpace space;
};

// The value of class T held by a user value of T's type name, or null.
template <class T>
T* userValueAs(tala::interp::UserObject& value) {
    return dynamic_cast<T*>(&value);
}

// A new value for one of the nine names "new" accepts ("vex::dist", "vex::QDM", ...);
// null for any other name.
std::unique_ptr<tala::interp::UserObject> createValue(const std::string& name);

}  // namespace vex
