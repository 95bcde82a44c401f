// Adding actions and action lists builds a new action list; the first operand's
// actions come first and the operands are never changed.

#include <memory>

#include "decision/ValueTypes.h"
#include "decision/DecisionCall.h"

namespace vex {

namespace {

using tala::interp::Object;

// The actions an operand contributes, or null when it is neither an action nor a list.
// A value that is no user value fails.
struct Operand {
    explicit Operand(const Object& value)
        : action(userValue<ActionType>(value, true)), list(userValue<ActionListType>(value, true)) {}
    std::shared_ptr<const ActionType> action;
    std::shared_ptr<const ActionListType> list;
};

void addActions(const Object& left, const Object& right, Object& result) {
    // Both operands must be user values before anything else.
    const Operand first(left);
    const Operand second(right);
    if (second.action == nullptr && second.list == nullptr) return;
    if (first.action != nullptr && second.list != nullptr) return;  // action + list gives nothing

    auto sum = std::make_unique<ActionListType>();
    if (first.action != nullptr) sum->actions.push_back(first.action->action);
    else if (first.list != nullptr) sum->actions = first.list->actions;
    else return;
    if (second.action != nullptr) sum->actions.push_back(second.action->action);
    else sum->actions.insert(sum->actions.end(), second.list->actions.begin(), second.list->actions.end());
    result.setUserObject(std::move(sum));
}

}  // namespace

void ActionType::add(const Object& left, const Object& right, Object& result) { addActions(left, right, result); }

void ActionListType::add(const Object& left, const Object& right, Object& result) {
    addActions(left, right, result);
}

}  // namespace vex
