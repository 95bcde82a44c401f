#pragma once
// Decisions and action probabilities done the long way, on top of the routes of
// testsupport/LiteralRoutes.h: the baselines the decision benchmark measures the
// fast routes against.

#include <cmath>
#include <cstdint>
#include <vector>

#include "testsupport/LiteralRoutes.h"

namespace literal {

inline linalg::Matrix basisColumn(int size, int index) {
    linalg::Matrix column(size, 1);
    column(index, 0) = {1.0, 0.0};
    return column;
}

// Probability of each outcome of subsystem `index`: the sum of |<e|psi>|^2 over the
// basis columns e = e(o0) (x) ... (x) e(oK-1) with digit `index` fixed.
inline std::vector<double> distribution(const linalg::Matrix& psi, const std::vector<int>& dims, int index) {
    std::vector<double> p(static_cast<std::size_t>(dims[index]), 0.0);
    std::vector<int> digits(dims.size(), 0);
    while (true) {
        linalg::Matrix e = identity(1);
        for (std::size_t k = 0; k < dims.size(); ++k) e = kron(e, basisColumn(dims[k], digits[k]));
        linalg::Complex a = linalg::dot(e, &psi);
        linalg::normSquared(a);
        p[static_cast<std::size_t>(digits[index])] += a.re;
        std::size_t k = dims.size();
        while (k > 0 && ++digits[k - 1] == dims[k - 1]) digits[--k] = 0;
        if (k == 0) break;
    }
    return p;
}

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

// The probability that deciding in `space` now yields `action`.
inline double actionProbability(vex::QDM& qdm, int space, int action) {
    int left = qdm.memorySize * qdm.deltaSize, middle = 1, right = 1;
    for (int t = 0; t < static_cast<int>(qdm.actionSpaces.size()); ++t) {
        int cells = 1;
        for (int d = 0; d < qdm.actionSpaces[t].dimensions(); ++d) cells *= qdm.actionSpaces[t].gridSize;
        if (t < space) left *= cells;
        if (t == space) middle = cells;
        if (t > space) right *= cells;
    }
    const std::vector<double> p = distribution(variableMatrix(qdm, "psi.0"), {left, middle, right}, 1);
    const vex::ActionSpace& target = qdm.actionSpaces[space];
    std::vector<std::int32_t> position(static_cast<std::size_t>(target.dimensions()), 0);
    double sum = 0.0;
    for (int j = 0; j < middle; ++j) {
        if (qdm.nearestAction(space, position) == action) sum += p[static_cast<std::size_t>(j)];
        for (int c = static_cast<int>(position.size()) - 1; c >= 0; --c) {
            if (++position[c] < target.gridSize) break;
            position[c] = 0;
        }
    }
    return sum;
}

}  // namespace literal
