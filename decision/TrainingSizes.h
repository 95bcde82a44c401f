#pragma once
// Sizes of a training that mean nothing: training still does what they say (nothing, or
// fitness without a thinking step), but the script is told so.

#include <cstdint>
#include <string>
#include <vector>

namespace vex {

// One notice per size below 1, such as "repetitions 0: no thinking step is taken, so
// fitness only measures the prepared state"; none when every size means something.
// The population limit (LIMIT) is told likewise when below 1 or above the population.
std::vector<std::string> trainingSizeNotices(std::int32_t generations, std::int32_t repetitions,
                                             std::int32_t population, std::int32_t limit);

// Writes those notices on standard error, each as "vex::train: NOTICE".
void warnAboutTrainingSizes(std::int32_t generations, std::int32_t repetitions, std::int32_t population,
                            std::int32_t limit);

}  // namespace vex
