#pragma once
// Keeps the frame rate at or below a ceiling when the display does not. Headings
// are truncated to whole degrees every step, so a frame must turn by more than a
// degree (576 / frames per second): unthrottled frames, as under a virtual display,
// would otherwise stop every turn to the left.

#include <chrono>

namespace flock {

inline constexpr int kMaxFramesPerSecond = 240;

class FramePacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit FramePacer(int maxFramesPerSecond = kMaxFramesPerSecond)
        : interval_(std::chrono::nanoseconds(1'000'000'000LL / maxFramesPerSecond)) {}

    // How long to wait after a frame that ended at `now` before the next begins.
    // A late frame starts the count afresh rather than hurrying the ones after it.
    Clock::duration waitAfterFrame(Clock::time_point now);
    // Waits as long as waitAfterFrame says.
    void pace();

private:
    Clock::duration interval_;
    Clock::time_point next_{};
    bool started_ = false;
};

}  // namespace flock
