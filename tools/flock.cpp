// The flock window: background particles and the agents, driven by the keyboard
// (P pause, R reset, Z and X camera, Escape quit). Run it in data/.
#include "app/FlockProgram.h"

int main() { return flock::runFlockProgram(); }
