#pragma once
// The threads that evaluate training candidates. Scripts see nothing of them: they
// compute fitness values only, and never draw random numbers, print or touch a
// variable table; the caller's thread does all of that before and after.
//
// The count is the number of processors, unless FLOCK_THREADS in the environment (or
// tala --threads) names another; 1 evaluates on the caller's thread alone.

#include <functional>
#include <string_view>

namespace vex {

// The count in use, at least 1.
int trainingThreads();

// Uses `count` threads from now on. Answers false, changing nothing, for a count below 1
// or above kMaxTrainingThreads.
bool setTrainingThreads(int count);

// Reads a count given as text by `source` (a name for the message, "FLOCK_THREADS" or
// "--threads"): a whole number from 1 to kMaxTrainingThreads. Anything else is named on
// standard error, and the default (the processors) is used.
void setTrainingThreads(std::string_view text, std::string_view source);

inline constexpr int kMaxTrainingThreads = 256;

// Whether training may make a phase's candidates first and evaluate them together (the
// default). Off, each candidate is evaluated as soon as it is made, between the key
// polls: a host that draws its frames at those polls (the web page) keeps drawing.
void setBatchedTraining(bool batched);
bool batchedTraining();

// The number of processors, at least 1.
int processorCount();

// Runs work(0) ... work(parts - 1), part 0 on the caller's thread and each other part on
// a thread of its own, and returns when all have ended. A failure in any part is raised
// here once all have ended (the lowest part's, when several fail). Where no thread can
// be started, the caller runs that part itself.
void runInParts(int parts, const std::function<void(int)>& work);

}  // namespace vex
