// Genetic training of the sensors. The algorithm itself is still to come; the
// command already checks its arguments and calls this.

#include "decision/QDM.h"

namespace vex {

void QDM::train(const std::vector<Rule>& /*rules*/, int /*generations*/, int /*repetitions*/,
                int /*initialPopulation*/, int /*limit*/) {}

}  // namespace vex
