#pragma once
// A sparse Tops for a finished decision maker: every basis state moves one place on, the last to the first,
// one non-zero per column as in the flock's own moves, so that thinking takes the compressed way.
#include "decision/QDM.h"
#include "interp/Variable.h"
#include "linalg/Matrix.h"
namespace fixture {
inline void setShiftTops(vex::QDM& qdm) {
    tala::interp::Variable tops;
    tala::interp::lookup(qdm.variables, "Tops", tops);
    linalg::Matrix& matrix = tops.getMatrix();
    matrix.setZero();
    for (int from = 0, size = matrix.rows(); from < size; ++from) matrix((from + 1) % size, from) = {1.0, 0.0};
}
}  // namespace fixture
