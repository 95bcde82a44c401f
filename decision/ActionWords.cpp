// Commands that build points, actions, action lists and action spaces.

#include <iostream>
#include <memory>

#include "decision/DecisionCall.h"
#include "decision/ValueTypes.h"
#include "support/Reporting.h"
#include "support/ScriptOutput.h"

namespace vex {

namespace {

using tala::interp::Object;
using tala::interp::ObjectType;

// vex::qdm::Point c1 c2 ... : a point of integer coordinates.
bool word_Point(DecisionCall& call) {
    auto point = std::make_unique<PointType>();
    for (int n = 1; n <= call.argumentCount(); ++n) {
        const Object coordinate = call.valueArg(n);
        if (isTrailingString(call, n, coordinate, "an integer")) break;
        point->coordinates.push_back(call.integerIn(coordinate, n));
    }
    call.result.setUserObject(std::move(point));
    return true;
}

// vex::qdm::Action point name, or vex::qdm::Action n c1 ... cn.
bool word_Action(DecisionCall& call) {
    auto action = std::make_unique<ActionType>();
    const Object first = call.valueArg(1);
    if (const auto point = userValue<PointType>(first)) {
        action->action.coordinates = point->coordinates;
        action->action.name = call.stringArg(2);
    } else {
        const std::int32_t count = call.integerIn(first, 1);
        for (std::int32_t i = 0; i < count; ++i) action->action.coordinates.push_back(call.integerArg(2 + i));
    }
    call.result.setUserObject(std::move(action));
    return true;
}

// vex::qdm::ActionList action ... : copies of the actions, in order.
bool word_ActionList(DecisionCall& call) {
    auto list = std::make_unique<ActionListType>();
    for (int n = 1; n <= call.argumentCount(); ++n) {
        const Object argument = call.valueArg(n);
        if (isTrailingString(call, n, argument, "a vex::qdm::Action")) break;
        const auto action = call.userIn<ActionType>(
            argument, n, "vex::qdm::ActionList syntax error: argument must be of type 'vex::qdm::Action'.\n");
        if (action == nullptr) return true;
        list->actions.push_back(action->action);
    }
    call.result.setUserObject(std::move(list));
    return true;
}

// The complaint the words below print for a value of another type, and the notice naming it.
void complainOfType(DecisionCall& call, int n, const Object& value, std::string_view wanted) {
    call.complain("Syntax error.\n");
    call.wrongType(n, wanted, value);
}

void setPoints(DecisionCall& call, ActionSpace& space) {
    const Object value = call.valueArg(3);
    const auto list = userValue<ActionListType>(value);
    if (list == nullptr) {
        complainOfType(call, 3, value, "a vex::qdm::ActionList");
        return;
    }
    space.points = list->actions;
}

void setMovementMap(DecisionCall& call, ActionSpace& space) {
    space.movementMap.clear();
    for (int n = 3; n <= call.argumentCount(); ++n) {
        const Object argument = call.valueArg(n);
        if (argument.holds(ObjectType::Integer)) {
            space.movementMap.push_back({argument.getInteger()});
        } else if (const auto point = userValue<PointType>(argument)) {
            space.movementMap.push_back(point->coordinates);
        } else {
            constexpr const char* kWanted = "an integer or a vex::qdm::Point";
            if (!isTrailingString(call, n, argument, kWanted)) {
                call.complain("Syntax error; degreeOfFreedom arguments must be of type Integer or vex::qdm::Point\n");
                call.wrongType(n, kWanted, argument);
            }
            return;
        }
    }
}

// vex::qdm::set_action_space keyword space value ... : changes one part of a space.
bool word_set_action_space(DecisionCall& call) {
    const std::string keyword = call.stringArg(1);
    const bool known = keyword == "points" || keyword == "actions" || keyword == "degreeOfFreedom" ||
                       keyword == "movementMap" || keyword == "gridSize" || keyword == "resetDelta";
    if (!known) {
        support::warn("vex::qdm::set_action_space: unknown keyword '" + keyword +
                           "'; the keywords are points, actions, degreeOfFreedom, movementMap, gridSize and "
                           "resetDelta.");
        return true;
    }
    const Object spaceValue = call.valueArg(2);
    const auto target = userValue<ActionSpaceType>(spaceValue);
    if (target == nullptr) {
        complainOfType(call, 2, spaceValue, "a vex::qdm::ActionSpace");
        return true;
    }
    ActionSpace& space = target->space;
    if (keyword == "points" || keyword == "actions") setPoints(call, space);
    else if (keyword == "degreeOfFreedom" || keyword == "movementMap") setMovementMap(call, space);
    else if (keyword == "gridSize") space.gridSize = call.integerArg(3);
    else space.resetDelta = call.integerArg(3) != 0;
    return true;
}

constexpr CommandEntry kActionWords[] = {
    {"vex::qdm::Point", word_Point, "COORDINATE...", "A point of integer coordinates.",
     "print (vex::qdm::Point 3 4)"},
    {"vex::qdm::Action", word_Action, "POINT NAME | COUNT COORDINATE...",
     "An action: a point with a name, or COUNT coordinates without one.",
     "vex::qdm::Action (vex::qdm::Point 0 1) forward"},
    {"vex::qdm::ActionList", word_ActionList, "ACTION...", "A list of copies of the actions, in order.",
     "vex::qdm::ActionList (vex::qdm::Action (vex::qdm::Point 0) forward) (vex::qdm::Action (vex::qdm::Point 1) "
     "left)"},
    {"vex::qdm::set_action_space", word_set_action_space, "KEYWORD SPACE VALUE...",
     "Changes one part of an action space: points, actions, degreeOfFreedom, movementMap, gridSize or "
     "resetDelta.",
     "vex::qdm::set_action_space gridSize space 9"},
};

}  // namespace

CommandGroup actionWords() { return {"actions", kActionWords}; }

}  // namespace vex
