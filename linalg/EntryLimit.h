#pragma once
// Shape checks shared by everything that allocates matrix storage.

#include <cstdint>

namespace linalg {

// Raises "Matrix too large: R x C entries" when rows x cols exceeds kMaxEntries.
// Takes 64-bit numbers so that products of two int shapes cannot wrap first.
void requireEntryLimit(std::int64_t rows, std::int64_t cols);

}  // namespace linalg
