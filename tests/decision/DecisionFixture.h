#pragma once
// A finished decision maker like an agent's: one action space of 2-coordinate
// points left, forward and right, moves -1, 0, 1, a 5 x 5 grid, memory size 2,
// so W = 2 x 9 x 25 = 450. The decision tests share one QDM_Scripts folder (beside
// this file; the golden folders link to it), whose Tops is the identity; this one
// gets the Fourier matrix, so that one thinking step spreads the state over every
// register. flockSystem() instead uses the shipped data/ folder, whose Tops moves
// every Action register by its Delta register's direction.

#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "decision/QDM.h"
#include "tests/support/StreamCapture.h"

namespace fixture {

// finalize reads QDM_Scripts/ from the working directory.
inline void enterScriptFolder() { std::filesystem::current_path(std::filesystem::path(__FILE__).parent_path()); }

inline vex::ActionSpace flockSpace() {
    vex::ActionSpace space;
    space.points = {{"left", {1, 0}}, {"forward", {0, 1}}, {"right", {-1, 0}}};
    space.movementMap = {{-1}, {0}, {1}};
    space.gridSize = 5;
    return space;
}

inline std::unique_ptr<vex::QDM> finishedDecisionMaker() {
    enterScriptFolder();
    auto qdm = std::make_unique<vex::QDM>();
    qdm->addActionSpace(flockSpace());
    qdm->finalize(2);
    qdm->evaluateText("set Tops (matrix (get system-size) (get system-size) QFT)", true);
    qdm->prepare();
    return qdm;
}

// The flock's own system: moves -1, 0, 1 on a grid of 9, memory 1, with the given points.
inline std::unique_ptr<vex::QDM> flockSystem(std::vector<vex::ActionPoint> points) {
    std::filesystem::current_path(std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data");
    auto qdm = std::make_unique<vex::QDM>();
    vex::ActionSpace space;
    space.points = std::move(points);
    space.movementMap = {{-1}, {0}, {1}};
    space.gridSize = 9;
    OutputCapture quiet;
    qdm->addActionSpace(space);
    qdm->finalize(1);
    qdm->prepare();
    return qdm;
}

}  // namespace fixture
