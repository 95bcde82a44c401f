#include "interp/BoundedLine.h"

#include <array>
#include <cstdint>

#include "linalg/MemoryBudget.h"

namespace tala::interp {

bool readLineWithinBudget(std::istream& in, std::string& line) {
    line.clear();
    std::array<char, 1 << 16> piece{};
    bool extracted = false;
    std::int64_t refusedBytes = 0;  // the length of a line that did not fit
    for (;;) {
        in.getline(piece.data(), static_cast<std::streamsize>(piece.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        extracted = extracted || got > 0;
        // The piece filled up before the line's end: more of the line follows.
        const bool more = in.fail() && !in.eof() && got == piece.size() - 1;
        const std::size_t stored = more || in.eof() ? got : got - (got > 0 ? 1 : 0);
        if (refusedBytes > 0) {
            refusedBytes += static_cast<std::int64_t>(stored);
        } else {
            const std::size_t size = line.size() + stored;
            const std::int64_t free = linalg::memoryBudget() - linalg::memoryInUse();
            if (size > line.capacity() && static_cast<std::int64_t>(size) > free) {
                refusedBytes = static_cast<std::int64_t>(size);
                std::string().swap(line);
            } else {
                line.append(piece.data(), stored);
            }
        }
        if (!more) break;
        in.clear();
    }
    if (refusedBytes > 0) linalg::refuseMemory(refusedBytes, "a line of input");
    return extracted;
}

}  // namespace tala::interp
