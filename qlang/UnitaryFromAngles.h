#pragma once
// The parametrised unitary of "matrix N N u_random PHI PSI CHI", built from
// angle variables of a scope.

#include <string>

#include "interp/Scope.h"
#include "linalg/Matrix.h"

namespace qlang {

// Names of the three arrays of "double" angles: rotations PHI.k, phases PSI.k,
// and the one off-phase CHI.0.
struct AngleNames {
    std::string rotation;
    std::string phase;
    std::string offPhase;
};

// Fills the square matrix m with the unitary made from the angle variables of
// `scope`. The variables are read in the order the block products use them,
// each name printed on its own line as it is read: PSI.k, PHI.k, and CHI.0 for
// the last rotation of every block. A missing or non-double variable fails
// with the double-read message, leaving m the identity times the blocks
// completed before it.
void unitaryFromAngleVariables(const tala::interp::Scope& scope, const AngleNames& names, linalg::Matrix& m);

}  // namespace qlang
