#include "decision/TrainingSizes.h"

#include "support/Reporting.h"

namespace vex {

std::vector<std::string> trainingSizeNotices(std::int32_t generations, std::int32_t repetitions,
                                             std::int32_t population, std::int32_t limit) {
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
    if (limit < 1)
        notices.push_back("LIMIT " + std::to_string(limit) +
                          ": every candidate is dropped at the end of the first generation, so the later ones "
                          "train nothing; give LIMIT 1 or more");
    else if (population >= 1 && population < limit)
        notices.push_back("POPULATION " + std::to_string(population) + " is smaller than LIMIT " +
                          std::to_string(limit) + ": the population starts below its limit; give POPULATION " +
                          "at least LIMIT");
    return notices;
}

void warnAboutTrainingSizes(std::int32_t generations, std::int32_t repetitions, std::int32_t population,
                            std::int32_t limit) {
    for (const std::string& notice : trainingSizeNotices(generations, repetitions, population, limit))
        support::warn("vex::train: " + notice);
}

}  // namespace vex
