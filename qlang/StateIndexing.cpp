#include "qlang/StateIndexing.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "support/Failure.h"
#include "linalg/Kernels.h"
#include "linalg/MemoryBudget.h"

namespace qlang {

namespace {

// Anything above the largest matrix is "too long for any state"; saturating
// there keeps every product of dimensions inside 64 bits.
constexpr std::int64_t kTooLong = linalg::kMaxEntries + 1;

std::int64_t saturatingProduct(std::int64_t a, std::int64_t b) {
    if (a == 0 || b == 0) return 0;
    if (a >= kTooLong || b >= kTooLong || a > kTooLong / b) return kTooLong;
    return a * b;
}

// Product of the dimensions in [first, last), 0 if one is below 1.
std::int64_t dimensionProduct(const SystemDims& dims, std::size_t first, std::size_t last) {
    std::int64_t product = 1;
    for (std::size_t k = first; k < last; ++k) {
        if (dims[k] < 1) return 0;
        product = saturatingProduct(product, dims[k]);
    }
    return product;
}

// The rows of outcome 0 of a subsystem in OutcomeRows' visiting order: those of outcome
// v are the same rows plus v times the subsystem's stride. A decision measures the same
// few registers of the same system again and again, so the walks of the systems
// measured lately are kept (per thread, and counted in the memory budget as cached
// memory); a long system, or one with no room, is walked digit by digit instead.
struct OutcomeWalk {
    SystemDims dims;
    int subsystem = 0;
    std::int64_t stride = 0;
    std::vector<std::int64_t> rows;
    std::int64_t bytes = 0;
};

class OutcomeWalks {
public:
    static constexpr std::int64_t kLongestKept = 4096;
    static constexpr std::size_t kKept = 8;

    ~OutcomeWalks() {
        while (!walks_.empty()) dropOldest();
    }

