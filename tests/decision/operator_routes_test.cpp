// The factored routes for sensors and re-centring against the full Kronecker products.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "DecisionFixture.h"
#include "LiteralRoutes.h"

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

TEST(SensorOperator, ActsOnMemoryAndDeltaLikeTheFullProductOnBothRoutes) {
    for (const vex::OperatorRoute route : {vex::OperatorRoute::Factored, vex::OperatorRoute::Dense}) {
        std::srand(7);
        auto qdm = spreadDecisionMaker();
        qdm->operatorRoute = route;
        qdm->addSensor("right");
        const linalg::Matrix& sensor = qdm->sensors.back().unitary;
        ASSERT_EQ(sensor.rows(), 18);
        const linalg::Matrix expected = literal::apply(1, sensor, 25, psi(*qdm));
        qdm->applyOp("right");
        expectSameMatrix(expected, psi(*qdm));
    }
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

}  // namespace
