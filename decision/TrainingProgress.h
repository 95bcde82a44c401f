#pragma once
// The progress of a training, for example
//   generation 37/300  best 9.82 of 10  (rules 9.91 9.80 9.75)  1.2 s, about 8 s left
// handed to the TaskProgress its caller supplied, which shows it (at a terminal, a line
// kept at the bottom of the screen) and answers whether a key cuts a generation short
// or stops training.

#include <functional>
#include <string>

#include "decision/TrainingHistory.h"
#include "support/TaskProgress.h"

namespace vex {

struct ProgressFigures {
    int generation = 1;   // the one under way, from 1; the last one when training is over
    int generations = 0;  // how many were asked for
    int finished = 0;     // generations finished in `elapsed` seconds
    const GenerationFitness* latest = nullptr;  // the last finished generation's, if any
    double elapsed = 0.0;
    bool over = false;  // no estimate of the time left
};

std::string progressText(const ProgressFigures& figures);

class TrainingProgress {
public:
    using Clock = std::function<double()>;  // seconds since any fixed moment

    // Shows on `shown`, which begins now; `clock` defaults to a steady clock.
    TrainingProgress(int generations, support::TaskProgress& shown, Clock clock = {});
    ~TrainingProgress();
    TrainingProgress(const TrainingProgress&) = delete;
    TrainingProgress& operator=(const TrainingProgress&) = delete;

    // Updates are shown at most 10 times a second.
    void startGeneration(int index);  // from 0
    void finishGeneration(const GenerationFitness& fitness);
    void tick();
    // Shows the final state; later calls do nothing.
    void close();

    support::TaskProgress& shown() { return shown_; }
    // A key taken within an evaluation that did not stop training cuts the generation
    // short, as one left waiting would; the next generation starts afresh.
    void cutShort() { cutShort_ = true; }
    bool isCutShort() const { return cutShort_; }

private:
    void update(bool force);

    ProgressFigures figures_;
    GenerationFitness latest_;
    support::TaskProgress& shown_;
    Clock clock_;
    double start_;
    double lastUpdate_ = 0.0;
    bool updatedOnce_ = false;
    bool closed_ = false;
    bool cutShort_ = false;
};

}  // namespace vex
