#include "decision/KeptOperators.h"

#include "linalg/MemoryBudget.h"

namespace vex {

std::uint64_t KeptOperators::digest(const std::vector<std::uint64_t>& versions) {
    std::uint64_t digest = versions.size();
    for (const std::uint64_t version : versions) digest = (digest ^ version) * 0x9E3779B97F4A7C15u;
    return digest;
}

bool KeptOperators::find(const std::vector<std::uint64_t>& versions, linalg::Matrix& op) {
    if (kept_.empty()) return false;
    if (linalg::cachedMemoryOverBudget()) {
        clear();
        return false;
    }
    const std::uint64_t wanted = digest(versions);
    for (std::size_t i = 0; i < kept_.size(); ++i) {
        if (digests_[i] != wanted || kept_[i].versions != versions) continue;
        const Kept& kept = kept_[i];
        linalg::Matrix copy(kept.rows, kept.cols);  // every entry +0
        linalg::Complex* entries = copy.data();
        for (const Entry& entry : kept.entries) entries[entry.place] = entry.value;
        op = std::move(copy);
        return true;
    }
    return false;
}

void KeptOperators::keep(const std::vector<std::uint64_t>& versions, const linalg::Matrix& op) {
    if (!op.hasStorage()) return;
    // Room for every one first: nothing below fails once the memory is counted.
    kept_.reserve(kMaxKept);
    digests_.reserve(kMaxKept);
    Kept kept;
    kept.versions = versions;
    kept.rows = op.rows();
    kept.cols = op.cols();
    const linalg::Complex* entries = op.data();
    // Every entry but +0; a -0 is kept, which a rebuilt matrix of +0 entries would lose.
    for (std::size_t place = 0; place < static_cast<std::size_t>(op.entryCount()); ++place)
        if (!linalg::isPositiveZero(entries[place])) kept.entries.push_back({place, entries[place]});
    kept.bytes = static_cast<std::int64_t>(sizeof(Kept) + sizeof(std::uint64_t) +
                                           versions.size() * sizeof(std::uint64_t) +
                                           kept.entries.capacity() * sizeof(Entry));
    if (kept_.size() >= kMaxKept) dropOldest();
    if (!linalg::countCachedMemory(kept.bytes)) return;
    digests_.push_back(digest(versions));
    kept_.push_back(std::move(kept));
}

void KeptOperators::dropOldest() {
    linalg::uncountCachedMemory(kept_.front().bytes);
    kept_.erase(kept_.begin());
    digests_.erase(digests_.begin());
}

void KeptOperators::clear() {
    while (!kept_.empty()) dropOldest();
}

}  // namespace vex
