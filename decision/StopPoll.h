#pragma once
// A stop asked for inside long loops, the steps of an episode: a key at the console
// stops a score or a training of a billion steps as promptly as one of a few. The loop
// calls pollStop() at each step; the question is put at most every kPollInterval, so a
// step pays for a counter and, now and then, a clock.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

namespace vex {

// Raised through the loop once the poll said stop; the one who made the poll takes it.
struct StopAsked {};

inline constexpr std::chrono::milliseconds kPollInterval{50};

class StopPoll {
public:
    // Polls on this thread while it lives: `stop` answers whether to stop now.
    explicit StopPoll(std::function<bool()> stop);
    ~StopPoll();
    StopPoll(const StopPoll&) = delete;
    StopPoll& operator=(const StopPoll&) = delete;

    // The poll of this thread, if any, for the helper threads of its loop.
    static StopPoll* current();

    // On a helper thread while it lives: pollStop() raises StopAsked once the poll has
    // said stop, without asking itself. Nothing on the poll's own thread, or for none.
    class Helper {
    public:
        explicit Helper(StopPoll* poll);
        ~Helper();
        Helper(const Helper&) = delete;
        Helper& operator=(const Helper&) = delete;

    private:
        StopPoll* outer_;
        bool installed_ = false;
    };

private:
    friend void pollStop();
    void ask();

    std::function<bool()> stop_;
    std::atomic<bool> stopped_{false};
    std::uint32_t calls_ = 0;
    std::chrono::steady_clock::time_point next_{};
    StopPoll* outer_;
};

// Whether polls ask within the steps at all (the default). A host that draws its frames at
// the key polls (the web page) turns them off: a frame would find the decision maker
// half-way through an episode. It then polls between trials and evaluations alone.
void setPollsWithinSteps(bool on);

// At a step of a long loop: raises StopAsked when the poll of this thread (or the one it
// helps) says stop; nothing without one.
void pollStop();

}  // namespace vex
