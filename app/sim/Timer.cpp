#include "app/sim/Timer.h"

#include <algorithm>

namespace flock {

float Timer::progress(const Clock& clock) const {
    if (period == 0) return 1.0f;
    float remaining = static_cast<float>(deadline - clock.now());
    float gone = 1.0f - remaining / static_cast<float>(period);
    return std::clamp(gone, 0.0f, 1.0f);
}

}  // namespace flock
