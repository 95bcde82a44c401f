#pragma once
// Work done in child processes, a few at a time: each task is a function run in a
// forked child, its text answer read back through a pipe. Ctrl-C and a termination
// request stop the pool, and no child outlives it or its parent, not even a stopped one.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace flock {

// What a child answered, and how it ended: empty when it exited well, else
// "ended by signal ..." or "ended with status N".
struct ChildAnswer {
    std::size_t task = 0;
    std::string text;
    std::string ended;
};

struct PoolHooks {
    // Runs in the child, standard input empty and standard output sent to standard
    // error; its answer goes back to the parent. A failure raised ends the child with 1.
    std::function<std::string(std::size_t task)> work;
    // In the parent, for each child that ended (those stopped by an interrupt left out).
    std::function<void(const ChildAnswer&)> answered;
    // A child could not be started; the pool stops. Told the task and why.
    std::function<void(std::size_t task, const std::string& reason)> cannotStart;
    // Waiting failed; the pool stops.
    std::function<void(const std::string& reason)> cannotWait;
    // After every round of waiting, at most a tenth of a second apart.
    std::function<void()> waited;
    // When the pool stops early, each child still running is sent SIGTERM, and SIGCONT
    // as well, since a stopped child (SIGSTOP, Ctrl-Z) takes no other signal; one still
    // there after `grace` is killed (SIGKILL). Told, when set, of each child that was
    // stopped or had to be killed, with what was done ("was stopped: ...").
    std::function<void(std::size_t task, const std::string& what)> forced;
    std::chrono::milliseconds grace{2000};
};

enum class PoolEnd { Done, Interrupted, Broken };

// Runs tasks 0 to count-1, at most `jobs` at once, in task order.
PoolEnd runInChildren(std::size_t count, std::size_t jobs, const PoolHooks& hooks);

// One task in one child, waited for; cannotStart's reason comes back as the ended text.
ChildAnswer runInChild(const std::function<std::string()>& work);

}  // namespace flock
