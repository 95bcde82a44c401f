// How well one candidate sensor set meets the training rules: each rule replays
// its stimuli from the prepared state and compares the action probabilities with
// its targets.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "decision/StopPoll.h"
#include "decision/Training.h"
#include "decision/TrainingThreads.h"
#include "interp/Variable.h"
#include "linalg/CompressedMatrix.h"
#include "linalg/MemoryBudget.h"

namespace vex {

const SensorNames* stimuliAt(const Rule& rule, int step) {
    const std::size_t count = rule.sensorLists.size();
    if (count == 0) return nullptr;
    const std::size_t list = rule.mode == 0 ? static_cast<std::size_t>(step) % count : static_cast<std::size_t>(step);
    return list < count ? &rule.sensorLists[list] : nullptr;
}

namespace {

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
            pollStop();
            if (const SensorNames* names = stimuliAt(rules[i], step))
                applyStimuli(individual, *names, [&](const linalg::Matrix& op) { qdm.applySensorOperator(op); });
            qdm.think();
        }
        score(individual, i, ruleError(qdm, rules[i], nullptr));
    }
}

// Products of this many columns keep the states of a group in cache and Tops read
// once for them all.
constexpr std::size_t kGroupColumns = 64;
// Below this many terms of Tops products a part does not pay for starting its thread.
constexpr std::int64_t kTermsPerPart = std::int64_t{1} << 19;

// One thinking step for every state, from Tops read beforehand: each state's numbers
// are those of its own product by Tops. `together` and `product` are kept from step to
// step so that no step allocates.
void thinkTogether(const QDM::TopsView& view, std::vector<linalg::Matrix>& states, linalg::Matrix& together,
                   linalg::Matrix& product) {
    const linalg::Matrix& tops = *view.tops;
    if (view.compressed != nullptr || states.size() <= 1) {
        for (linalg::Matrix& state : states) {
            if (view.compressed == nullptr || !view.compressed->multiply(state, product))
                linalg::multiply(tops, product, state);
            std::swap(state, product);
        }
        return;
    }
    // Each column of the product is computed as its own product with Tops would be.
    const int rows = tops.rows();
    together.resize(rows, static_cast<int>(states.size()));
    for (std::size_t c = 0; c < states.size(); ++c)
        std::copy_n(states[c].data(), rows, together.data() + c * rows);
    linalg::multiplyColumns(tops, product, together);
    for (std::size_t c = 0; c < states.size(); ++c)
        std::copy_n(product.data() + c * rows, rows, states[c].data());
}

// Episodes begin ... end - 1 side by side, episode e being rule e % rules.size() of
// members[e / rules.size()], as evaluateFitness plays them. Each leaves its squared error
// in errors[e], and `last`, when asked, takes the final state of episode end - 1.
void replayEpisodes(QDM& qdm, const QDM::TopsView& view, const linalg::Matrix& start, Individual* const* members,
                    const std::vector<Rule>& rules, int repetitions, std::size_t begin, std::size_t end,
                    double* errors, linalg::Matrix* last) {
    const std::size_t ruleCount = rules.size();
    std::vector<linalg::Matrix> states(end - begin, start);
    linalg::Matrix together, product;
    for (int step = 0; step < repetitions; ++step) {
        pollStop();
        for (std::size_t e = begin; e < end; ++e)
            if (const SensorNames* names = stimuliAt(rules[e % ruleCount], step))
                applyStimuli(*members[e / ruleCount], *names, [&](const linalg::Matrix& op) {
                    qdm.applySensorOperator(op, states[e - begin]);
                });
        thinkTogether(view, states, together, product);
    }
    for (std::size_t e = begin; e < end; ++e) errors[e] = ruleError(qdm, rules[e % ruleCount], &states[e - begin]);
    if (last != nullptr) *last = states.back();
}

// Scores `count` candidates from their episodes' errors, as evaluateFitness does.
void scoreEpisodes(Individual* const* members, std::size_t count, std::size_t ruleCount, const double* errors) {
    for (std::size_t m = 0; m < count; ++m) {
        Individual& individual = *members[m];
        individual.fitness = 0.0;
        individual.ruleFitness.resize(ruleCount, 0.0);
        for (std::size_t i = 0; i < ruleCount; ++i) score(individual, i, errors[m * ruleCount + i]);
        individual.fitness /= static_cast<double>(ruleCount);
    }
}

// The rules' episodes side by side, with the numbers of replayInTurn: each episode
// sees only its own steps, and psi.0 ends as the last one leaves it. Declines, having
// done nothing, where the decision maker cannot replay apart.
bool replaySideBySide(QDM& qdm, Individual& individual, const std::vector<Rule>& rules, int repetitions) {
    std::vector<const linalg::Matrix*> operators;
    for (const Sensor& sensor : individual.sensors) operators.push_back(&sensor.unitary);
    std::vector<linalg::Matrix> start;
    if (!qdm.startApart(operators, 1, start)) return false;
    Individual* const member = &individual;
    linalg::Matrix last;
    std::vector<double> errors(rules.size());
    replayEpisodes(qdm, qdm.topsForApart(), start.front(), &member, rules, repetitions, 0, rules.size(),
                   errors.data(), &last);
    scoreEpisodes(&member, 1, rules.size(), errors.data());
    qdm.finishApart(last);
    return true;
}

