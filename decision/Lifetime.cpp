#include "decision/Lifetime.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "decision/QDM.h"

namespace vex {

namespace {

std::vector<std::unique_ptr<QDM>>& liveDecisionMakers() {
    static std::vector<std::unique_ptr<QDM>> live;
    return live;
}

}  // namespace

QDM* createDecisionMaker() {
    liveDecisionMakers().push_back(std::make_unique<QDM>());
    return liveDecisionMakers().back().get();
}

void releaseDecisionMaker(QDM* decisionMaker) {
    auto& live = liveDecisionMakers();
    auto found = std::find_if(live.begin(), live.end(), [&](const auto& held) { return held.get() == decisionMaker; });
    if (found == live.end()) return;
    // Taken out of the list first: its teardown must not see itself as live.
    std::unique_ptr<QDM> released = std::move(*found);
    live.erase(found);
}

bool isLiveDecisionMaker(const QDM* decisionMaker) {
    if (decisionMaker == nullptr) return false;
    const auto& live = liveDecisionMakers();
    return std::any_of(live.begin(), live.end(), [&](const auto& held) { return held.get() == decisionMaker; });
}

}  // namespace vex
