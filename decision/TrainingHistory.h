#pragma once
// What a training did, generation by generation: the spread of fitness over the
// population and how the best individual scores on each rule. vex::train records it
// and vex::save_training_history writes it as a table (.csv) or a plot (.svg).

#include <string>
#include <vector>

namespace vex {

// A rule met exactly scores 1 / 0.1, so no fitness can exceed this.
inline constexpr double kFitnessCeiling = 10.0;

// The population as one generation left it.
struct GenerationFitness {
    double best = 0.0;
    double mean = 0.0;
    double worst = 0.0;
    std::vector<double> bestRules;  // the best individual's fitness per rule
};

struct TrainingHistory {
    int plannedGenerations = 0;
    std::vector<GenerationFitness> generations;  // one per finished generation, first first
    int repetitions = 0;                         // thinking steps per rule
    std::vector<std::string> ruleLabels;         // each rule's stimuli and intended actions
};

// One header line, then one row per generation numbered from 1:
// generation,best,mean,worst,rule 0,rule 1,...  Numbers are written exactly
// (shortest text that reads back to the same double).
std::string historyCsv(const TrainingHistory& history);

// A plot of best, mean and worst fitness and of the best individual's rules against
// the generation, with the ceiling marked; each rule is named by its label, if it has one. A long history is thinned for the plot.
std::string historySvg(const TrainingHistory& history);

// Writes the history as .csv or .svg by the file name's ending, through a temporary
// and a rename. Raises support::Failure with the whole message when the name has another
// ending, when there is no generation to write, or when the file cannot be written;
// no file is made or changed then.
void saveTrainingHistory(const TrainingHistory& history, const std::string& fileName);

}  // namespace vex
