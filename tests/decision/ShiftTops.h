#pragma once
// A transition operator like the flock's own (data/QDM_Scripts/SetupTops.txt), for a
// finished decision maker with one action space of any number of coordinates: every
// coordinate of the Action register moves by its Delta register's direction,
// wrapping round the grid, for every memory state. One non-zero per column.

#include <cstdint>
#include <vector>

#include "decision/QDM.h"
#include "interp/Variable.h"
#include "linalg/Matrix.h"

namespace fixture {

inline void setShiftTops(vex::QDM& qdm) {
    const vex::ActionSpace& space = qdm.actionSpaces.front();
    const int dims = space.dimensions();
    const int moves = static_cast<int>(space.movementMap.size());
    const int grid = space.gridSize;
    const int deltas = qdm.deltaSize, cells = qdm.actionSize;
    tala::interp::Variable tops;
    tala::interp::lookup(qdm.variables, "Tops", tops);
    linalg::Matrix& matrix = tops.getMatrix();
    matrix.setZero();
    std::vector<int> delta(dims), cell(dims);
    for (int from = 0; from < static_cast<int>(qdm.systemSize()); ++from) {
        // Digits of the Delta and Action registers, the first coordinate most significant.
        int rest = from % (deltas * cells), action = rest % cells, direction = rest / cells;
        for (int d = dims - 1; d >= 0; --d) {
            cell[d] = action % grid;
            action /= grid;
            delta[d] = direction % moves;
            direction /= moves;
        }
        int to = 0;
        for (int d = 0; d < dims; ++d) {
            const int step = space.movementMap[delta[d]].empty() ? 0 : space.movementMap[delta[d]].front();
            to = to * grid + ((cell[d] + step) % grid + grid) % grid;
        }
        matrix(from - rest + (rest / cells) * cells + to, from) = {1.0, 0.0};
    }
}

}  // namespace fixture
