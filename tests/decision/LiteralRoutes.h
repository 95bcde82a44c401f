#pragma once
// The decision maker's operations done the long way, with every Kronecker product
// multiplied out and every basis state built as a column: the reference the fast
// routes are checked and measured against.

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "decision/QDM.h"
#include "interp/Variable.h"
#include "linalg/Matrix.h"

namespace literal {

inline linalg::Matrix identity(int n) {
    linalg::Matrix unit(n, n);
    unit.setIdentity();
    return unit;
}

inline linalg::Matrix kron(const linalg::Matrix& a, const linalg::Matrix& b) {
    linalg::Matrix product;
    linalg::kronecker(a, &b, &product);
    return product;
}

// (I_left (x) op (x) I_right) * state, with the full operator built first.
inline linalg::Matrix apply(int left, const linalg::Matrix& op, int right, const linalg::Matrix& state) {
    const linalg::Matrix full = kron(kron(identity(left), op), identity(right));
    linalg::Matrix product;
    linalg::multiply(full, product, state);
    return product;
}

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

inline linalg::Matrix& variableMatrix(vex::QDM& qdm, const std::string& name) {
    tala::interp::Variable found;
    tala::interp::lookup(qdm.variables, name, found);
    return found.getMatrix();
}

// The dense route: the first sensor of that name applied to psi.0 by its full Kronecker
// product (on Memory and Delta, or on the whole system when it is that large).
inline void applyOp(vex::QDM& qdm, const std::string& name) {
    for (const vex::Sensor& sensor : qdm.sensors)
        if (sensor.name == name) {
            linalg::Matrix& psi = variableMatrix(qdm, "psi.0");
            psi = apply(1, sensor.unitary, sensor.unitary.rows() < qdm.systemSize() ? qdm.actionSize : 1, psi);
            return;
        }
}

// The dense route's thinking step: psi.0 = Tops psi.0 as one dense product.
inline void think(vex::QDM& qdm) {
    linalg::Matrix& psi = variableMatrix(qdm, "psi.0");
    linalg::Matrix product;
    linalg::multiply(variableMatrix(qdm, "Tops"), product, psi);
    psi = std::move(product);
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
