#include "decision/Inspection.h"

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "decision/Notices.h"
#include "decision/StopPoll.h"
#include "decision/Training.h"
#include "support/ConsoleKeys.h"
#include "support/Reporting.h"
#include "support/Failure.h"

namespace vex {

namespace {

constexpr const char* kUserBreak = "Error: User break.";

std::string joined(const std::vector<std::string>& items, const char* separator) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
    return text;
}

std::string numbers(const Coordinates& coordinates) {
    std::vector<std::string> items;
    for (std::int32_t c : coordinates) items.push_back(std::to_string(c));
    return joined(items, ",");
}

std::string shortNumber(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

std::string actionName(const QDM& decisionMaker, int space, int action) {
    if (space >= 0 && static_cast<std::size_t>(space) < decisionMaker.actionSpaces.size()) {
        const std::vector<ActionPoint>& points = decisionMaker.actionSpaces[space].points;
        if (action >= 0 && static_cast<std::size_t>(action) < points.size() && !points[action].name.empty())
            return points[action].name;
    }
    return "space " + std::to_string(space) + " action " + std::to_string(action);
}

// The spaces a rule's distribution names, in first-named order; space 0 when it names none.
std::vector<int> spacesOf(const Rule& rule) {
    std::vector<int> spaces;
    for (const DistributionEntry& entry : rule.entries)
        if (std::find(spaces.begin(), spaces.end(), entry.spaceIndex) == spaces.end())
            spaces.push_back(entry.spaceIndex);
    if (spaces.empty()) spaces.push_back(0);
    return spaces;
}

// Keeps the sizes each decision prints out of the table: the decisions run quietly.
class QuietDecisions {
public:
    QuietDecisions() : was_(support::quiet()) { support::setQuiet(true); }
    ~QuietDecisions() { support::setQuiet(was_); }
    QuietDecisions(const QuietDecisions&) = delete;
    QuietDecisions& operator=(const QuietDecisions&) = delete;

private:
    bool was_;
};

}  // namespace

std::string ruleLabel(const QDM& decisionMaker, const Rule& rule) {
    std::vector<std::string> lists;
    for (const SensorNames& names : rule.sensorLists) lists.push_back(names.empty() ? "nothing" : joined(names, "+"));
    std::string label = (rule.mode == 0 ? "" : "once ") + (lists.empty() ? std::string("nothing") : joined(lists, ", "));
    std::vector<std::string> intended;
    const bool single = rule.entries.size() == 1 && rule.entries.front().weight == 1.0;
    for (const DistributionEntry& entry : rule.entries) {
        std::string name = actionName(decisionMaker, entry.spaceIndex, entry.actionIndex);
        intended.push_back(single ? name : name + " " + shortNumber(entry.weight));
    }
    return label + " -> " + (intended.empty() ? std::string("nothing") : joined(intended, ", "));
}

std::vector<std::string> QDM::labelsOf(const std::vector<Rule>& rules) const {
    std::vector<std::string> labels;
    for (const Rule& rule : rules) labels.push_back(ruleLabel(*this, rule));
    return labels;
}

void describe(const QDM& decisionMaker, std::ostream& out) {
    const QDM& q = decisionMaker;
    if (q.finalized) out << "memory size " << q.memorySize << "\n";
    else out << "memory size not set yet (vex::qdm::finalize QDM MEMORY sets it)\n";
    if (q.actionSpaces.empty()) out << "no action spaces\n";
    for (std::size_t s = 0; s < q.actionSpaces.size(); ++s) {
        const ActionSpace& space = q.actionSpaces[s];
        const bool built = s < q.spacesInSystem;
        std::vector<std::string> moves;
        for (const Coordinates& move : space.movementMap) moves.push_back(numbers(move));
        out << "action space " << s << ": grid size " << space.gridSize << ", " << space.dimensions()
            << " coordinate(s), movement map " << (moves.empty() ? "empty" : joined(moves, " ")) << ", resetDelta "
            << (space.resetDelta ? 1 : 0) << (built || !q.finalized ? "" : " (added after finalize: not in the system)")
            << "\n";
        // Points are kept as grid positions once finalized; they are shown from the middle cell.
        const std::int32_t middle = built ? space.gridSize / 2 : 0;
        std::vector<std::string> points;
        for (const ActionPoint& point : space.points) {
            Coordinates relative = point.coordinates;
            for (std::int32_t& c : relative) c -= middle;
            points.push_back((point.name.empty() ? "(unnamed)" : point.name) + " at " + numbers(relative));
        }
        out << "  actions: " << (points.empty() ? "none" : joined(points, ", ")) << "\n";
    }
    std::vector<std::string> sensors;
    for (const Sensor& sensor : q.sensors)
        sensors.push_back(sensor.name + " (size " + std::to_string(sensor.unitary.rows()) + ")");
    out << "sensors: " << (sensors.empty() ? "none" : joined(sensors, ", ")) << "\n";
    if (q.finalized)
        out << "system size " << q.systemSize() << " = memory " << q.memorySize << " x Delta " << q.deltaSize
            << " x Action " << q.actionSize << "; sensors of size " << q.sensorSize() << " fit\n";
    // A system built without an action space has nothing to decide in.
    const bool decides = q.finalized && q.spacesInSystem > 0;
    out << "finalized " << (decides ? "yes" : q.finalized ? "no (its system has no action space)" : "no")
        << ", prepared " << (q.prepared ? "yes" : "no")
        << ", trained ";
    if (q.trainingHistory.generations.empty()) out << "no\n";
    else
        out << "yes (" << q.trainingHistory.generations.size() << " generations, best fitness "
            << q.trainingHistory.generations.back().best << ")\n";
}

std::vector<std::vector<RuleScore>> scoreRules(QDM& decisionMaker, const std::vector<Rule>& rules, int trials,
                                               int steps) {
    std::vector<std::vector<RuleScore>> scores;
    const QuietDecisions quietDecisions;
    // A key (q, Ctrl-C) stops a long scoring as it stops a loop: between trials, and within
    // a trial's steps at most every few hundredths of a second.
    const StopPoll poll([] { return support::keyWaiting(); });
    try {
        for (const Rule& rule : rules) {
            std::vector<RuleScore> ruleScores;
            for (int space : spacesOf(rule)) {
                const bool known = space >= 0 && static_cast<std::size_t>(space) < decisionMaker.actionSpaces.size();
                const std::size_t points = known ? decisionMaker.actionSpaces[space].points.size() : 0;
                ruleScores.push_back({space, std::vector<int>(points, 0)});
            }
            for (int trial = 0; trial < trials; ++trial) {
                if (support::keyWaiting()) throw support::Failure(kUserBreak);
                decisionMaker.prepare();
                for (int step = 0; step < steps; ++step) {
                    pollStop();
                    if (const SensorNames* names = stimuliAt(rule, step))
                        for (const std::string& name : *names)
                            for (const Sensor& sensor : decisionMaker.sensors)
                                if (sensor.name == name) decisionMaker.applySensorOperator(sensor.unitary);
                    decisionMaker.think();
                }
                for (RuleScore& score : ruleScores) {
                    if (score.decided.empty()) continue;
                    const int action = decisionMaker.decide(score.space);
                    if (action >= 0 && static_cast<std::size_t>(action) < score.decided.size()) ++score.decided[action];
                }
            }
            scores.push_back(std::move(ruleScores));
        }
    } catch (const StopAsked&) {
        throw support::Failure(kUserBreak);
    }
    return scores;
}

void printScores(const QDM& decisionMaker, const std::vector<Rule>& rules,
                 const std::vector<std::vector<RuleScore>>& scores, int trials, int steps, std::ostream& out) {
    for (std::size_t r = 0; r < rules.size() && r < scores.size(); ++r) {
        for (const RuleScore& score : scores[r]) {
            out << "rule " << r << " " << ruleLabel(decisionMaker, rules[r]) << ": " << trials << " trials of "
                << steps << " step(s), space " << score.space << "\n";
            std::size_t width = 6;
            for (std::size_t a = 0; a < score.decided.size(); ++a)
                width = std::max(width, actionName(decisionMaker, score.space, static_cast<int>(a)).size());
            for (std::size_t a = 0; a < score.decided.size(); ++a) {
                double intended = 0.0;
                for (const DistributionEntry& entry : rules[r].entries)
                    if (entry.spaceIndex == score.space && entry.actionIndex == static_cast<int>(a))
                        intended += entry.weight;
                const double share = static_cast<double>(score.decided[a]) / trials;
                out << "  " << std::left << std::setw(static_cast<int>(width))
                    << actionName(decisionMaker, score.space, static_cast<int>(a)) << std::right << " decided "
                    << std::setw(6) << score.decided[a] << " (" << std::fixed << std::setprecision(2) << share
                    << "), intended " << intended << "\n"
                    << std::defaultfloat << std::setprecision(6);
            }
        }
    }
}

}  // namespace vex
