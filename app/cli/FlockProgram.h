#pragma once
// The whole flock program: command line, data folder, then the window or a
// headless flight.

#include <string>
#include <vector>

#include "app/cli/FlockOptions.h"

namespace flock {

// The window's part, given by the program that has one (app/desktop); the command line,
// headless flights and sweeps need no window library.
using WindowProgram = int (*)(const FlockOptions& options);

// Answers the process exit status: 0 when done (Escape or a close request in the
// window), 1 when the data, the window or an output file fails, 2 for a bad
// command line.
int runFlockProgram(const std::vector<std::string>& arguments, WindowProgram runWindow);
// The flight without a window; the table goes to standard output, the minds' own
// messages to standard error.
int runHeadlessFlight(const FlockOptions& options);

// Whether --csv and --svg can be written, asked before a flight so that a long flight is
// not lost to a mistyped folder; names the first that cannot on standard error.
bool outputsWritable(const FlockOptions& options);
// Writes a whole output file; false, with the reason on standard error, when it fails.
bool writeOutput(const std::string& file, const std::string& text);

}  // namespace flock
