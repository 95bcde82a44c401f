#pragma once
// Index arithmetic on states of composite systems.
//
// A basis state of a system with dimensions m0 ... mK-1 is addressed by its
// digits (o0, ..., oK-1); subsystem 0 is the most significant digit, so the row
// of that basis state in a state column is ((o0 * m1 + o1) * m2 + o2) ... .
// A measurement pass therefore costs one visit per row instead of a basis
// column and a dot product per row.
// The results are those of the dot-product route, and so are its failures.

#include <cstdint>
#include <vector>

#include "interp/Variable.h"
#include "linalg/Matrix.h"

namespace qlang {

using tala::interp::SystemDims;

// Rows of a state of the system: the product of the dimensions, saturated just
// above the largest matrix so that it never overflows. 0 when a dimension is
// below 1 (such a system has no basis state).
std::int64_t systemLength(const SystemDims& dims);

// Raises the dot-product failure a basis column of the system would raise
// against this state: "Dot product error 1\n" for a different element count,
// "Dot product error 3\n" for the right count in more than one column. A system
// without basis states checks nothing, since no amplitude is ever read.
void checkStateFits(const linalg::Matrix& state, const SystemDims& dims);

// Walks the rows of the basis states whose digit `subsystem` equals `outcome`,
// in the order the measurement words visit them: the digits of the other
// subsystems run as an odometer, the lowest-numbered one counting fastest.
// `subsystem` must be in range and the system must fit a state (checkStateFits);
// a system without basis states, or an outcome out of range, gives no rows.
class OutcomeRows {
public:
    OutcomeRows(const SystemDims& dims, int subsystem, int outcome);
    // The same walk for another outcome, from its first row.
    void restart(int outcome);
    bool done() const { return remaining_ <= 0; }
    std::int64_t row() const { return row_; }
    void next();

private:
    SystemDims dims_;
    int subsystem_;
    std::vector<std::int64_t> strides_;
    std::vector<int> digits_;
    std::int64_t length_ = 0;  // systemLength(dims_)
    std::int64_t row_ = 0;
    std::int64_t remaining_ = 0;
};

// p(v) for v = 0 ... m[subsystem] - 1: the sum of |amplitude|^2 over the basis
// states with digit v, summed in visiting order. Not normalised.
std::vector<double> outcomeProbabilities(const linalg::Matrix& state, const SystemDims& dims,
                                         int subsystem);

// The collapsed state for outcome `outcome`: a zero column of the state's length
// holding amplitude / norm at the rows of that outcome.
linalg::Matrix collapse(const linalg::Matrix& state, const SystemDims& dims, int subsystem,
                        int outcome, double norm);

// Cumulative percentages of a distribution: outcomes of probability 0 get -1,
// the others 100 p(v) plus the running sum of the earlier positive ones.
std::vector<double> cumulativePercents(const std::vector<double>& probabilities);

// The first outcome whose cumulative percentage exceeds the draw, else the last
// with a positive one, else -1 (nothing can be drawn).
int pickOutcome(const std::vector<double>& percents, double draw);

// out = (I_left (x) op (x) I_right) * state, where op sits at subsystem `index`;
// an index outside the system lifts nothing (the whole identity). Answers false,
// leaving out untouched, when the state's row count differs from the lifted
// operator's column count.
bool applyOnSubsystem(const linalg::Matrix& op, const SystemDims& dims, int index,
                      const linalg::Matrix& state, linalg::Matrix& out);

}  // namespace qlang
