#pragma once
// Small operators a decision builds again and again from the same matrices (the moves
// of its registers back to their centre), kept with the versions of the matrices they
// were built from. A kept operator is handed out only while every one of those
// matrices still has the version it had: then it is exactly what building it again
// would give. The entries count as cached memory: they take only what is free and
// give way when other uses grow into it. They are kept by their entries other than +0
// (a move of registers has one entry 1 per column), so that a find reads little of
// the memory that one agent's decisions alone come back to.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "linalg/Complex.h"
#include "linalg/Matrix.h"

namespace vex {

class KeptOperators {
public:
    static constexpr std::size_t kMaxKept = 32;

    KeptOperators() = default;
    KeptOperators(const KeptOperators&) = delete;
    KeptOperators& operator=(const KeptOperators&) = delete;
    ~KeptOperators() { clear(); }

    // The operator kept for matrices of these versions, copied into `op`; false, `op`
    // untouched, when there is none.
    bool find(const std::vector<std::uint64_t>& versions, linalg::Matrix& op);
    // Keeps a copy of `op`, built from matrices of these versions, when there is room.
    void keep(const std::vector<std::uint64_t>& versions, const linalg::Matrix& op);
    void clear();
    std::size_t size() const { return kept_.size(); }

private:
    struct Entry {
        std::size_t place;  // in column order
        linalg::Complex value;
    };
    struct Kept {
        std::vector<std::uint64_t> versions;
        int rows = 0;
        int cols = 0;
        std::vector<Entry> entries;  // every entry whose bits are not all clear
        std::int64_t bytes = 0;
    };
    static std::uint64_t digest(const std::vector<std::uint64_t>& versions);
    void dropOldest();

    std::vector<Kept> kept_;            // oldest first
    std::vector<std::uint64_t> digests_;  // of each kept one's versions, looked at before them
};

}  // namespace vex
