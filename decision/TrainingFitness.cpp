// How well one candidate sensor set meets the training rules: each rule replays
// its stimuli from the prepared state and compares the action probabilities with
// its targets.

#include <cmath>

#include "decision/Training.h"
#include "interp/Variable.h"

namespace vex {

namespace {

// Applies every sensor of that name; training does not stop at the first, unlike applyOp.
void applyStimuli(QDM& qdm, const Individual& individual, const SensorNames& names) {
    for (const std::string& name : names)
        for (const Sensor& sensor : individual.sensors)
            if (sensor.name == name) qdm.applySensorOperator(sensor.unitary);
}

void requirePreparedState(QDM& qdm) {
    tala::interp::Variable found;
    tala::interp::lookup(qdm.variables, "psi.0", found);
    found.getMatrix();
}

double ruleError(QDM& qdm, const Rule& rule) {
    double error = 0.0;
    for (const DistributionEntry& entry : rule.entries) {
        const double miss = qdm.actionProbability(entry.spaceIndex, entry.actionIndex) - entry.weight;
        error += miss * miss;
    }
    return error;
}

}  // namespace

void evaluateFitness(QDM& qdm, Individual& individual, const std::vector<Rule>& rules, int repetitions) {
    individual.fitness = 0.0;
    if (rules.empty()) return;
    individual.ruleFitness.resize(rules.size(), 0.0);

    for (std::size_t i = 0; i < rules.size(); ++i) {
        const Rule& rule = rules[i];
        qdm.prepare();
        requirePreparedState(qdm);
        std::size_t list = 0;
        for (int step = 0; step < repetitions; ++step) {
            if (list < rule.sensorLists.size()) applyStimuli(qdm, individual, rule.sensorLists[list]);
            qdm.think();
            // Repeat mode plays the lists again; single mode only thinks after the last.
            if (++list >= rule.sensorLists.size() && rule.mode == 0) list = 0;
        }
        const double score = 1.0 / (ruleError(qdm, rule) + 0.1);
        individual.ruleFitness[i] = score;
        individual.fitness += score;
    }
    individual.fitness /= static_cast<double>(rules.size());
}

bool fitterThan(const Individual& a, const Individual& b) {
    if (std::isnan(a.fitness)) return false;
    return std::isnan(b.fitness) || a.fitness > b.fitness;
}

}  // namespace vex
