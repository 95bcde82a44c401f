#pragma once
// flock --sweep and flock --summarize.

#include "app/cli/FlockOptions.h"

namespace flock {

// The runs of the sweep (its shard of them), each flown in a process of its own,
// --jobs at once. The summary goes to standard output, the rows to --csv, the picture
// to --svg. Answers 0; 1 when a run failed or had failures, or a file could not be
// written; 2 for sensors that do not load; 130 when interrupted.
int runSweep(const FlockOptions& options);

// Whether every --setup makes a decision maker the flock can fly, each tried in a
// child process in its folder; names the first that does not on standard error.
bool setupsFly(const FlockOptions& options);
// The summary and picture of row files; 2 for a file that is not one.
int runSummarize(const FlockOptions& options);

}  // namespace flock
