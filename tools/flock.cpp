// The flock: a window of agents driven by the keyboard (P pause, R reset, Z and X
// camera, D decision odds, Escape quit), or a headless flight; see flock --help.
#include <string>
#include <vector>

#include "app/cli/FlockProgram.h"
#include "app/desktop/FlockWindow.h"

int main(int argc, char** argv) {
    return flock::runFlockProgram(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc),
                                  flock::runFlockWindow);
}
