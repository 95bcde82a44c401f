#pragma once
// A countdown on the program clock: started, it runs for one period.

#include <cstdint>

#include "app/sim/Clock.h"

namespace flock {

struct Timer {
    Milliseconds deadline = 0;
    std::int32_t period = 0;

    // Begins a new period now.
    void start(const Clock& clock) { deadline = clock.now() + period; }
    // True from the deadline on.
    bool expired(const Clock& clock) const { return clock.now() >= deadline; }
    // Share of the period gone, 0 to 1; a zero period is always complete.
    float progress(const Clock& clock) const;
};

}  // namespace flock
