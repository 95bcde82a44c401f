#pragma once
// A decision done the long way, on top of the routes of tests/decision/LiteralRoutes.h:
// the baseline the decision benchmark measures the fast route against.

#include <cmath>
#include <vector>

#include "tests/decision/LiteralRoutes.h"

namespace literal {

// The operator taking basis state `from` of an n-state register to basis state `to`.
inline linalg::Matrix jump(int n, int to, int from) {
    linalg::Matrix op(n, n);
    op(to, from) = {1.0, 0.0};
    return op;
}

// A sampled measurement of subsystem `index` with the rand() value `randomValue`: the
// draw is a percentage in steps of 0.01, the outcome the first possible one whose
// cumulative percentage exceeds it (else the last possible one), and the state is
// projected onto that outcome and renormalised.
inline int measure(linalg::Matrix& psi, const std::vector<int>& dims, int index, int randomValue) {
    const std::vector<double> p = distribution(psi, dims, index);
    const double draw = (randomValue % 10000) / 10000.0 * 100.0;
    int outcome = -1, lastPossible = -1;
    double cumulative = 0.0;
    for (int v = 0; v < dims[index]; ++v) {
        if (p[static_cast<std::size_t>(v)] == 0.0) continue;
        cumulative += 100.0 * p[static_cast<std::size_t>(v)];
        lastPossible = v;
        if (outcome < 0 && draw < cumulative) outcome = v;
    }
    if (outcome < 0) outcome = lastPossible;
    int left = 1, right = 1;
    for (int k = 0; k < static_cast<int>(dims.size()); ++k) {
        if (k < index) left *= dims[k];
        if (k > index) right *= dims[k];
    }
    psi = apply(left, jump(dims[index], outcome, outcome), right, psi);
    psi.scale({1.0 / std::sqrt(p[static_cast<std::size_t>(outcome)]), 0.0});
    return outcome;
}

// A decision in the only action space of `qdm` on the state `psi`, with the given
// rand() values: each Action register is measured and moved back to the centre cell,
// then each Delta register is measured and set to its second entry; the answer is
// the point nearest the measured cells, the first of equally near ones.
inline int decide(const vex::QDM& qdm, const std::vector<int>& randomValues, linalg::Matrix& psi) {
    const vex::ActionSpace& space = qdm.actionSpaces.at(0);
    const int d = space.dimensions(), moves = static_cast<int>(space.movementMap.size()), cells = space.gridSize;
    std::vector<int> dims{qdm.memorySize};
    int allMoves = 1, allCells = 1;
    for (int i = 0; i < d; ++i, allMoves *= moves) dims.push_back(moves);
    for (int i = 0; i < d; ++i, allCells *= cells) dims.push_back(cells);
    std::size_t next = 0;

    std::vector<int> position;
    linalg::Matrix toCentre = identity(1);
    for (int i = 0; i < d; ++i) position.push_back(measure(psi, dims, 1 + d + i, randomValues.at(next++)));
    for (int i = 0; i < d; ++i) toCentre = kron(toCentre, jump(cells, cells / 2, position[i]));
    psi = apply(qdm.memorySize * allMoves, toCentre, 1, psi);
    if (space.resetDelta) {
        linalg::Matrix toRest = identity(1);
        for (int i = 0; i < d; ++i) {
            const int step = measure(psi, dims, 1 + i, randomValues.at(next++));
            toRest = kron(toRest, jump(moves, 1, step));
        }
        psi = apply(qdm.memorySize, toRest, allCells, psi);
    }

    int best = 0;
    double bestDistance = -1.0;
    for (std::size_t a = 0; a < space.points.size(); ++a) {
        double distance = 0.0;
        for (int i = 0; i < d; ++i) distance += std::pow(space.points[a].coordinates[i] - position[i], 2);
        if (bestDistance < 0.0 || distance < bestDistance) {
            best = static_cast<int>(a);
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace literal
