// Building the decision maker's registers, operators and initial state. Every
// piece goes through the typed evaluator as text, so scripts and the shell see
// exactly the variables named here.

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "decision/QDM.h"
#include "decision/SizeArithmetic.h"
#include "interp/InterpreterCore.h"
#include "support/Reporting.h"
#include "linalg/EntryLimit.h"
#include "linalg/MemoryBudget.h"
#include "qlang/Evaluate.h"
#include "support/ScriptOutput.h"

namespace vex {

namespace {

int sign(std::int32_t value) { return (value > 0) - (value < 0); }

// The first integer of a movement entry; an empty entry moves by nothing.
std::int32_t firstStep(const Coordinates& entry) { return entry.empty() ? 0 : entry.front(); }

// The W x W operators finalize makes, with room for two more that the setup
// script's sums build on the way, and the memory register must fit before the
// first of them is made: a refused system leaves the decision maker as it was.
void requireSystemMemory(std::int64_t w, std::int64_t operators, std::int64_t memory) {
    linalg::requireEntryLimit(w, w);
    constexpr std::int64_t kEntry = sizeof(linalg::Complex);
    // In floating point, since a memory size near the 32-bit limit squares beyond 64 bits;
    // below 2^53 bytes the count is exact, and anything above is refused anyway.
    const double bytes = double(operators + 2) * double(w) * double(w) * kEntry +
                         2.0 * double(memory) * (double(memory) * kEntry + tala::interp::kValueBytes);
    const double most = double(std::numeric_limits<std::int64_t>::max() / 2);
    linalg::requireMemory(bytes < most ? static_cast<std::int64_t>(bytes) : std::int64_t(most),
                          "a decision system of size " + num(w));
}

// The text declaring an integer variable and setting it to the value.
std::string integerText(const std::string& name, std::int64_t value) {
    return "(new integer " + name + ") (set " + name + " (integer " + num(value) + ") )";
}

// The text declaring a w x w matrix and setting it to the zero or ident matrix.
std::string squareText(const std::string& name, const std::string& w, const char* kind) {
    return "(new matrix " + name + " (integer " + w + ") (integer " + w + ") ) (set " + name + " (matrix (integer " +
           w + ") (integer " + w + ") " + kind + ") )";
}

// The setup scripts finalize runs, in the order it runs them.
constexpr const char* kSetupScripts[] = {"QDM_Scripts/SetupTops.txt", "QDM_Scripts/prepare.txt"};

// Characters that would split or end a file name in a command text.
bool safeInCommand(const std::string& path) {
    return path.find_first_of(" ,\t()\"") == std::string::npos;
}

bool readable(const std::string& path) { return tala::interp::readScriptFile(path).has_value(); }

// Where the script is: relative to the working folder, else under the first folder that
// holds it; the relative name, for the usual report, when none does.
std::string locateScript(const std::string& script, const std::vector<std::string>& folders, bool& found) {
    found = true;
    if (readable(script)) return script;
    for (const std::string& folder : folders) {
        const std::string candidate = folder + (folder.ends_with('/') ? "" : "/") + script;
        if (safeInCommand(candidate) && readable(candidate)) return candidate;
    }
    found = false;
    return script;
}

void warnMissingScripts(const std::vector<std::string>& missing, const std::vector<std::string>& folders) {
    std::string names;
    for (const std::string& script : missing) names += (names.empty() ? "" : " and ") + script;
    std::string places = "the working folder";
    for (const std::string& folder : folders) places += ", " + folder;
    support::warn("vex::qdm::finalize: found no " + names + " in " + places +
                       "; name the folder that holds QDM_Scripts with 'path DIR' before finalize, or with "
                       "--data DIR (tala, flock).");
}

}  // namespace

void QDM::evaluateText(std::string_view text, bool global) {
    tala::interp::Variable result;
    evaluateText(text, global, result);
}

void QDM::evaluateText(std::string_view text, bool global, tala::interp::Variable& result) {
    qlang::evaluate(*this, text, variables, result, global, true);
}

linalg::Matrix& QDM::readMatrix(tala::interp::VariableHandle& name) {
    // The entry itself, where lookup would copy it: the same value, the same failure.
    if (const tala::interp::Variable* found = name.findLast(variables)) return found->getMatrix();
    return tala::interp::Variable().getMatrix();
}

std::int32_t QDM::readInteger(tala::interp::VariableHandle& name) {
    if (const tala::interp::Variable* found = name.findLast(variables)) return found->getInteger();
    return tala::interp::Variable().getInteger();
}

std::int64_t QDM::systemSize() const {
    return std::int64_t{memorySize} * deltaSize * actionSize;
}

bool QDM::addActionSpace(const ActionSpace& space) {
    const std::string n = num(static_cast<std::int64_t>(actionSpaces.size()));
    const int dims = space.dimensions();
    const int steps = static_cast<int>(space.movementMap.size());
    const std::int32_t grid = space.gridSize;
    const std::int32_t actionCount = checkedPower(grid, dims);
    const std::int32_t deltaCount = checkedPower(steps, dims);

    std::string deltas = "begin ";
    for (int i = 0; i < dims; ++i) {
        const std::string reg = "Delta." + n + "." + num(i);
        deltas += "(new space " + reg + " (integer " + num(steps) + ") ) ";
        for (int k = 0; k < steps; ++k) {
            const std::string dir = reg + ".dir." + num(k);
            deltas += integerText(dir, firstStep(space.movementMap[k])) + " ";
        }
    }
    evaluateText(deltas, true);

    std::string actions = "begin ";
    for (int i = 0; i < dims; ++i) {
        const std::string reg = "Action." + n + "." + num(i);
        actions += "(new space " + reg + " (integer " + num(grid) + ") ) ";
        actions += "(new integer " + reg + ".result) ";
    }
    actions += integerText("Action." + n + ".dim", dims) + " ";
    actions += integerText("Action." + n + ".size", actionCount) + " ";
    actions += integerText("Delta." + n + ".size", deltaCount);
    evaluateText(actions, true);

    actionSpaces.push_back(space);
    return true;
}

bool QDM::finalize(std::int32_t memory, const std::vector<std::string>& scriptFolders) {
    // Sizes first, so that a system too large to address is refused before
    // anything changes.
    std::int32_t deltas = 1, actions = 1, system = memory;
    int registers = 1;
    for (const ActionSpace& space : actionSpaces) {
        const int dims = space.dimensions();
        registers = checkedSum(registers, 2 * std::int64_t{dims});
        for (int d = 0; d < dims; ++d) {
            deltas = checkedProduct(deltas, static_cast<std::int64_t>(space.movementMap.size()));
            actions = checkedProduct(actions, space.gridSize);
            system = checkedProduct(system, checkedProduct(static_cast<std::int64_t>(space.movementMap.size()),
                                                           space.gridSize));
        }
        for (const ActionPoint& point : space.points)
            for (std::int32_t c : point.coordinates) checkedSum(c, space.gridSize / 2);
    }

    std::int64_t operators = 1;  // Tops
    for (const ActionSpace& space : actionSpaces) operators += space.dimensions() + 1;
    requireSystemMemory(system, operators, memory);

    std::vector<std::string> scripts, missing;
    for (const char* script : kSetupScripts) {
        bool found = false;
        scripts.push_back(locateScript(script, scriptFolders, found));
        if (!found) missing.push_back(script);
    }

    finalized = true;
    spacesInSystem = actionSpaces.size();
    memorySize = memory;
    evaluateText("new space Memory (integer " + num(memory) + ")", true);

    std::string systemText = "new system QDM (integer " + num(registers) + ") Memory ";
    for (std::size_t s = 0; s < actionSpaces.size(); ++s)
        for (int d = 0; d < actionSpaces[s].dimensions(); ++d)
            systemText += "Delta." + num(s) + "." + num(d) + " ";
    for (std::size_t s = 0; s < actionSpaces.size(); ++s) {
        const int dims = actionSpaces[s].dimensions();
        for (int d = 0; d < dims; ++d) {
            systemText += "Action." + num(s) + "." + num(d);
            if (d != dims - 1) systemText += " ";
        }
        if (s + 1 != actionSpaces.size()) systemText += " ";
    }
    deltaSize = deltas;
    actionSize = actions;
    if (!support::quiet()) support::out() << "Delta Size = " << deltaSize << "\nAction Size = " << actionSize << "\n";
    evaluateText(systemText, true);

    std::string sizes = "begin ";
    sizes += integerText("Delta.size", deltaSize) + " ";
    sizes += integerText("action-size", static_cast<std::int64_t>(actionSpaces.size())) + " ";
    sizes += integerText("action-space-size", actionSize) + " ";
    for (std::size_t s = 0; s < actionSpaces.size(); ++s) {
        ActionSpace& space = actionSpaces[s];
        const std::int32_t center = space.gridSize / 2;
        sizes += integerText("Action." + num(s) + ".center", center) + " ";
        for (std::size_t a = 0; a < space.points.size(); ++a) {
            Coordinates& coordinates = space.points[a].coordinates;
            for (std::size_t c = 0; c < coordinates.size(); ++c) {
                const std::string direction = "Action." + num(s) + "." + num(a) + ".direction." + num(c);
                sizes += integerText(direction, sign(coordinates[c])) + " ";
                // From here on points are grid positions centred on the middle cell.
                coordinates[c] += center;
            }
        }
    }
    sizes += integerText("system-size", system);
    evaluateText(sizes, true);

    const std::string w = num(system);
    for (std::size_t s = 0; s < actionSpaces.size(); ++s)
        for (int d = 0; d < actionSpaces[s].dimensions(); ++d)
            evaluateText("begin " + squareText("Tops." + num(s) + "." + num(d), w, "zero"), true);

    std::string history = "begin ";
    for (std::size_t s = 0; s < actionSpaces.size(); ++s)
        history += squareText("ActionOpHistory." + num(s), w, "ident") + " ";
    evaluateText(history, true);

    evaluateText("begin " + squareText("Tops", w, "ident"), true);
    evaluateText("file " + scripts[0], false);
    evaluateText("begin (new matrix psi.0 (integer " + w + ") (integer 1) ) (new matrix psi.init (integer " +
                     w + ") (integer 1) ) (set psi.0 (matrix (integer " + w + ") (integer 1) ident) )",
                 true);
    evaluateText("file " + scripts[1], true);
    if (!support::quiet()) support::out() << "System Size = " << system << "\n";
    if (!missing.empty()) warnMissingScripts(missing, scriptFolders);
    return true;
}

// The text "set psi.0 (get psi.init)", without the evaluator: every entry of psi.0
// takes the value of the last psi.init if their types agree.
void QDM::prepare() {
    tala::interp::Variable start;
    tala::interp::lookup(variables, init_.name(), start);
    psi_.assign(variables, start);
    prepared = true;
}

bool QDM::findAction(const std::string& name, int& spaceIndex, int& actionIndex) const {
    for (std::size_t s = 0; s < actionSpaces.size(); ++s)
        for (std::size_t a = 0; a < actionSpaces[s].points.size(); ++a)
            if (actionSpaces[s].points[a].name == name) {
                spaceIndex = static_cast<int>(s);
                actionIndex = static_cast<int>(a);
                return true;
            }
    return false;
}

// The constant is part of the behaviour, not pi.
double QDM::randomAngle() { return (std::rand() % 10000) * 3.1415 / 10000; }

void QDM::randomizeSensor(Sensor& sensor, int dimension) {
    dimension = std::max(dimension, 0);
    const std::size_t angles = static_cast<std::size_t>(dimension) * dimension / 2;
    sensor.rotation.resize(angles, 0.0);
    sensor.phase.resize(angles, 0.0);
    sensor.offPhase.resize(static_cast<std::size_t>(dimension), 0.0);
    for (std::size_t i = 0; i < angles; ++i) {
        sensor.rotation[i] = randomAngle();
        sensor.phase[i] = randomAngle();
        if (i < static_cast<std::size_t>(dimension)) sensor.offPhase[i] = randomAngle();
    }
    sensor.unitary.resize(dimension, dimension);
    linalg::buildUnitary(sensor.rotation, sensor.phase, sensor.offPhase, sensor.unitary);
}

}  // namespace vex
