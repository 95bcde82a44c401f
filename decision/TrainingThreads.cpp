#include "decision/TrainingThreads.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <optional>
#include <iostream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace vex {

namespace {

std::optional<int> parseCount(std::string_view text) {
    int count = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, count);
    if (text.empty() || error != std::errc() || stop != end || count < 1 || count > kMaxTrainingThreads)
        return std::nullopt;
    return count;
}

// A bad count is named, and training keeps `fallback`.
int readCount(std::string_view text, std::string_view source, int fallback) {
    if (const std::optional<int> count = parseCount(text)) return *count;
    std::cerr << source << " '" << text << "' is not a number of threads from 1 to " << kMaxTrainingThreads
              << "; training uses " << fallback << ".\n";
    return fallback;
}

int& currentCount() {
    static int count = [] {
        const char* given = std::getenv("FLOCK_THREADS");
        return given == nullptr ? processorCount() : readCount(given, "FLOCK_THREADS", processorCount());
    }();
    return count;
}

}  // namespace

int processorCount() {
    const unsigned processors = std::thread::hardware_concurrency();
    return processors == 0 ? 1 : static_cast<int>(std::min<unsigned>(processors, kMaxTrainingThreads));
}

int trainingThreads() { return currentCount(); }

namespace {
bool batched = true;
}  // namespace

void setBatchedTraining(bool on) { batched = on; }
bool batchedTraining() { return batched; }

bool setTrainingThreads(int count) {
    if (count < 1 || count > kMaxTrainingThreads) return false;
    currentCount() = count;
    return true;
}

void setTrainingThreads(std::string_view text, std::string_view source) {
    // A bad count keeps what the environment (FLOCK_THREADS) or the processors gave.
    currentCount() = readCount(text, source, currentCount());
}

void runInParts(int parts, const std::function<void(int)>& work) {
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(std::max(parts, 0)));
    auto run = [&](int part) {
        try {
            work(part);
        } catch (...) {
            failures[static_cast<std::size_t>(part)] = std::current_exception();
        }
    };
    {
        // std::thread joined by hand: not every standard library offers std::jthread.
        std::vector<std::thread> helpers;
        struct JoinAll {
            std::vector<std::thread>& threads;
            ~JoinAll() {
                for (std::thread& thread : threads)
                    if (thread.joinable()) thread.join();
            }
        } joinAll{helpers};
        std::vector<int> leftOver;
        for (int part = 1; part < parts; ++part) {
            try {
                helpers.emplace_back(run, part);
            } catch (const std::system_error&) {
                leftOver.push_back(part);
            }
        }
        if (parts > 0) run(0);
        for (int part : leftOver) run(part);
    }  // the helpers are joined here
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

}  // namespace vex