// How many threads the batch is worth: each part should have enough products to do.
int partsFor(const QDM::TopsView& view, std::size_t episodes, int repetitions, int threads) {
    const std::int64_t perProduct = view.compressed != nullptr
                                        ? view.compressed->nonZeroCount()
                                        : std::int64_t{view.tops->rows()} * view.tops->cols();
    const std::int64_t terms = perProduct * static_cast<std::int64_t>(episodes) * std::max(repetitions, 1);
    const std::int64_t worth = std::max<std::int64_t>(terms / kTermsPerPart, 1);
    return static_cast<int>(std::min<std::int64_t>({threads, static_cast<std::int64_t>(episodes), worth}));
}

}  // namespace

bool canEvaluateTogether(QDM& qdm, const std::vector<Individual>& population, const std::vector<Rule>& rules,
                         int threads) {
    if (rules.empty()) return false;
    // Evaluating must not fail: a batch that might not fit the memory budget is evaluated
    // one candidate at a time, so that a refusal comes where it always came. Generously:
    // each thread's states and products for a group, and two temporaries per unitary rebuilt.
    const std::int64_t w = qdm.systemSize();
    std::int64_t sensor = 0;
    for (const Individual& individual : population)
        for (const Sensor& each : individual.sensors) sensor = std::max<std::int64_t>(sensor, each.unitary.rows());
    // As much as one candidate evaluated alone needs, with all its rules side by side.
    const auto columns = static_cast<std::int64_t>(std::max(kGroupColumns, rules.size()));
    const std::int64_t perThread = columns * w * 16 * 4 + 2 * sensor * sensor * 16;
    const std::int64_t need = 2 * std::max(threads, 1) * perThread;
    if (linalg::memoryInUse() + need > linalg::memoryBudget()) return false;
    std::vector<const linalg::Matrix*> operators;
    for (const Individual& individual : population)
        for (const Sensor& sensor : individual.sensors) operators.push_back(&sensor.unitary);
    std::vector<linalg::Matrix> none;
    return qdm.startApart(operators, 0, none);
}

bool evaluateTogether(QDM& qdm, const std::vector<Individual*>& candidates, const std::vector<Rule>& rules,
                      int repetitions, int threads, bool rebuild) {
    if (candidates.empty()) return true;
    if (rules.empty()) return false;
    // Everything read from the variable table is read here, before any thread starts.
    std::vector<const linalg::Matrix*> operators;
    for (const Individual* candidate : candidates)
        for (const Sensor& sensor : candidate->sensors) operators.push_back(&sensor.unitary);
    std::vector<linalg::Matrix> start;
    if (!qdm.startApart(operators, 1, start)) return false;
    const QDM::TopsView view = qdm.topsForApart();
    if (view.tops == nullptr) return false;

    // The episodes are shared evenly among the parts, whole candidates or not: all the
    // unitaries are rebuilt first.
    const std::size_t count = candidates.size(), episodes = count * rules.size();
    const int parts = partsFor(view, episodes, repetitions, std::max(threads, 1));
    std::vector<double> errors(episodes);
    linalg::Matrix last;
    try {
        if (rebuild)
            runInParts(parts, [&](int part) {
                for (std::size_t m = count * part / parts; m < count * (part + 1) / parts; ++m)
                    rebuildUnitaries(*candidates[m]);
            });
        StopPoll* const poll = StopPoll::current();
        runInParts(parts, [&](int part) {
            const StopPoll::Helper helping(poll);
            const std::size_t begin = episodes * part / parts, end = episodes * (part + 1) / parts;
            for (std::size_t first = begin; first < end; first += kGroupColumns) {
                const std::size_t stop = std::min(end, first + kGroupColumns);
                replayEpisodes(qdm, view, start.front(), candidates.data(), rules, repetitions, first, stop,
                               errors.data(), stop == episodes ? &last : nullptr);
            }
        });
    } catch (const StopAsked&) {
        throw;
    } catch (...) {
        // Whatever stopped the batch, evaluating in turn meets it again where it arises.
        return false;
    }
    scoreEpisodes(candidates.data(), count, rules.size(), errors.data());
    qdm.finishApart(last);
    return true;
}

void evaluateFitness(QDM& qdm, Individual& individual, const std::vector<Rule>& rules, int repetitions) {
    individual.fitness = 0.0;
    if (rules.empty() || replaySideBySide(qdm, individual, rules, repetitions)) return;
    individual.ruleFitness.resize(rules.size(), 0.0);
    replayInTurn(qdm, individual, rules, repetitions);
    individual.fitness /= static_cast<double>(rules.size());
}

bool fitterThan(const Individual& a, const Individual& b) {
    if (std::isnan(a.fitness)) return false;
    return std::isnan(b.fitness) || a.fitness > b.fitness;
}

}  // namespace vex
