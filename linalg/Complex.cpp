#include "linalg/Complex.h"

#include <cmath>

namespace linalg {

Complex fromAngle(double angle) { return {std::cos(angle), std::sin(angle)}; }

void normSquared(Complex& z) { z = multiply(z, conj(z)); }

Complex power(Complex z, int n) {
    // Every z^0 is 1; the polar form would give 0 * -inf = NaN for z = 0.
    if (n == 0) return {1.0, 0.0};
    const double logModulus = std::log(std::sqrt(z.re * z.re + z.im * z.im));
    const double angle = std::atan2(z.im, z.re);
    const double modulus = std::exp(n * logModulus);
    return {modulus * std::cos(n * angle), modulus * std::sin(n * angle)};
}

}  // namespace linalg
