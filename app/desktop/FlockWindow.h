#pragma once
// The flock in a desktop window: GLFW for the window and keys, GL for the drawing.

#include "app/cli/FlockOptions.h"

namespace flock {

// The window, once the working folder holds the data: the agents are made and
// checked before it opens.
int runFlockWindow(const FlockOptions& options);

}  // namespace flock
