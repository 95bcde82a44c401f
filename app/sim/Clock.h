#pragma once
// The program clock: milliseconds since the program started. Timers read it through
// this interface so that tests can move time by hand.

#include <chrono>
#include <cstdint>

namespace flock {

// 64 bits, so a long run never wraps the deadlines computed from it.
using Milliseconds = std::int64_t;

class Clock {
public:
    virtual ~Clock() = default;
    virtual Milliseconds now() const = 0;
};

// Wall-clock milliseconds since construction; never goes backwards.
class SteadyClock : public Clock {
public:
    SteadyClock() : start_(std::chrono::steady_clock::now()) {}
    Milliseconds now() const override {
        auto elapsed = std::chrono::steady_clock::now() - start_;
        return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

// Moves only when told to.
class ManualClock : public Clock {
public:
    Milliseconds now() const override { return now_; }
    void advance(Milliseconds by) { now_ += by; }
    void set(Milliseconds to) { now_ = to; }

private:
    Milliseconds now_ = 0;
};

}  // namespace flock
