#include "decision/TrainingSizes.h"

#include "support/Reporting.h"

namespace vex {

std::vector<std::string> trainingSizeNotices(std::int32_t generations, std::int32_t repetitions,
                                             std::int32_t population) {
    std::vector<std::string> notices;
    if (generations < 1)
        notices.push_back("generations " + std::to_string(generations) +
                          ": no generation is trained, so the sensors stay as they are");
    if (repetitions < 1)
        notices.push_back("repetitions " + std::to_string(repetitions) +
                          ": no thinking step is taken, so fitness only measures the prepared state");
    if (population < 1)
        notices.push_back("population " + std::to_string(population) +
                          ": there are no candidates, so the sensors stay as they are");
    return notices;
}

void warnAboutTrainingSizes(std::int32_t generations, std::int32_t repetitions, std::int32_t population) {
    for (const std::string& notice : trainingSizeNotices(generations, repetitions, population))
        tala::interp::warn("vex::train: " + notice);
}

}  // namespace vex
