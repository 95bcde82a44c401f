#include "decision/KeptOperators.h"

#include <algorithm>

#include "linalg/MemoryBudget.h"

namespace vex {

bool KeptOperators::find(const std::vector<std::uint64_t>& versions, linalg::Matrix& op) {
    if (kept_.empty()) return false;
    if (linalg::cachedMemoryOverBudget()) {
        clear();
        return false;
    }
    for (const Kept& kept : kept_) {
        if (kept.versions != versions) continue;
        linalg::Matrix copy(kept.rows, kept.cols);
        std::copy(kept.entries.begin(), kept.entries.end(), copy.data());
        op = std::move(copy);
        return true;
    }
    return false;
}

void KeptOperators::keep(const std::vector<std::uint64_t>& versions, const linalg::Matrix& op) {
    if (!op.hasStorage()) return;
    Kept kept;
    kept.versions = versions;
    kept.rows = op.rows();
    kept.cols = op.cols();
    kept.entries.assign(op.data(), op.data() + op.entryCount());
    kept.bytes = static_cast<std::int64_t>(sizeof(Kept) + versions.size() * sizeof(std::uint64_t) +
                                           kept.entries.size() * sizeof(linalg::Complex));
    if (kept_.size() >= kMaxKept) dropOldest();
    if (!linalg::countCachedMemory(kept.bytes)) return;
    kept_.push_back(std::move(kept));
}

void KeptOperators::dropOldest() {
    linalg::uncountCachedMemory(kept_.front().bytes);
    kept_.erase(kept_.begin());
}

void KeptOperators::clear() {
    while (!kept_.empty()) dropOldest();
}

}  // namespace vex
