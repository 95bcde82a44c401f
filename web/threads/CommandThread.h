#pragma once
// Console commands on a thread of their own, for the threaded page. The browser's main
// thread runs the animation-frame loop and owns WebGL; the command thread runs the
// console's lines. They take turns, so that program code (interpreters, variables,
// rand(), output) runs on one thread at a time and frames come exactly where the
// single-threaded page draws them, at a command's key polls:
//   - between commands the turn is the main thread's; it hands typed lines over;
//   - a command keeps the turn until a key poll asks for a frame, then waits while the
//     main thread draws it at its next pass, and goes on;
//   - while a command holds the turn the main thread's passes return at once.

#include <pthread.h>

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>

namespace flock::web {

class CommandThread {
public:
    CommandThread() = default;
    CommandThread(const CommandThread&) = delete;
    CommandThread& operator=(const CommandThread&) = delete;
    // Waits for a running `work` to end (drawing no frame meanwhile), then ends the thread.
    ~CommandThread();

    // Starts the thread, with `stackBytes` of stack; it runs `work` once per hand-over.
    // False if no thread could be started.
    bool start(std::function<void()> work, std::size_t stackBytes);
    bool started() const { return started_; }

    // Main thread: the program is the main thread's to act on (no command holds it).
    bool mainHasTurn();
    // Main thread: a command waits for a frame.
    bool frameWanted();
    // Main thread, in its turn with no command waiting: the command thread runs `work`.
    void handOver();
    // Main thread, the frame a command waited for drawn: the command goes on.
    void frameDrawn();

    // Command thread: waits until the main thread has drawn a frame.
    void awaitFrame();
    bool onCommandThread() const;

private:
    enum class Turn { Main, Command, Frame, End };
    static void* run(void* self);
    void loop();
    void give(Turn to);

    std::mutex mutex_;
    std::condition_variable changed_;
    Turn turn_ = Turn::Main;
    std::function<void()> work_;
    pthread_t thread_{};
    bool started_ = false;
};

}  // namespace flock::web
