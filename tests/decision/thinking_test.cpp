// Thinking without the evaluator and with a compressed sparse Tops, and training's
// fitness without the evaluator: the numbers of the texts they stand for.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DecisionFixture.h"
#include "LiteralRoutes.h"
#include "decision/Training.h"
#include "tests/linalg/MatrixTestSupport.h"

namespace {

using linalg::testing::expectSame;

linalg::Matrix& psi(vex::QDM& qdm) { return literal::variableMatrix(qdm, "psi.0"); }

const vex::ActionPoint kFlockPoints[] = {{"forward", {0}}, {"left", {1}}, {"right", {-1}}};

// A decision maker with a sensor applied, seeded alike every time: the flock's, whose
// Tops is a shift, or the fixture's with the Fourier Tops; `dense` applies the sensor
// the long way (LiteralRoutes.h).
std::unique_ptr<vex::QDM> stimulated(bool shift, bool dense = false) {
    std::srand(5);
    auto qdm = shift ? fixture::flockSystem(std::vector<vex::ActionPoint>(kFlockPoints, kFlockPoints + 3))
                     : fixture::finishedDecisionMaker();
    qdm->addSensor("left");
    if (dense)
        literal::applyOp(*qdm, "left");
    else
        qdm->applyOp("left");
    return qdm;
}

}  // namespace

// A shift has one non-zero per column and goes the compressed way; the Fourier Tops
// is dense. Either way the steps equal the dense product the thinking text computes, bit
// for bit, also after Tops is written through its matrix, as code may, between steps.
TEST(Thinking, EqualsTheDenseProductForSparseAndDenseTopsAndSeesTopsChangedInPlace) {
    for (const bool shift : {true, false}) {
        auto fast = stimulated(shift);
        auto dense = stimulated(shift, true);
        const auto step = [&] {
            fast->think();
            literal::think(*dense);
            expectSame(psi(*dense), psi(*fast));
        };
        for (int n = 0; n < 3; ++n) {
            step();
            fast->applyOp("left");
            literal::applyOp(*dense, "left");
        }
        for (vex::QDM* qdm : {fast.get(), dense.get()}) {
            linalg::Matrix& tops = literal::variableMatrix(*qdm, "Tops");
            tops(3, 7) = {0.5, -0.5};
            tops.data()[0] = {0.0, 2.0};
        }
        step();
        for (vex::QDM* qdm : {fast.get(), dense.get()}) literal::variableMatrix(*qdm, "Tops").fill({0.25, 0.0});
        step();  // dense now
    }
}

// Training replays its rules side by side; with a variable in the way of the measuring
// text it replays them in turn on psi.0. Both give the same fitness and leave the same
// psi.0, for a dense and a compressed Tops, repeating and single rules, several lists.
TEST(TrainingFitness, RulesSideBySideScoreAsRulesInTurn) {
    for (const bool shift : {false, true}) {
        auto together = stimulated(shift);
        auto inTurn = stimulated(shift);
        inTurn->evaluateText("new integer QDM-temp-guard", true);
        for (vex::QDM* qdm : {together.get(), inTurn.get()}) {
            std::srand(9);
            qdm->addSensor("right");
        }
        vex::Individual individual;
        individual.sensors = together->sensors;
        const std::vector<vex::Rule> rules = {
            {{{"left"}}, 0, {{0, 0, 1.0}}},
            {{{"right"}, {"left", "right"}}, 1, {{2, 0, 0.5}, {1, 0, 0.25}}},
            {{}, 0, {{1, 0, 1.0}}},
            {{{"left"}, {"nobody"}, {"right"}}, 0, {{0, 0, 0.3}}},
        };
        vex::Individual first = individual, second = individual;
        vex::evaluateFitness(*together, first, rules, 5);
        vex::evaluateFitness(*inTurn, second, rules, 5);
        EXPECT_EQ(second.fitness, first.fitness);
        EXPECT_EQ(second.ruleFitness, first.ruleFitness);
        expectSame(psi(*inTurn), psi(*together));
    }
}
