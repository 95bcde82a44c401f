#include "web/threads/CommandThread.h"

#include <utility>

namespace flock::web {

bool CommandThread::start(std::function<void()> work, std::size_t stackBytes) {
    if (started_) return true;
    work_ = std::move(work);
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackBytes);
    started_ = pthread_create(&thread_, &attributes, &CommandThread::run, this) == 0;
    pthread_attr_destroy(&attributes);
    return started_;
}

CommandThread::~CommandThread() {
    if (!started_) return;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return turn_ == Turn::Main; });
        turn_ = Turn::End;
    }
    changed_.notify_all();
    pthread_join(thread_, nullptr);
}

void* CommandThread::run(void* self) {
    static_cast<CommandThread*>(self)->loop();
    return nullptr;
}

void CommandThread::loop() {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return turn_ == Turn::Command || turn_ == Turn::End; });
            if (turn_ == Turn::End) return;
        }
        work_();
        give(Turn::Main);
    }
}

void CommandThread::give(Turn to) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        turn_ = to;
    }
    changed_.notify_all();
}

bool CommandThread::mainHasTurn() {
    std::lock_guard<std::mutex> lock(mutex_);
    return turn_ != Turn::Command;
}

bool CommandThread::frameWanted() {
    std::lock_guard<std::mutex> lock(mutex_);
    return turn_ == Turn::Frame;
}

void CommandThread::handOver() { give(Turn::Command); }

void CommandThread::frameDrawn() { give(Turn::Command); }

void CommandThread::awaitFrame() {
    std::unique_lock<std::mutex> lock(mutex_);
    turn_ = Turn::Frame;
    changed_.wait(lock, [this] { return turn_ == Turn::Command; });
}

bool CommandThread::onCommandThread() const { return started_ && pthread_equal(pthread_self(), thread_); }

}  // namespace flock::web
