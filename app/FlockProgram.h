#pragma once
// The whole flock program: window, start-up, main loop, shutdown.

namespace flock {

// Answers the process exit status: 0 after Escape or a close request, non-zero
// when the window cannot be opened or start-up fails.
int runFlockProgram();

}  // namespace flock
