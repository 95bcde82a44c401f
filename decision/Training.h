#pragma once
// The steps of genetic sensor training. QDM::train drives them; they are open
// here so that each step can be run and checked on its own.

#include <vector>

#include "decision/QDM.h"
#include "decision/Records.h"

namespace vex {

// Runs every rule on the decision maker with the individual's sensors and sets
// ruleFitness[i] = 1 / (squared error + 0.1) and fitness = their mean. With no
// rules fitness is 0 and ruleFitness is left as it was.
void evaluateFitness(QDM& qdm, Individual& individual, const std::vector<Rule>& rules, int repetitions);

class TrainingProgress;

// One generation: crossover children, mutation, elite copies, trimming to the
// population limit; the decision maker ends with the best individual's sensors.
// The first generation evaluates the initial population before anything else.
// Between evaluations the progress line, if any, is given the chance to update.
void runGeneration(QDM& qdm, const std::vector<Rule>& rules, int repetitions, bool first,
                   TrainingProgress* progress = nullptr);

// child = parentA with the tail of each angle array, from a random cut, taken from parentB.
void crossover(Individual& child, const Individual& parentA, const Individual& parentB);
// Each angle is redrawn with probability 20 percent.
void mutate(Individual& individual);
// child = parent with each angle redrawn with probability 10 percent.
void mutatedCopy(Individual& child, const Individual& parent);

// Best first; an undefined fitness (NaN) counts as the worst.
bool fitterThan(const Individual& a, const Individual& b);

}  // namespace vex
