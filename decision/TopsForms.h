#pragma once
// The compressed forms of sparse transition operators, one for every operator that is
// the same bit for bit. The decision makers of a flock are made by one setup script
// and so hold equal Tops matrices: sharing one form lets their thinking steps read a
// single copy where each read its own. A form is never changed once made; a decision
// maker whose Tops changes asks again and gets the form of its new matrix.

#include <cstddef>
#include <memory>

#include "linalg/CompressedMatrix.h"
#include "linalg/Matrix.h"

namespace vex {

// How many forms are remembered for sharing, the last ones asked for.
inline constexpr std::size_t kMaxSharedForms = 32;

// The compressed form of `tops` when at most one entry in `sparseShare` is non-zero,
// else null. A form is handed out again for a matrix of the same shape and the same
// bits in every entry while one of its holders still keeps it and it is among the
// kMaxSharedForms last asked for; otherwise a new one is made. Safe from any thread.
std::shared_ptr<const linalg::CompressedMatrix> sharedCompressedForm(const linalg::Matrix& tops,
                                                                     int sparseShare);

// The forms remembered now that some holder still keeps.
std::size_t sharedFormsRemembered();

}  // namespace vex
