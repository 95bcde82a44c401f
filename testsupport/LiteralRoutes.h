#pragma once
// The decision maker's operations the long way, every Kronecker product multiplied out: the reference the
// fast routes are checked and measured against (bench/LiteralDecide.h adds decisions and action odds).
#include <string>
#include <utility>
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
    linalg::Matrix product;
    linalg::multiply(kron(kron(identity(left), op), identity(right)), product, state);
    return product;
}
inline linalg::Matrix& variableMatrix(vex::QDM& qdm, const std::string& name) {
    tala::interp::Variable found;
    tala::interp::lookup(qdm.variables, name, found);
    return found.getMatrix();
}
// The first sensor of that name applied to psi.0 by its full Kronecker product (on Memory and Delta, or on
// the whole system when it is that large).
inline void applyOp(vex::QDM& qdm, const std::string& name) {
    for (const vex::Sensor& sensor : qdm.sensors)
        if (sensor.name == name) {
            linalg::Matrix& psi = variableMatrix(qdm, "psi.0");
            psi = apply(1, sensor.unitary, sensor.unitary.rows() < qdm.systemSize() ? qdm.actionSize : 1, psi);
            return;
        }
}
// The thinking step: psi.0 = Tops psi.0 as one dense product.
inline void think(vex::QDM& qdm) {
    linalg::Matrix& psi = variableMatrix(qdm, "psi.0");
    linalg::Matrix product;
    linalg::multiply(variableMatrix(qdm, "Tops"), product, psi);
    psi = std::move(product);
}
}  // namespace literal
