#pragma once
// Finished decision makers like an agent's, with one action space of moves -1, 0, 1.
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>
#include "decision/QDM.h"
#include "testsupport/StreamCapture.h"
namespace fixture {
// finalize reads QDM_Scripts/ from the working directory, here `folder` of the source tree.
inline std::unique_ptr<vex::QDM> finalized(const char* folder, std::vector<vex::ActionPoint> points, int grid,
                                           int memory) {
    std::filesystem::current_path(std::filesystem::path(__FILE__).parent_path().parent_path() / folder);
    auto qdm = std::make_unique<vex::QDM>();
    OutputCapture quiet;
    qdm->addActionSpace({std::move(points), {{-1}, {0}, {1}}, grid});
    qdm->finalize(memory);
    return qdm;
}
// Points left, forward and right on a 5 x 5 grid, memory 2: W = 2 x 9 x 25 = 450. The QDM_Scripts of
// tests/decision make Tops the identity; the Fourier Tops set here spreads one thinking step over every register.
inline std::unique_ptr<vex::QDM> finishedDecisionMaker() {
    auto qdm = finalized("tests/decision", {{"left", {1, 0}}, {"forward", {0, 1}}, {"right", {-1, 0}}}, 5, 2);
    qdm->evaluateText("set Tops (matrix (get system-size) (get system-size) QFT)", true);
    qdm->prepare();
    return qdm;
}
// The flock's own (grid 9, memory 1, data/), whose Tops moves every Action register by its Delta's direction.
inline std::unique_ptr<vex::QDM> flockSystem(std::vector<vex::ActionPoint> points) {
    auto qdm = finalized("data", std::move(points), 9, 1);
    qdm->prepare();
    return qdm;
}
}  // namespace fixture