    const OutcomeWalk* find(const SystemDims& dims, int subsystem) {
        for (const OutcomeWalk& walk : walks_)
            if (walk.subsystem == subsystem && walk.dims == dims) return &walk;
        const std::int64_t length = systemLength(dims);
        if (length == 0 || length > kLongestKept || subsystem < 0 || subsystem >= static_cast<int>(dims.size()))
            return nullptr;
        OutcomeWalk walk{dims, subsystem, dimensionProduct(dims, subsystem + 1, dims.size()), {}, 0};
        walk.rows.reserve(static_cast<std::size_t>(length / dims[subsystem]));
        for (OutcomeRows rows(dims, subsystem, 0); !rows.done(); rows.next()) walk.rows.push_back(rows.row());
        walk.bytes = static_cast<std::int64_t>(sizeof(OutcomeWalk) + walk.rows.capacity() * sizeof(std::int64_t) +
                                               walk.dims.capacity() * sizeof(std::int32_t));
        if (walks_.size() >= kKept) dropOldest();
        if (!linalg::countCachedMemory(walk.bytes)) return nullptr;
        walks_.push_back(std::move(walk));
        return &walks_.back();
    }

private:
    void dropOldest() {
        linalg::uncountCachedMemory(walks_.front().bytes);
        walks_.erase(walks_.begin());
    }
    std::vector<OutcomeWalk> walks_;  // the oldest first
};

const OutcomeWalk* keptWalk(const SystemDims& dims, int subsystem) {
    thread_local OutcomeWalks walks;
    if (linalg::cachedMemoryOverBudget()) return nullptr;
    return walks.find(dims, subsystem);
}

}  // namespace

std::int64_t systemLength(const SystemDims& dims) {
    return dimensionProduct(dims, 0, dims.size());
}

void checkStateFits(const linalg::Matrix& state, const SystemDims& dims) {
    const std::int64_t length = systemLength(dims);
    if (length == 0) return;
    if (state.entryCount() != length) throw support::Failure("Dot product error 1\n");
    if (state.cols() != 1) throw support::Failure("Dot product error 3\n");
    // Only a matrix left behind by a failed assignment has a shape but no entries.
    if (!state.hasStorage()) throw support::Failure("dot product: B is NULL");
}

OutcomeRows::OutcomeRows(const SystemDims& dims, int subsystem, int outcome)
    : dims_(dims), subsystem_(subsystem), strides_(dims.size(), 1), digits_(dims.size(), 0),
      length_(systemLength(dims)) {
    // A system without basis states walks nothing and needs no strides.
    if (length_ != 0)
        for (int k = static_cast<int>(dims.size()) - 2; k >= 0; --k)
            strides_[k] = saturatingProduct(strides_[k + 1], dims[k + 1]);
    restart(outcome);
}

void OutcomeRows::restart(int outcome) {
    std::fill(digits_.begin(), digits_.end(), 0);
    row_ = 0;
    remaining_ = 0;
    const std::int64_t length = length_;
    const int count = static_cast<int>(dims_.size());
    if (length == 0 || subsystem_ < 0 || subsystem_ >= count || outcome < 0 || outcome >= dims_[subsystem_])
        return;
    row_ = outcome * strides_[subsystem_];
    remaining_ = length / dims_[subsystem_];
}

void OutcomeRows::next() {
    --remaining_;
    for (std::size_t k = 0; k < dims_.size(); ++k) {
        if (static_cast<int>(k) == subsystem_) continue;
        row_ += strides_[k];
        if (++digits_[k] < dims_[k]) return;
        row_ -= dims_[k] * strides_[k];
        digits_[k] = 0;
    }
}

std::vector<double> outcomeProbabilities(const linalg::Matrix& state, const SystemDims& dims,
                                         int subsystem) {
    const int outcomes = dims[subsystem];
    if (outcomes < 1) return {};
    // No state is that long, and the list itself would not fit.
    if (outcomes >= kTooLong) throw support::Failure("Dot product error 1\n");
    std::vector<double> probabilities(outcomes, 0.0);
    if (systemLength(dims) == 0) return probabilities;
    checkStateFits(state, dims);
    const linalg::Complex* amplitudes = state.data();
    if (const OutcomeWalk* walk = keptWalk(dims, subsystem)) {
        for (int v = 0; v < outcomes; ++v) {
            const linalg::Complex* first = amplitudes + v * walk->stride;
            double sum = 0.0;
            for (const std::int64_t row : walk->rows) {
                linalg::Complex a = first[row];
                linalg::normSquared(a);
                sum += a.re;
            }
            probabilities[v] = sum;
        }
        return probabilities;
    }
    OutcomeRows rows(dims, subsystem, 0);
    for (int v = 0; v < outcomes; ++v) {
        double sum = 0.0;
        for (rows.restart(v); !rows.done(); rows.next()) {
            linalg::Complex a = amplitudes[rows.row()];
            linalg::normSquared(a);
            sum += a.re;
        }
        probabilities[v] = sum;
    }
    return probabilities;
}

linalg::Matrix collapse(const linalg::Matrix& state, const SystemDims& dims, int subsystem,
                        int outcome, double norm) {
    checkStateFits(state, dims);
    linalg::Matrix collapsed(state.rows(), 1);
    if (!collapsed.hasStorage()) return collapsed;
    const linalg::Complex* amplitudes = state.data();
    linalg::Complex* out = collapsed.data();
    const OutcomeWalk* walk = keptWalk(dims, subsystem);
    if (walk != nullptr && outcome >= 0 && outcome < dims[subsystem]) {
        const std::int64_t first = outcome * walk->stride;
        for (const std::int64_t row : walk->rows) {
            const linalg::Complex a = amplitudes[first + row];
            out[first + row] = {a.re / norm, a.im / norm};
        }
        return collapsed;
    }
    for (OutcomeRows rows(dims, subsystem, outcome); !rows.done(); rows.next()) {
        const linalg::Complex a = amplitudes[rows.row()];
        out[rows.row()] = {a.re / norm, a.im / norm};
    }
    return collapsed;
}

std::vector<double> cumulativePercents(const std::vector<double>& probabilities) {
    std::vector<double> percents;
    percents.reserve(probabilities.size());
    double sum = 0.0;
    for (double p : probabilities) {
        double percent = 100.0 * p;
        if (percent != 0.0) {
            percent += sum;
            sum = percent;
        } else {
            percent = -1.0;
        }
        percents.push_back(percent);
    }
    return percents;
}

int pickOutcome(const std::vector<double>& percents, double draw) {
    const int count = static_cast<int>(percents.size());
    for (int v = 0; v < count; ++v)
        if (draw < percents[v]) return v;
    for (int v = count - 1; v >= 0; --v)
        if (percents[v] > 0.0) return v;
    return -1;
}

bool applyOnSubsystem(const linalg::Matrix& op, const SystemDims& dims, int index,
                      const linalg::Matrix& state, linalg::Matrix& out) {
    const int count = static_cast<int>(dims.size());
    const bool lifts = index >= 0 && index < count;
    // The factors of the lifted operator, subsystem by subsystem: one without entries
    // (an operator without storage, or the identity of a dimension below 1) fails as
    // the Kronecker product reading it would.
    const linalg::Matrix noEntries;
    for (int k = 0; k < count; ++k) {
        if (k == index) op.requireStorage();
        else if (dims[k] < 1) noEntries.requireStorage();
    }
    // Outside the system the operator is the 1 x 1 identity: nothing is lifted.
    linalg::Matrix one(1, 1);
    one.setIdentity();
    const linalg::Matrix& factor = lifts ? op : one;
    const std::int64_t left = lifts ? dimensionProduct(dims, 0, index) : systemLength(dims);
    const std::int64_t right = lifts ? dimensionProduct(dims, index + 1, dims.size()) : 1;

    const std::int64_t liftedCols =
        saturatingProduct(saturatingProduct(left, factor.cols()), right);
    if (state.rows() != liftedCols) return false;
    state.requireStorage();
    // Every factor has entries here, so left, right and the state's length are at
    // least 1 and below 2^31.
    linalg::Matrix product;
    linalg::applyOnFactorColumns(factor, static_cast<int>(left), static_cast<int>(right), state, product);
    out = std::move(product);
    return true;
}

}  // namespace qlang
