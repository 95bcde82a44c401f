#pragma once
// Statistics over the runs of a sweep: mean, standard deviation and the 95 % confidence
// interval of the mean from Student's t distribution.

#include <cstddef>
#include <vector>

namespace flock {

// The two-sided 95 % quantile of Student's t with `degrees` degrees of freedom (at
// least 1): t such that P(|T| <= t) = 0.95.
double studentT95(std::size_t degrees);

struct Spread {
    std::size_t count = 0;
    double mean = 0;
    // Below two values the deviation and the interval are not known: NaN.
    double deviation = 0;      // sample standard deviation (n - 1)
    double low = 0, high = 0;  // 95 % interval of the mean
};

// Spread of `values`; an empty list has count 0 and NaN everywhere.
Spread spreadOf(const std::vector<double>& values);

}  // namespace flock
