#pragma once
// What a host that steers by a decision maker asks of it: whether it can steer with
// the actions and stimuli the host uses, and the odds of those actions.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "decision/QDM.h"

namespace tala::interp {
class Interpreter;
}

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

// The one door a host has into the decision maker its interpreter holds in the global
// QDM, for what the command texts cannot show or set up. Each call looks the global up
// afresh: a script may have replaced or freed it, and then there is none.
class HeldDecisionMaker {
public:
    explicit HeldDecisionMaker(tala::interp::Interpreter& interpreter) : interpreter_(interpreter) {}

    bool present() const { return held() != nullptr; }
    // As steeringProblem, or "no decision maker was made" when there is none.
    std::string steeringProblem(NameList actions, NameList stimuli) const;
    // As steeringSensorProblem; empty when there is none.
    std::string steeringSensorProblem(NameList stimuli) const;
    // As actionOdds; none when there is no decision maker.
    std::optional<std::vector<double>> actionOdds(NameList actions) const;
    // Replaces the sensors with these; nothing when there is no decision maker.
    void loadSensors(const std::vector<Sensor>& sensors) const;
    // Replaces the sensors with untrained ones drawn at random, one per stimulus.
    void loadRandomSensors(NameList stimuli) const;

    // The decision maker itself, for tests that look inside; none when there is none.
    QDM* held() const;

private:
    tala::interp::Interpreter& interpreter_;
};

}  // namespace vex
