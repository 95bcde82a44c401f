#pragma once
// What a host that steers by a decision maker asks of it: whether it can steer with
// the actions and stimuli the host uses, and the odds of those actions.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "decision/QDM.h"

namespace vex {

// Action or sensor names as the host spells them, in its own order.
using NameList = std::span<const char* const>;

// Why the decision maker cannot steer, or empty when it can: each action must be found
// first in action space 0, the state and transition operator must be there at the
// system's size, and each stimulus must be a sensor it can apply (steeringSensorProblem).
std::string steeringProblem(const QDM& decisionMaker, NameList actions, NameList stimuli);

// Why the first sensor of each stimulus's name is missing or of a size the decision
// maker cannot apply (neither the sensors' size nor the system's), or empty.
std::string steeringSensorProblem(const QDM& decisionMaker, NameList stimuli);

// The probability of each action of space 0, in order, read without a measurement:
// nothing changes and no number is drawn. None when an action is not found first in
// space 0 or computing raises.
std::optional<std::vector<double>> actionOdds(QDM& decisionMaker, NameList actions);

}  // namespace vex
