#include "decision/StopPoll.h"

namespace vex {

namespace {

thread_local StopPoll* polling = nullptr;
thread_local bool helping = false;
std::atomic<bool> withinSteps{true};

// Steps between two looks at the clock: a clock read costs about what a small step does.
constexpr std::uint32_t kStepsPerClock = 16;

}  // namespace

StopPoll::StopPoll(std::function<bool()> stop) : stop_(std::move(stop)), outer_(polling) {
    polling = this;
    helping = false;
}

StopPoll::~StopPoll() { polling = outer_; }

StopPoll* StopPoll::current() { return helping ? nullptr : polling; }

StopPoll::Helper::Helper(StopPoll* poll) : outer_(polling) {
    if (poll == nullptr || polling == poll) return;
    polling = poll;
    helping = true;
    installed_ = true;
}

StopPoll::Helper::~Helper() {
    if (!installed_) return;
    polling = outer_;
    helping = false;
}

void setPollsWithinSteps(bool on) { withinSteps = on; }

void StopPoll::ask() {
    if (!withinSteps.load(std::memory_order_relaxed)) return;
    if (++calls_ % kStepsPerClock != 1) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < next_) return;
    next_ = now + kPollInterval;
    if (!stop_()) return;
    stopped_ = true;
    throw StopAsked{};
}

void pollStop() {
    StopPoll* poll = polling;
    if (poll == nullptr) return;
    if (poll->stopped_.load(std::memory_order_relaxed)) throw StopAsked{};
    if (!helping) poll->ask();
}

}  // namespace vex
