#pragma once
// The decision library's script values. Each is a user value recognised by its
// type name; scripts create them with "new" or get them from the library's commands.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "decision/Records.h"
#include "interp/Object.h"
#include "interp/UserObject.h"

namespace vex {

inline constexpr char kDistributionTypeName[] = "vex::Distribution";
inline constexpr char kSensorListTypeName[] = "vex::SensorList";
inline constexpr char kStateTypeName[] = "vex::State";
inline constexpr char kTrainingSetTypeName[] = "vex::TrainingSet";
inline constexpr char kQDMTypeName[] = "vex::QDM";
inline constexpr char kPointTypeName[] = "vex::qdm::Point";
inline constexpr char kActionTypeName[] = "vex::qdm::Action";
inline constexpr char kActionListTypeName[] = "vex::qdm::ActionList";
inline constexpr char kActionSpaceTypeName[] = "vex::qdm::ActionSpace";

class QDM;

// What the values share: the type name, and a copy that takes over every field of
// another value of the same class (a value of any other class is ignored).
template <class Value, const char* Name>
class UserValue : public tala::interp::UserObject {
public:
    static constexpr const char* kTypeName = Name;

    UserValue() : UserObject(Name) {}
    // Lets a value's fields be assigned together; the type name stays as it is.
    UserValue& operator=(const UserValue&) { return *this; }

    void copy(const UserObject& source) override {
        if (const auto* other = dynamic_cast<const Value*>(&source)) static_cast<Value&>(*this) = *other;
    }
};

class DistributionType : public UserValue<DistributionType, kDistributionTypeName> {
public:
    void print(std::ostream& out) const override;

    std::vector<DistributionEntry> entries;
};

class SensorListType : public UserValue<SensorListType, kSensorListTypeName> {
public:
    void print(std::ostream& out) const override;

    SensorNames sensors;
};

class StateType : public UserValue<StateType, kStateTypeName> {
public:
    void print(std::ostream& out) const override;

    std::vector<SensorNames> sensorLists;
    std::int32_t mode = 0;  // 0 repeat, 1 single
};

class TrainingSetType : public UserValue<TrainingSetType, kTrainingSetTypeName> {
public:
    void print(std::ostream& out) const override;

    std::vector<Rule> rules;
};

// Refers to a decision maker that the value shares with its copies. "vex::qdm::free"
// through any of them releases it for all, which then answer null; one never freed
// goes with the last of them.
class QDMType : public UserValue<QDMType, kQDMTypeName> {
public:
    // The decision maker, kept alive while the answer is held; null when there is none.
    std::shared_ptr<QDM> decisionMaker() const { return shared_ ? *shared_ : nullptr; }
    // Releases the decision maker the value shares, then gives it a new one of its own.
    void makeNew();
    void release();

private:
    std::shared_ptr<std::shared_ptr<QDM>> shared_;
};

class PointType : public UserValue<PointType, kPointTypeName> {
public:
    void print(std::ostream& out) const override;

    Coordinates coordinates;
};

class ActionType : public UserValue<ActionType, kActionTypeName> {
public:
    void print(std::ostream& out) const override;
    void add(const tala::interp::Object& left, const tala::interp::Object& right,
             tala::interp::Object& result) override;

    ActionPoint action;
};

class ActionListType : public UserValue<ActionListType, kActionListTypeName> {
public:
    void print(std::ostream& out) const override;
    void add(const tala::interp::Object& left, const tala::interp::Object& right,
             tala::interp::Object& result) override;

    std::vector<ActionPoint> actions;
};

class ActionSpaceType : public UserValue<ActionSpaceType, kActionSpaceTypeName> {
public:
    void print(std::ostream& out) const override;

    ActionSpace space;
};

// A new value for one of the nine names "new" accepts ("vex::dist", "vex::QDM", ...);
// null for any other name.
std::unique_ptr<tala::interp::UserObject> createValue(const std::string& name);

}  // namespace vex
