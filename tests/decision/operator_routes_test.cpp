// The factored routes for sensors and re-centring against the full Kronecker products.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "DecisionFixture.h"
#include "LiteralRoutes.h"
#include "linalg/Failure.h"

namespace {

void expectSameMatrix(const linalg::Matrix& expected, const linalg::Matrix& actual) {
    ASSERT_EQ(expected.rows(), actual.rows());
    ASSERT_EQ(expected.cols(), actual.cols());
    for (int c = 0; c < expected.cols(); ++c)
        for (int r = 0; r < expected.rows(); ++r) {
            EXPECT_NEAR(expected(r, c).re, actual(r, c).re, 1e-12) << "row " << r << " column " << c;
            EXPECT_NEAR(expected(r, c).im, actual(r, c).im, 1e-12) << "row " << r << " column " << c;
        }
}

linalg::Matrix& psi(vex::QDM& qdm) { return literal::variableMatrix(qdm, "psi.0"); }

// A state with weight on every register, so that no entry of an operator goes unused.
std::unique_ptr<vex::QDM> spreadDecisionMaker() {
    auto qdm = fixture::finishedDecisionMaker();
    qdm->addSensor("left");
    qdm->applyOp("left");
    qdm->think();
    return qdm;
}

TEST(SensorOperator, ActsOnMemoryAndDeltaLikeTheFullProduct) {
    std::srand(7);
    auto qdm = spreadDecisionMaker();
    qdm->addSensor("right");
    const linalg::Matrix& sensor = qdm->sensors.back().unitary;
    ASSERT_EQ(sensor.rows(), 18);
    const linalg::Matrix expected = literal::apply(1, sensor, 25, psi(*qdm));

    qdm->applyOp("right");
    expectSameMatrix(expected, psi(*qdm));
}

TEST(SensorOperator, OfSystemSizeMultipliesTheStateDirectly) {
    auto qdm = spreadDecisionMaker();
    const linalg::Matrix tops = literal::variableMatrix(*qdm, "Tops");
    linalg::Matrix expected;
    ASSERT_TRUE(linalg::multiply(tops, expected, psi(*qdm)));

    qdm->applySensorOperator(tops);
    expectSameMatrix(expected, psi(*qdm));
}

TEST(SensorOperator, ThatDoesNotFitFailsAndKeepsTheState) {
    auto qdm = spreadDecisionMaker();
    const linalg::Matrix before = psi(*qdm);
    for (const linalg::Matrix& misfit : {literal::identity(3), linalg::Matrix()}) {
        try {
            qdm->applySensorOperator(misfit);
            ADD_FAILURE() << "a " << misfit.rows() << " x " << misfit.rows() << " sensor was applied";
        } catch (const tala::Failure& failure) {
            EXPECT_STREQ("Error 1 in operator=\n", failure.what());
        }
        expectSameMatrix(before, psi(*qdm));
    }
}

TEST(SensorOperator, DenseRouteGivesTheSameState) {
    std::srand(3);
    auto factored = spreadDecisionMaker();
    std::srand(3);
    auto dense = spreadDecisionMaker();
    dense->operatorRoute = vex::OperatorRoute::Dense;
    factored->applyOp("left");
    dense->applyOp("left");
    expectSameMatrix(psi(*dense), psi(*factored));
}

TEST(SensorOperator, StateOfSeveralColumnsIsTreatedColumnByColumn) {
    auto qdm = spreadDecisionMaker();
    linalg::Matrix wide(450, 2);
    for (int r = 0; r < 450; ++r) {
        wide(r, 0) = psi(*qdm)(r, 0);
        wide(r, 1) = {0.001 * r, -0.002 * r};
    }
    psi(*qdm) = wide;
    const linalg::Matrix expected = literal::apply(1, qdm->sensors.front().unitary, 25, wide);
    qdm->applyOp("left");
    expectSameMatrix(expected, psi(*qdm));
}

TEST(Recenter, MovesTheActionRegistersLikeTheFullProduct) {
    auto qdm = spreadDecisionMaker();
    qdm->actionSpaces[0].resetDelta = false;
    // ket(center) bra(position) on each Action register, Memory and Delta untouched.
    auto move = [&](int i, int from) {
        linalg::Matrix product;
        const std::string reg = "Action.0." + std::to_string(i);
        linalg::multiply(literal::variableMatrix(*qdm, reg + ".ket.2"), product,
                         literal::variableMatrix(*qdm, reg + ".bra." + std::to_string(from)));
        return product;
    };
    const linalg::Matrix expected = literal::apply(18, literal::kron(move(0, 1), move(1, 3)), 1, psi(*qdm));

    qdm->recenter(0, {1, 3});
    expectSameMatrix(expected, psi(*qdm));
}

TEST(Decide, FactoredAndDenseRoutesAgreeStepByStep) {
    std::srand(21);
    auto factored = spreadDecisionMaker();
    std::srand(21);
    auto dense = spreadDecisionMaker();
    dense->operatorRoute = vex::OperatorRoute::Dense;
    for (int step = 0; step < 3; ++step) {
        const unsigned seed = 100 + step;
        std::srand(seed);
        const int chosenFactored = factored->decide(0);
        std::srand(seed);
        const int chosenDense = dense->decide(0);
        EXPECT_EQ(chosenDense, chosenFactored);
        expectSameMatrix(psi(*dense), psi(*factored));
        factored->think();
        dense->think();
    }
}

TEST(Decide, LeavesTheActionRegistersAtTheirCentre) {
    auto qdm = spreadDecisionMaker();
    qdm->decide(0);
    // Measuring again at once finds every Action register at G / 2.
    EXPECT_EQ(std::vector<std::int32_t>({2, 2}), qdm->measureActions(0));
    EXPECT_EQ("left", qdm->decideName(0));  // (2,2) is as near to left as to forward
}

}  // namespace
