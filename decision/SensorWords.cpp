// Commands that train, add, save and load a decision maker's sensors, and save
// the fitness history of its last training.

#include <iostream>

#include "decision/DecisionCall.h"
#include "decision/QDM.h"
#include "decision/TrainingHistory.h"
#include "decision/TrainingSizes.h"
#include "decision/ValueTypes.h"
#include "decision/Notices.h"
#include "support/Reporting.h"
#include "support/Failure.h"
#include "support/ScriptOutput.h"
#include "support/TaskProgress.h"

namespace vex {

namespace {

using tala::interp::Object;

// vex::train QDM set generations repetitions population limit.
bool word_train(DecisionCall& call) {
    const auto value = call.userArg<QDMType>(1);
    const auto set = value ? call.userArg<TrainingSetType>(2) : nullptr;
    if (set == nullptr) {
        call.complain("vex::train syntax error.\n");
        return false;
    }
    const auto decisionMaker = call.decisionMakerIn(*value, NoDecisionMaker::Notice);
    if (decisionMaker == nullptr) return false;
    const std::int32_t generations = call.integerArg(3);
    const std::int32_t repetitions = call.integerArg(4);
    const std::int32_t population = call.integerArg(5);
    const std::int32_t limit = call.integerArg(6);
    warnAboutTrainingSizes(generations, repetitions, population, limit);
    if (set->rules.empty())
        support::warn("vex::train: the training set has no rules, so every candidate's fitness is 0 and "
                           "nothing is learnt; add rules with vex::add_rule");
    warnUnknownSensors("vex::train", *decisionMaker, set->rules);
    // Progress shows at the console, whose keys stop training.
    decisionMaker->train(set->rules, generations, repetitions, population, limit,
                         support::ConsoleProgress::atConsole().get());
    return true;
}

bool word_add_sensor(DecisionCall& call) {
    const auto value =
        call.userArg<QDMType>(1, "vex::add_sensor syntax error: first agument must be of type 'vex::QDM'\n");
    if (value == nullptr) return false;
    if (const auto decisionMaker = call.decisionMakerIn(*value, NoDecisionMaker::Notice))
        decisionMaker->addSensor(call.stringArg(2));
    return true;
}

bool word_save(DecisionCall& call) {
    const auto value = call.decisionMakerValueArg(1, "\n");
    if (value == nullptr) return false;
    if (const auto decisionMaker = call.decisionMakerIn(*value, NoDecisionMaker::Notice)) {
        const std::string fileName = call.stringArg(2);
        support::out() << "Saving sensors to file '" << fileName << "'\n";
        if (decisionMaker->sensors.empty())
            support::warn("vex::save: the decision maker has no sensors, so '" + fileName +
                               "' holds none; add them with vex::add_sensor or vex::load first.");
        decisionMaker->saveSensors(fileName);
    }
    return true;
}

bool word_load(DecisionCall& call) {
    const auto value = call.decisionMakerValueArg(1, "\n");
    if (value == nullptr) return false;
    if (const auto decisionMaker = call.decisionMakerIn(*value, NoDecisionMaker::Notice)) {
        const std::string fileName = call.stringArg(2);
        support::out() << "Loading sensors from file '" << fileName << "'\n";
        decisionMaker->loadSensors(fileName);
    }
    return true;
}

// vex::save_training_history QDM file: a .csv table or an .svg plot of the last
// training's fitness per generation. Every failure is raised, so a script run by
// tala ends with status 1; a missing decision maker too, since nothing was saved.
bool word_save_training_history(DecisionCall& call) {
    const auto value = call.decisionMakerValueArg(1, "\n");
    if (value == nullptr) return false;
    const auto decisionMaker = call.decisionMakerIn(*value, NoDecisionMaker::Raise);
    saveTrainingHistory(decisionMaker->trainingHistory, call.stringArg(2));
    return true;
}

constexpr CommandEntry kSensorWords[] = {
    {"vex::train", word_train, "QDM TRAINING-SET GENERATIONS REPETITIONS POPULATION LIMIT",
     "Trains the decision maker's sensors over the set's rules by the genetic algorithm; q stops it.",
     "vex::train (get QDM) (get rules) 300 4 20 20"},
    {"vex::add_sensor", word_add_sensor, "QDM NAME", "Adds a sensor of that name with random angles.",
     "vex::add_sensor (get QDM) center"},
    {"vex::save", word_save, "QDM FILE", "Writes the decision maker's sensors to the sensor file FILE.",
     "vex::save (get QDM) flock_sensors.bin"},
    {"vex::load", word_load, "QDM FILE",
     "Appends the sensors read from the sensor file FILE; a finalized decision maker refuses sensors of another "
     "size.",
     "vex::load (get QDM) flock_sensors.bin"},
    {"vex::save_training_history", word_save_training_history, "QDM FILE",
     "Writes the last training's fitness per generation: a table for FILE.csv, a plot for FILE.svg.",
     "vex::save_training_history (get QDM) training_history.svg"},
};

}  // namespace

CommandGroup sensorWords() { return {"sensors", kSensorWords}; }

}  // namespace vex
