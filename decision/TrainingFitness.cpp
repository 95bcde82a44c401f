// How well one candidate sensor set meets the training rules: each rule replays
// its stimuli from the prepared state and compares the action probabilities with
// its targets.

#include <cmath>

#include "decision/Training.h"
#include "interp/Variable.h"

namespace vex {

namespace {

// The stimuli a rule plays at a step: repeat mode (0) cycles its lists, the other modes
// play them once and then only think.
const SensorNames* stimuliAt(const Rule& rule, int step) {
    const std::size_t count = rule.sensorLists.size();
    if (count == 0) return nullptr;
    const std::size_t list = rule.mode == 0 ? static_cast<std::size_t>(step) % count : static_cast<std::size_t>(step);
    return list < count ? &rule.sensorLists[list] : nullptr;
}

// Applies every sensor of each name; training does not stop at the first, unlike applyOp.
template <class Apply>
void applyStimuli(const Individual& individual, const SensorNames& names, Apply apply) {
    for (const std::string& name : names)
        for (const Sensor& sensor : individual.sensors)
            if (sensor.name == name) apply(sensor.unitary);
}

void requirePreparedState(QDM& qdm) {
    tala::interp::Variable found;
    tala::interp::lookup(qdm.variables, "psi.0", found);
    found.getMatrix();
}

// Over psi.0, or over a state replayed apart from it.
double ruleError(QDM& qdm, const Rule& rule, const linalg::Matrix* state) {
    double error = 0.0;
    for (const DistributionEntry& entry : rule.entries) {
        const double probability = state == nullptr ? qdm.actionProbability(entry.spaceIndex, entry.actionIndex)
                                                    : qdm.actionProbability(entry.spaceIndex, entry.actionIndex, *state);
        const double miss = probability - entry.weight;
        error += miss * miss;
    }
    return error;
}

void score(Individual& individual, std::size_t rule, double error) {
    const double value = 1.0 / (error + 0.1);
    individual.ruleFitness[rule] = value;
    individual.fitness += value;
}

// Each rule from the prepared state in turn, on psi.0.
void replayInTurn(QDM& qdm, Individual& individual, const std::vector<Rule>& rules, int repetitions) {
    for (std::size_t i = 0; i < rules.size(); ++i) {
        qdm.prepare();
        requirePreparedState(qdm);
        for (int step = 0; step < repetitions; ++step) {
            if (const SensorNames* names = stimuliAt(rules[i], step))
                applyStimuli(individual, *names, [&](const linalg::Matrix& op) { qdm.applySensorOperator(op); });
            qdm.think();
        }
        score(individual, i, ruleError(qdm, rules[i], nullptr));
    }
}

// The rules' episodes side by side, with the numbers of replayInTurn: each episode
// sees only its own steps, and psi.0 ends as the last one leaves it. Declines, having
// done nothing, where the decision maker cannot replay apart.
bool replaySideBySide(QDM& qdm, Individual& individual, const std::vector<Rule>& rules, int repetitions) {
    std::vector<const linalg::Matrix*> operators;
    for (const Sensor& sensor : individual.sensors) operators.push_back(&sensor.unitary);
    std::vector<linalg::Matrix> states;
    if (!qdm.startApart(operators, rules.size(), states)) return false;
    for (int step = 0; step < repetitions; ++step) {
        for (std::size_t i = 0; i < rules.size(); ++i)
            if (const SensorNames* names = stimuliAt(rules[i], step))
                applyStimuli(individual, *names,
                             [&](const linalg::Matrix& op) { qdm.applySensorOperator(op, states[i]); });
        qdm.thinkApart(states);
    }
    for (std::size_t i = 0; i < rules.size(); ++i) score(individual, i, ruleError(qdm, rules[i], &states[i]));
    qdm.finishApart(states.back());
    return true;
}

}  // namespace

void evaluateFitness(QDM& qdm, Individual& individual, const std::vector<Rule>& rules, int repetitions) {
    individual.fitness = 0.0;
    if (rules.empty()) return;
    individual.ruleFitness.resize(rules.size(), 0.0);
    if (!replaySideBySide(qdm, individual, rules, repetitions)) replayInTurn(qdm, individual, rules, repetitions);
    individual.fitness /= static_cast<double>(rules.size());
}

bool fitterThan(const Individual& a, const Individual& b) {
    if (std::isnan(a.fitness)) return false;
    return std::isnan(b.fitness) || a.fitness > b.fitness;
}

}  // namespace vex
