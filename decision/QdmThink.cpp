// Thinking and deciding: sensor operators and thinking steps evolve psi.0, and a
// decision measures the Action registers of one space, picks the nearest action
// point and puts the registers back to their centre.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "decision/QDM.h"
#include "decision/SizeArithmetic.h"
#include "decision/TopsForms.h"
#include "support/Reporting.h"
#include "support/Failure.h"
#include "linalg/Kernels.h"
#include "qlang/StateIndexing.h"
#include "support/ScriptOutput.h"

namespace vex {

namespace {

constexpr const char* kAssignFailure = "Error 1 in operator=\n";

linalg::Matrix identity(std::int64_t size) {
    linalg::Matrix unit(static_cast<int>(size), static_cast<int>(size));
    unit.setIdentity();
    return unit;
}

// a (x) b; empty when either factor has no entries, like the product it stands for.
linalg::Matrix tensor(const linalg::Matrix& a, const linalg::Matrix& b) {
    linalg::Matrix product;
    if (a.hasStorage() && b.hasStorage()) linalg::kronecker(a, &b, &product);
    return product;
}

// ket x bra: the operator taking basis state p to basis state c of one register.
linalg::Matrix outerProduct(const linalg::Matrix& ket, const linalg::Matrix& bra) {
    linalg::Matrix product;
    if (ket.hasStorage() && bra.hasStorage()) linalg::multiply(ket, product, bra);
    return product;
}

// The measuring text of actionProbability declares its temporaries under this prefix.
constexpr std::string_view kTemporaryPrefix = "QDM-temp-";

bool anyTemporaryName(const tala::interp::VariableList& variables) {
    for (const tala::interp::Variable& entry : variables)
        if (entry.name.starts_with(kTemporaryPrefix)) return true;
    return false;
}

}  // namespace

const linalg::Matrix* QDM::matrixWithEntries(tala::interp::VariableHandle& name) {
    const tala::interp::Variable* found = name.findLast(variables);
    if (found == nullptr || found->typeName != "matrix" || !found->hasValue()) return nullptr;
    const linalg::Matrix& value = found->getMatrix();
    return value.hasStorage() ? &value : nullptr;
}

void QDM::applyOnRegisters(linalg::Matrix& psi, std::int64_t left, const linalg::Matrix& op,
                           std::int64_t right) {
    const bool fits = op.hasStorage() && op.rows() == op.cols() && psi.hasStorage() && psi.cols() >= 1 &&
                      left >= 1 && right >= 1 && left * op.cols() * right == psi.rows();
    // A failed application leaves the state as it was; the caller sees the failure.
    if (!fits) throw support::Failure(kAssignFailure);

    if (psi.cols() == 1)
        linalg::applyOnFactorInPlace(op, static_cast<int>(left), static_cast<int>(right), psi);
    else  // a state of several columns (a script may put one there): each column on its own
        linalg::applyOnFactorColumns(op, static_cast<int>(left), static_cast<int>(right), psi, psi);
}

void QDM::applySensorOperator(const linalg::Matrix& op) { applySensorOperator(op, readMatrix(psi_)); }

void QDM::applySensorOperator(const linalg::Matrix& op, linalg::Matrix& state) {
    // A sensor for the Memory and Delta registers leaves the Action registers alone.
    if (op.rows() < systemSize())
        applyOnRegisters(state, 1, op, actionSize);
    else
        applyOnRegisters(state, 1, op, 1);
}

void QDM::applyOp(const std::string& name) {
    if (const Sensor* sensor = findSensor(name)) applySensorOperator(sensor->unitary);
}

const Sensor* QDM::findSensor(const std::string& name) const {
    for (const Sensor& sensor : sensors)
        if (sensor.name == name) return &sensor;
    return nullptr;
}

void QDM::think() {
    if (!thinkDirectly()) evaluateText("set psi.0 (mult (get Tops) (get psi.0) )", true);
}

// What the thinking text does when Tops and psi.0 are matrices with entries whose
// shapes fit, which is every step but a script's mistakes: psi.0's every matrix
// entry is set to Tops x psi.0, with both read as the last of their names. Anything
// else goes through the text itself, for its reports and failures.
bool QDM::thinkDirectly() {
    const linalg::Matrix* tops = matrixWithEntries(tops_);
    const linalg::Matrix* psi = matrixWithEntries(psi_);
    if (tops == nullptr || psi == nullptr || tops->cols() != psi->rows()) return false;
    // Into the product kept from the step before, whose storage fits again, then copied
    // onto psi.0's entries as setting them does.
    if (!thinkProduct_.hasValue()) thinkProduct_.setMatrix(linalg::Matrix{});
    multiplyByTops(*tops, *psi, thinkProduct_.getMatrix());
    psi_.assign(variables, thinkProduct_);
    return true;
}

const linalg::CompressedMatrix* QDM::compressedTops(const linalg::Matrix& tops) {
    // Kept with the matrix's version: any change to Tops, by any route, or another matrix
    // under the name, asks again, for the form of the matrix as it is now.
    if (topsForm.version != tops.version()) {
        topsForm.version = tops.version();
        topsForm.compressed.reset();
        topsForm.compressed = sharedCompressedForm(tops, kSparseShare);
    }
    return topsForm.compressed.get();
}

void QDM::multiplyByTops(const linalg::Matrix& tops, const linalg::Matrix& psi, linalg::Matrix& product) {
    const linalg::CompressedMatrix* compressed = compressedTops(tops);
    if (compressed == nullptr || !compressed->multiply(psi, product)) linalg::multiply(tops, product, psi);
}

bool QDM::startApart(const std::vector<const linalg::Matrix*>& operators, std::size_t count,
                     std::vector<linalg::Matrix>& states) {
    if (anyTemporaryName(variables)) return false;
    const std::int64_t w = systemSize();
    int psiCount = 0;
    for (const tala::interp::Variable& entry : variables) psiCount += entry.name == "psi.0";
    tala::interp::Variable psi;
    tala::interp::lookup(variables, psi_.name(), psi);
    if (psiCount != 1 || psi.typeName != "matrix" || !psi.hasValue()) return false;
    const linalg::Matrix* init = matrixWithEntries(init_);
    const linalg::Matrix* transition = matrixWithEntries(tops_);
    if (init == nullptr || init->rows() != w || init->cols() != 1) return false;
    if (transition == nullptr || transition->rows() != w || transition->cols() != w) return false;
    // Three values, not aliases of one another: the episodes change neither the start nor Tops.
    const linalg::Matrix* state = &psi.getMatrix();
    if (state == init || state == transition || init == transition) return false;
    for (const linalg::Matrix* op : operators) {
        const std::int64_t right = op->rows() < w ? actionSize : 1;
        if (!op->hasStorage() || op->rows() != op->cols() || op->cols() * right != w) return false;
    }
    states.assign(count, *init);
    return true;
}

void QDM::finishApart(const linalg::Matrix& state) { readMatrix(psi_) = state; }

QDM::TopsView QDM::topsForApart() {
    const linalg::Matrix* tops = matrixWithEntries(tops_);
    return {tops, tops == nullptr ? nullptr : compressedTops(*tops)};
}

std::vector<std::int32_t> QDM::measureActions(int space) {
    if (space < 0 || space >= static_cast<int>(actionSpaces.size())) return {};
    int first = 1;
    for (const ActionSpace& each : actionSpaces) first += each.dimensions();
    for (int t = 0; t < space; ++t) first += actionSpaces[t].dimensions();
    const std::vector<std::int32_t> position = measureRegisters(first, actionSpaces[space].dimensions(), space);
    recenter(space, position);
    return position;
}

tala::interp::VariableHandle& QDM::registerName(RegisterKind kind, int space, int index, RegisterPart part,
                                                std::int32_t k) {
    // One key per name: every field in range, else the name is made afresh.
    const bool keyed = space >= 0 && space < (1 << 16) && index >= 0 && index < (1 << 16) && k >= 0 && k < (1 << 24);
    const std::uint64_t key = (std::uint64_t(kind) << 62) | (std::uint64_t(part) << 60) |
                              (std::uint64_t(space) << 40) | (std::uint64_t(index) << 24) | std::uint64_t(k);
    if (keyed)
        if (auto it = registerNames_.find(key); it != registerNames_.end()) return it->second;
    std::string name = (kind == RegisterKind::Action ? "Action." : "Delta.") + num(space) + "." + num(index);
    switch (part) {
        case RegisterPart::Result: name += ".result"; break;
        case RegisterPart::Ket: name += ".ket." + num(k); break;
        case RegisterPart::Bra: name += ".bra." + num(k); break;
    }
    if (!keyed) {
        unkeyedName_.rename(std::move(name));
        return unkeyedName_;
    }
    return registerNames_.emplace(key, tala::interp::VariableHandle(std::move(name))).first->second;
}

std::vector<std::int32_t> QDM::measureRegisters(int first, int count, int space) {
    std::vector<std::int32_t> outcomes;
    for (int i = 0; i < count; ++i) {
        tala::interp::VariableHandle& result = registerName(RegisterKind::Action, space, i, RegisterPart::Result);
        if (!measureInPlace || !measureDirectly(first + i, result))
            evaluateText("set psi.0 (measure (get psi.0) (get QDM) (integer " + num(first + i) + ") " +
                             result.name() + ")",
                         false);
        outcomes.push_back(readInteger(result));
    }
    return outcomes;
}

// What the measuring text does when psi.0 is a column of the system QDM, the subsystem
// is one of QDM's and the outcome's name is an integer: the same draw from the C
// generator, the outcome stored, then psi.0 set to the collapsed state. A state that
// cannot be drawn from fails as the text does, after the draw.
bool QDM::measureDirectly(int subsystem, tala::interp::VariableHandle& result) {
    const tala::interp::Variable* system = system_.findLast(variables);
    const tala::interp::Variable* outcomeEntry = result.findLast(variables);
    if (system == nullptr || system->typeName != "system" || !system->hasValue() ||
        !std::holds_alternative<tala::interp::SystemDims>(*system->value))
        return false;
    if (outcomeEntry == nullptr || outcomeEntry->typeName != "integer" || !outcomeEntry->hasValue()) return false;
    // Held while the state is replaced below, as the copy that lookup made held it.
    const std::shared_ptr<tala::interp::Value> systemValue = system->value;
    const tala::interp::SystemDims& dims = std::get<tala::interp::SystemDims>(*systemValue);
    const linalg::Matrix* psi = matrixWithEntries(psi_);
    if (psi == nullptr || subsystem < 0 || subsystem >= static_cast<int>(dims.size())) return false;
    if (psi->cols() != 1 || psi->rows() != qlang::systemLength(dims)) return false;

    const std::vector<double> probabilities = qlang::outcomeProbabilities(*psi, dims, subsystem);
    const std::vector<double> percents = qlang::cumulativePercents(probabilities);
    const double draw = (std::rand() % 10000) / 10000.0 * 100.0;
    const int outcome = qlang::pickOutcome(percents, draw);
    if (outcome < 0) throw support::Failure("Measurement error.\n");
    tala::interp::Variable number;
    number.setInteger(outcome);
    result.assign(variables, number);
    tala::interp::Variable collapsed;
    collapsed.setMatrix(qlang::collapse(*psi, dims, subsystem, outcome, std::sqrt(probabilities[outcome])));
    psi_.assign(variables, collapsed);
    return true;
}

void QDM::recenter(int space, const std::vector<std::int32_t>& position) {
    const ActionSpace& target = actionSpaces[space];
    const int dims = target.dimensions();
    // Takes each register i of the space's kind from basis state from[i] to basis state `to`.
    // The product depends on the kets' and bras' entries alone: one built from matrices
    // that have not changed since is taken as kept.
    std::vector<const linalg::Matrix*> factors;
    std::vector<std::uint64_t> versions;
    auto moveRegisters = [&](RegisterKind registers, std::int32_t to, const std::vector<std::int32_t>& from) {
        factors.clear();
        versions.clear();
        for (int i = 0; i < dims; ++i) {
            // Read before the next name is made: a name out of range has only one buffer.
            factors.push_back(&readMatrix(registerName(registers, space, i, RegisterPart::Ket, to)));
            factors.push_back(&readMatrix(registerName(registers, space, i, RegisterPart::Bra, from[i])));
        }
        for (const linalg::Matrix* factor : factors) versions.push_back(factor->version());
        linalg::Matrix op;
        if (keepOperators && keptOperators_.find(versions, op)) return op;
        op = identity(1);
        for (int i = 0; i < dims; ++i) op = tensor(op, outerProduct(*factors[2 * i], *factors[2 * i + 1]));
        if (keepOperators) keptOperators_.keep(versions, op);
        return op;
    };
    const RegisterSplit split = splitAt(space);
    const linalg::Matrix toCenter = moveRegisters(RegisterKind::Action, target.gridSize / 2, position);
    applyOnRegisters(readMatrix(psi_), split.left, toCenter, split.right);
    if (!target.resetDelta) return;

    int first = 1;
    for (int t = 0; t < space; ++t) first += actionSpaces[t].dimensions();
    const std::vector<std::int32_t> steps = measureRegisters(first, dims, space);
    const linalg::Matrix toRest = moveRegisters(RegisterKind::Delta, 1, steps);
    std::int32_t left = memorySize, right = actionSize;
    for (int t = 0; t < static_cast<int>(actionSpaces.size()); ++t) {
        const std::int32_t moves = checkedPower(static_cast<std::int64_t>(actionSpaces[t].movementMap.size()),
                                                actionSpaces[t].dimensions());
        if (t < space) left = checkedProduct(left, moves);
        if (t > space) right = checkedProduct(right, moves);
    }
    if (!support::quiet()) support::out() << left << ", " << toRest.rows() << ", " << right << "     \r";
    applyOnRegisters(readMatrix(psi_), left, toRest, right);
}

int QDM::nearestAction(int space, const std::vector<std::int32_t>& position, ActionPoint* chosen) const {
    if (space < 0 || space >= static_cast<int>(actionSpaces.size())) return 0;
    const std::vector<ActionPoint>& points = actionSpaces[space].points;
    // A space without points has nothing to choose; answer like a mismatch.
    if (points.empty() || points.front().coordinates.size() != position.size()) return 0;

    int best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < points.size(); ++i) {
        double distance = 0.0;
        if (points[i].coordinates.size() == position.size())
            for (std::size_t c = 0; c < position.size(); ++c) {
                const double step = static_cast<double>(points[i].coordinates[c]) - position[c];
                distance += step * step;
            }
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    if (chosen != nullptr) *chosen = points[best];
    return best;
}

int QDM::decide(int space) { return nearestAction(space, measureActions(space)); }

std::string QDM::decideName(int space) {
    ActionPoint chosen;
    nearestAction(space, measureActions(space), &chosen);
    return chosen.name;
}

int QDM::getMaxMeasureTime(int space) const {
    if (space < 0 || space >= static_cast<int>(actionSpaces.size())) return 0;
    return actionSpaces[space].gridSize / 2;
}

bool QDM::isAction(int space, int action) const {
    // An action equal to the number of points passes and then finds no position.
    return space >= 0 && space < static_cast<int>(actionSpaces.size()) && action >= 0 &&
           action <= static_cast<int>(actionSpaces[space].points.size());
}

QDM::RegisterSplit QDM::splitAt(int space) const {
    RegisterSplit split{checkedProduct(memorySize, deltaSize), 1, 1};
    for (int t = 0; t < static_cast<int>(actionSpaces.size()); ++t) {
        const std::int32_t cells = checkedPower(actionSpaces[t].gridSize, actionSpaces[t].dimensions());
        if (t < space) split.left = checkedProduct(split.left, cells);
        if (t == space) split.middle = cells;
        if (t > space) split.right = checkedProduct(split.right, cells);
    }
    return split;
}

double QDM::probabilityIn(int space, int action, const RegisterSplit& split, const linalg::Matrix& state) const {
    return sumOverAction(space, action, split.middle,
                         qlang::outcomeProbabilities(state, {split.left, split.middle, split.right}, 1));
}

double QDM::actionProbability(int space, int action, const linalg::Matrix& state) {
    return isAction(space, action) ? probabilityIn(space, action, splitAt(space), state) : 0.0;
}

double QDM::actionProbability(int space, int action) {
    if (!isAction(space, action)) return 0.0;
    const RegisterSplit split = splitAt(space);
    const std::int32_t left = split.left, middle = split.middle, right = split.right;
    // The text below answers the distribution of the middle register; when psi.0 is a
    // column of that system and no variable could meet its temporaries, so can this.
    const linalg::Matrix* psi = matrixWithEntries(psi_);
    if (psi != nullptr && psi->cols() == 1 && psi->rows() == std::int64_t{left} * middle * right &&
        !anyTemporaryName(variables))
        return probabilityIn(space, action, split, *psi);
    const std::string text =
        "begin (new integer QDM-temp-Space.0.size) (new integer QDM-temp-Space.1.size) "
        "(new integer QDM-temp-Space.2.size) (set QDM-temp-Space.0.size (integer " + num(left) + ") ) "
        "(set QDM-temp-Space.1.size (integer " + num(middle) + ") ) "
        "(set QDM-temp-Space.2.size (integer " + num(right) + ") ) "
        "(new system QDM-temp-Space.0 (integer 3) QDM-temp-Space.0 QDM-temp-Space.1 QDM-temp-Space.2) "
        "(new array QDM-temp-result double (integer " + num(middle) + ") ) "
        "(measure_distribution (get psi.0) (get QDM-temp-Space.0) (integer 1) QDM-temp-result)";
    tala::interp::Variable result;
    evaluateText(text, false, result);
    if (result.typeName != "vector" || !result.hasValue())
        throw support::Failure("getComplex error - type is NULL or not vector");
    return sumOverAction(space, action, middle, result.getVector());
}

double QDM::sumOverAction(int space, int action, std::int32_t middle, const std::vector<double>& distribution) const {
    // Positions in the order of the Action registers' basis index, last coordinate fastest.
    const ActionSpace& target = actionSpaces[space];
    std::vector<std::int32_t> position(static_cast<std::size_t>(target.dimensions()), 0);
    double sum = 0.0;
    for (std::int32_t j = 0; j < middle; ++j) {
        if (nearestAction(space, position) == action && static_cast<std::size_t>(j) < distribution.size())
            sum += distribution[j];
        for (int c = static_cast<int>(position.size()) - 1; c >= 0; --c) {
            if (++position[c] < target.gridSize) break;
            position[c] = 0;
        }
    }
    return sum;
}

}  // namespace vex
