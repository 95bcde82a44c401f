// A unitary from angles: a product of plane rotations with phases, block by block.

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/Failure.h"
#include "linalg/Matrix.h"

namespace linalg {
namespace {

void requireAngles(int n, const std::vector<double>& rotation, const std::vector<double>& phase,
                   const std::vector<double>& offPhase) {
    if (n < 2) return;
    const std::int64_t needed = static_cast<std::int64_t>(n) * (n - 1) / 2;
    if (static_cast<std::int64_t>(rotation.size()) < needed ||
        static_cast<std::int64_t>(phase.size()) < needed || offPhase.empty()) {
        throw support::Failure("Not enough angles for a " + std::to_string(n) + " x " +
                            std::to_string(n) + " unitary: " + std::to_string(needed) +
                            " rotations, " + std::to_string(needed) + " phases and 1 off-phase needed");
    }
}

// The four entries of the rotation in plane (l, j); the rest of G is the identity.
struct PlaneRotation {
    Complex ll, lj, jl, jj;
};

PlaneRotation planeRotation(double alpha, double beta, double gamma) {
    const double cosBeta = std::cos(beta);
    const double sinBeta = std::sin(beta);
    const double cosAlpha = std::cos(alpha);
    const double sinAlpha = std::sin(alpha);
    const double cosGamma = std::cos(gamma);
    const double sinGamma = std::sin(gamma);
    return {{cosAlpha * cosBeta, sinAlpha * cosBeta},
            {cosGamma * sinBeta, sinGamma * sinBeta},
            {-(cosGamma * sinBeta), sinGamma * sinBeta},
            {cosAlpha * cosBeta, -(sinAlpha * cosBeta)}};
}

// P = P x G touches only columns l and j. Each new entry is summed from zero in
// ascending row order of G, as the full product does; the dropped terms are
// exact zeros, so for finite angles the entries match the full product bit for bit.
void rotateColumns(Matrix& p, int l, int j, const PlaneRotation& g) {
    const int n = p.rows();
    Complex* columnL = p.data() + static_cast<std::size_t>(l) * n;
    Complex* columnJ = p.data() + static_cast<std::size_t>(j) * n;
    for (int i = 0; i < n; ++i) {
        const Complex oldL = columnL[i];
        const Complex oldJ = columnJ[i];
        columnL[i] = Complex{} + multiply(oldL, g.ll) + multiply(oldJ, g.jl);
        columnJ[i] = Complex{} + multiply(oldL, g.lj) + multiply(oldJ, g.jj);
    }
}

}  // namespace

void buildUnitary(const std::vector<double>& rotation, const std::vector<double>& phase,
                  const std::vector<double>& offPhase, Matrix& result) {
    const int n = result.rows();
    requireAngles(n, rotation, phase, offPhase);
    result.resize(n, n);
    result.setIdentity();
    std::size_t k = 0;
    Matrix block(n, n), next;
    for (int j = 1; j < n; ++j) {
        block.setIdentity();
        for (int b = j; b >= 1; --b) {
            const double gamma = b == 1 ? offPhase[0] : 0.0;
            rotateColumns(block, b - 1, j, planeRotation(phase[k], rotation[k], gamma));
            ++k;
        }
        // The streaming product suits these small factors better than the tiled one.
        multiplyColumns(result, next, block);
        std::swap(result, next);
    }
}

}  // namespace linalg
