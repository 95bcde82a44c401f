#include "decision/Lifetime.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "decision/QDM.h"

namespace vex {

namespace {

struct LiveDecisionMaker {
    std::unique_ptr<QDM> decisionMaker;
    std::uint64_t generation;
};

std::vector<LiveDecisionMaker>& liveDecisionMakers() {
    static std::vector<LiveDecisionMaker> live;
    return live;
}

std::uint64_t nextGeneration() {
    static std::uint64_t generation = 0;
    return ++generation;
}

auto findLive(DecisionMakerRef ref) {
    auto& live = liveDecisionMakers();
    return std::find_if(live.begin(), live.end(), [&](const LiveDecisionMaker& held) {
        return held.decisionMaker.get() == ref.address() && held.generation == ref.generation();
    });
}

}  // namespace

QDM* DecisionMakerRef::get() const { return isLiveDecisionMaker(*this) ? decisionMaker_ : nullptr; }

DecisionMakerRef createDecisionMaker() {
    auto& live = liveDecisionMakers();
    live.push_back({std::make_unique<QDM>(), nextGeneration()});
    return {live.back().decisionMaker.get(), live.back().generation};
}

void releaseDecisionMaker(DecisionMakerRef decisionMaker) {
    auto& live = liveDecisionMakers();
    auto found = findLive(decisionMaker);
    if (found == live.end()) return;
    // Taken out of the list first: its teardown must not see itself as live.
    std::unique_ptr<QDM> released = std::move(found->decisionMaker);
    live.erase(found);
}

void releaseAllDecisionMakers() {
    auto& live = liveDecisionMakers();
    while (!live.empty()) {
        std::unique_ptr<QDM> released = std::move(live.back().decisionMaker);
        live.pop_back();
    }
}

bool isLiveDecisionMaker(DecisionMakerRef decisionMaker) {
    if (decisionMaker.address() == nullptr) return false;
    return findLive(decisionMaker) != liveDecisionMakers().end();
}

}  // namespace vex
