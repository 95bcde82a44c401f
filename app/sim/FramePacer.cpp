#include "app/sim/FramePacer.h"

#include <thread>

namespace flock {

FramePacer::Clock::duration FramePacer::waitAfterFrame(Clock::time_point now) {
    if (!started_ || now >= next_) {
        started_ = true;
        next_ = now + interval_;
        return Clock::duration::zero();
    }
    Clock::duration wait = next_ - now;
    next_ += interval_;
    return wait;
}

void FramePacer::pace() {
    Clock::duration wait = waitAfterFrame(Clock::now());
    if (wait > Clock::duration::zero()) std::this_thread::sleep_for(wait);
}

}  // namespace flock
