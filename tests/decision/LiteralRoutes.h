#pragma once
// The decision maker's operations done the long way, with every Kronecker product
// multiplied out and every basis state built as a column: the reference the fast
// routes are checked and measured against (bench/LiteralDecide.h adds decisions).

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
