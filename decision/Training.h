#pragma once
// The steps of genetic sensor training. QDM::train drives them; they are open
// here so that each step can be run and checked on its own.

#include <vector>

#include "decision/QDM.h"
#include "decision/Records.h"

namespace vex {

// The stimuli a rule plays at a step: repeat mode (0) cycles its lists, the other modes
// play them once and then only think; null where it plays none.
const SensorNames* stimuliAt(const Rule& rule, int step);

// Runs every rule on the decision maker with the individual's sensors and sets
// ruleFitness[i] = 1 / (squared error + 0.1) and fitness = their mean. With no
// rules fitness is 0 and ruleFitness is left as it was.
void evaluateFitness(QDM& qdm, Individual& individual, const std::vector<Rule>& rules, int repetitions);

// Whether evaluateTogether can take the candidates a generation makes from this
// population: there are rules, and the decision maker replays the episodes of every
// individual's sensors apart from psi.0 (QDM::startApart), and the memory budget leaves
// ample room for evaluating on `threads` threads.
bool canEvaluateTogether(QDM& qdm, const std::vector<Individual>& population, const std::vector<Rule>& rules,
                         int threads = 1);

// Evaluates the candidates as evaluateFitness would, one after another in order, with
// the same numbers bit for bit, and leaves psi.0 as the last of them would: their rules'
// episodes side by side, one product by Tops per thinking step for many of them, split
// over up to `threads` threads. The threads only compute; with `rebuild` they first
// rebuild the candidates' unitaries (rebuildUnitaries). Answers false where the decision
// maker cannot replay apart, or the batch failed (out of memory, say); the caller then
// evaluates them in turn with evaluateFitness (rebuilding first where asked), which sets
// every value again and raises what it always raised.
bool evaluateTogether(QDM& qdm, const std::vector<Individual*>& candidates, const std::vector<Rule>& rules,
                      int repetitions, int threads, bool rebuild = false);

// QDM::runGeneration: crossover children, mutation, elite copies, trimming to the
// population limit; the decision maker ends with the best individual's sensors.
// The first generation evaluates the initial population before anything else.
// Between evaluations the progress line, if any, is given the chance to update.
//
// Each phase (the first evaluation, crossover, mutation, elite copies) makes all its
// candidates, with their draws and key polls in order, then evaluates them together
// (evaluateTogether) and writes the lines that follow evaluations: the same bytes as
// evaluating each as it is made. The plan can ask for that older way, or a thread count.

// child = parentA with the tail of each angle array, from a random cut, taken from parentB.
// Each sensor's unitary is rebuilt from its angles, or, with rebuildNow false, left for
// rebuildUnitaries to do later (the draws are the same either way).
void crossover(Individual& child, const Individual& parentA, const Individual& parentB, bool rebuildNow = true);
// Each angle is redrawn with probability 20 percent.
void mutate(Individual& individual, bool rebuildNow = true);
// child = parent with each angle redrawn with probability 10 percent.
void mutatedCopy(Individual& child, const Individual& parent, bool rebuildNow = true);
// Rebuilds every sensor's unitary from its angles.
void rebuildUnitaries(Individual& individual);

// Best first; an undefined fitness (NaN) counts as the worst.
bool fitterThan(const Individual& a, const Individual& b);

}  // namespace vex
