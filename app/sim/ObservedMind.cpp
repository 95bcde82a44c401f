#include "app/sim/ObservedMind.h"

#include <cctype>
#include <exception>
#include <utility>

namespace flock {

bool decisionFollows(const std::string& stimulus, const std::string& decision) {
    if (stimulus == "center") return decision == "forward";
    return (stimulus == "left" || stimulus == "right") && decision == stimulus;
}

template <typename Action>
void ObservedMind::counted(Action action) {
    try {
        action();
    } catch (const std::exception& failure) {
        failed(failure.what());
        throw;
    } catch (...) {
        failed("an unknown failure");
        throw;
    }
}

void ObservedMind::runCommand(std::string_view text) {
    counted([&] { inner_->runCommand(text); });
}

void ObservedMind::runCommand(std::string_view text, tala::interp::Object& result) {
    askFailed_ = true;
    counted([&] { inner_->runCommand(text, result); });
    askFailed_ = false;
}

void ObservedMind::decided(const std::string& stimulus, const std::string* decision) {
    log_.decided = true;
    log_.stimulus = stimulus;
    log_.decision = decision ? *decision : std::string();
    // An answer that is not a text fails the agent's reading of it.
    if (!decision && !askFailed_) failed("the decision is not a text");
    if (decision) {
        log_.answered += 1;
        if (decisionFollows(stimulus, *decision)) log_.following += 1;
    }
    inner_->decided(stimulus, decision);
}

void ObservedMind::failed(const std::string& text) {
    log_.failures += 1;
    if (!log_.firstFailure.empty()) return;
    log_.firstFailure = text;
    // Some failure texts carry their own line end.
    while (!log_.firstFailure.empty() && std::isspace(static_cast<unsigned char>(log_.firstFailure.back())))
        log_.firstFailure.pop_back();
}

}  // namespace flock
