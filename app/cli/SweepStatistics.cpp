#include "app/cli/SweepStatistics.h"

#include <array>
#include <cmath>
#include <limits>

namespace flock {

namespace {

// t(0.975, n) for n = 1 to 30, the usual table to three decimals and more.
constexpr std::array<double, 30> kSmallDegrees = {
    12.706204736, 4.302652730, 3.182446305, 2.776445105, 2.570581836, 2.446911851, 2.364624252, 2.306004135,
    2.262157163,  2.228138852, 2.200985160, 2.178812830, 2.160368656, 2.144786688, 2.131449546, 2.119905299,
    2.109815578,  2.100922040, 2.093024054, 2.085963447, 2.079613845, 2.073873068, 2.068657610, 2.063898562,
    2.059538553,  2.055529439, 2.051830516, 2.048407142, 2.045229642, 2.042272456};

constexpr double kNormal975 = 1.959963984540054;

}  // namespace

double studentT95(std::size_t degrees) {
    if (degrees == 0) return std::numeric_limits<double>::quiet_NaN();
    if (degrees <= kSmallDegrees.size()) return kSmallDegrees[degrees - 1];
    // Beyond the table, the Cornish-Fisher expansion about the normal quantile (Hill,
    // 1970): within 1e-6 of the exact value from 31 degrees on.
    const double z = kNormal975, n = static_cast<double>(degrees);
    const double z2 = z * z;
    const double g1 = z * (z2 + 1) / 4;
    const double g2 = z * ((5 * z2 + 16) * z2 + 3) / 96;
    const double g3 = z * (((3 * z2 + 19) * z2 + 17) * z2 - 15) / 384;
    const double g4 = z * ((((79 * z2 + 776) * z2 + 1482) * z2 - 1920) * z2 - 945) / 92160;
    return z + g1 / n + g2 / (n * n) + g3 / (n * n * n) + g4 / (n * n * n * n);
}

Spread spreadOf(const std::vector<double>& values) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Spread spread;
    spread.count = values.size();
    spread.mean = spread.deviation = spread.low = spread.high = nan;
    if (values.empty()) return spread;
    double sum = 0;
    for (double v : values) sum += v;
    const double n = static_cast<double>(values.size());
    spread.mean = sum / n;
    if (values.size() < 2) return spread;
    double squares = 0;
    for (double v : values) squares += (v - spread.mean) * (v - spread.mean);
    spread.deviation = std::sqrt(squares / (n - 1));
    const double half = studentT95(values.size() - 1) * spread.deviation / std::sqrt(n);
    spread.low = spread.mean - half;
    spread.high = spread.mean + half;
    return spread;
}

}  // namespace flock
