#include "qlang/UnitaryFromAngles.h"

#include <vector>
#include "support/ScriptOutput.h"

namespace qlang {

namespace {

using linalg::Matrix;
using tala::interp::Variable;

double readAngle(const tala::interp::Scope& scope, const std::string& name) {
    support::out() << name << "\n";
    Variable angle;
    tala::interp::lookup(scope, name, angle);
    return angle.getDouble();
}

struct Angles {
    std::vector<double> rotation;
    std::vector<double> phase;
    std::vector<double> offPhase = {0.0};
};

// m (already the identity) becomes the product of blocks 1 ... completed - 1.
// Those blocks act on the leading `completed` rows and columns only, so they are
// the unitary of that size, set into the top-left corner.
void applyCompletedBlocks(const Angles& angles, int completed, Matrix& m) {
    if (completed < 2) return;
    Matrix corner(completed, completed);
    linalg::buildUnitary(angles.rotation, angles.phase, angles.offPhase, corner);
    for (int c = 0; c < completed; ++c)
        for (int r = 0; r < completed; ++r) m(r, c) = corner(r, c);
}

}  // namespace

void unitaryFromAngleVariables(const tala::interp::Scope& scope, const AngleNames& names, Matrix& m) {
    const int n = m.rows();
    m.setIdentity();
    Angles angles;
    int k = 0;
    for (int j = 1; j < n; ++j) {
        try {
            for (int b = j; b >= 1; --b, ++k) {
                std::string suffix = ".";
                suffix += std::to_string(k);
                angles.phase.push_back(readAngle(scope, names.phase + suffix));
                angles.rotation.push_back(readAngle(scope, names.rotation + suffix));
                if (b == 1) angles.offPhase[0] = readAngle(scope, names.offPhase + ".0");
            }
        } catch (...) {
            applyCompletedBlocks(angles, j, m);
            throw;
        }
    }
    linalg::buildUnitary(angles.rotation, angles.phase, angles.offPhase, m);
}

}  // namespace qlang
