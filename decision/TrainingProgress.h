#pragma once
// The line that shows a training's progress at the terminal, for example
//   generation 37/300  best 9.82 of 10  (rules 9.91 9.80 9.75)  1.2 s, about 8 s left
// It is drawn on standard error in place (carriage return, erase to the end of the
// line) and only when standard error is a terminal, so logs and piped output never
// see it. When standard output goes to the terminal too, the line is taken away
// before each piece of that output and put back under each finished line, so that it
// stays at the bottom of the screen.

#include <functional>
#include <iosfwd>
#include <memory>
#include <streambuf>
#include <string>

#include "decision/TrainingHistory.h"

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

    // Draws on `terminal`, cutting the line to `columns`. With `sharedOutput`, std::cout
    // shows on the same screen and is routed through the line for the object's lifetime.
    TrainingProgress(int generations, std::ostream& terminal, int columns, bool sharedOutput, Clock clock);
    ~TrainingProgress();
    TrainingProgress(const TrainingProgress&) = delete;
    TrainingProgress& operator=(const TrainingProgress&) = delete;

    // On standard error when it is a terminal; null otherwise.
    static std::unique_ptr<TrainingProgress> atConsole(int generations);

    // Updates are drawn at most 10 times a second.
    void startGeneration(int index);  // from 0
    void finishGeneration(const GenerationFitness& fitness);
    void tick();
    // Draws the final state and ends the line; later calls do nothing.
    void close();

private:
    class SharedOutput;

    void update(bool force);
    void draw();
    void erase();
    void beforeOutput();
    void afterOutput(char last);

    ProgressFigures figures_;
    GenerationFitness latest_;
    std::ostream& terminal_;
    std::size_t columns_;
    Clock clock_;
    double start_;
    double lastUpdate_ = 0.0;
    bool updatedOnce_ = false;
    std::string text_;
    bool drawn_ = false;
    bool closed_ = false;
    // At the start of a line of standard output, where the progress line may go.
    bool atLineStart_ = true;
    std::unique_ptr<SharedOutput> shared_;
};

}  // namespace vex
