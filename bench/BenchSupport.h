#pragma once
// Helpers shared by the benchmark programs.

#include <iostream>
#include <random>
#include <streambuf>

#include "linalg/Matrix.h"
#include "support/ScriptOutput.h"

namespace bench {

// Keeps the progress lines that finalising, deciding and training print off the
// report while it lives (discarded, not collected, so long runs hold no text).
class QuietOutput {
public:
    QuietOutput() : stream_(&discard_), redirect_(stream_) {}

private:
    struct Discard : std::streambuf {
        int overflow(int c) override { return c; }
    } discard_;
    std::ostream stream_;
    support::OutputTo redirect_;
};

// A matrix of entries with real and imaginary parts in [-1, 1), the same for a seed.
inline linalg::Matrix randomMatrix(int rows, int cols, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    linalg::Matrix m(rows, cols);
    for (int n = 0; n < m.entryCount(); ++n) m.data()[n] = {value(generator), value(generator)};
    return m;
}

}  // namespace bench
