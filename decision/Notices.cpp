#include "decision/Notices.h"

#include <algorithm>
#include <string>
#include <vector>

#include "decision/DecisionCall.h"
#include "decision/QDM.h"
#include "support/Reporting.h"

namespace vex {

namespace {

std::string orNone(const std::string& list) { return list.empty() ? "none" : list; }

void append(std::string& list, const std::string& item) {
    if (!list.empty()) list += ", ";
    list += item;
}

std::string pointNames(const ActionSpace& space) {
    std::string names;
    for (const ActionPoint& point : space.points) append(names, point.name.empty() ? "(unnamed)" : point.name);
    return names;
}

}  // namespace

std::string sensorNamesOf(const QDM& decisionMaker) {
    std::string names;
    for (const Sensor& sensor : decisionMaker.sensors) append(names, sensor.name);
    return orNone(names);
}

std::string actionNamesOf(const QDM& decisionMaker) {
    std::vector<std::string> seen;
    std::string names;
    for (const ActionSpace& space : decisionMaker.actionSpaces)
        for (const ActionPoint& point : space.points)
            if (!point.name.empty() && std::find(seen.begin(), seen.end(), point.name) == seen.end()) {
                seen.push_back(point.name);
                append(names, point.name);
            }
    return orNone(names);
}

std::string spaceNamesOf(const QDM& decisionMaker) {
    std::string names;
    for (std::size_t s = 0; s < decisionMaker.actionSpaces.size(); ++s)
        append(names, std::to_string(s) + " (" + orNone(pointNames(decisionMaker.actionSpaces[s])) + ")");
    return orNone(names);
}

void warnUnknownSensors(const std::string& word, const QDM& decisionMaker, const std::vector<Rule>& rules) {
    for (std::size_t r = 0; r < rules.size(); ++r) {
        std::vector<std::string> told;
        for (const SensorNames& names : rules[r].sensorLists)
            for (const std::string& name : names)
                if (!decisionMaker.hasSensor(name) && std::find(told.begin(), told.end(), name) == told.end()) {
                    told.push_back(name);
                    support::warn(word + ": rule " + std::to_string(r) + " names no sensor of '" + name +
                                       "'; the decision maker's sensors are: " + sensorNamesOf(decisionMaker) + ".");
                }
    }
}

void warnNoDecisionMaker(const DecisionCall& call) {
    support::warn(call.word() + ": " + call.arg(1) +
                       " has no decision maker: vex::qdm::new never ran on it, or it was freed; run "
                       "vex::qdm::new on it first.");
}

void warnOnce(QDM& decisionMaker, const std::string& text) {
    if (decisionMaker.noticesGiven.insert(text).second) support::warn(text);
    else support::noteProblem();
}

void warnNoSuchSpace(const DecisionCall& call, QDM& decisionMaker, int space) {
    warnOnce(decisionMaker, call.word() + ": no action space " + std::to_string(space) +
                       "; the decision maker's action spaces are: " + spaceNamesOf(decisionMaker) + ".");
}

}  // namespace vex
