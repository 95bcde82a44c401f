// What scripts cannot reach of the library: a command word alone, declined
// words, and the first-sensor rule of apply_op.

#include <gtest/gtest.h>

#include "DecisionFixture.h"
#include "LiteralRoutes.h"
#include "decision/VEXCommands.h"
#include "interp/Interpreter.h"

namespace {

using tala::interp::Object;

class Commands : public ::testing::Test {
protected:
    bool run(const std::string& text) {
        tokens_ = tala::interp::CommandTokenizer::forScripts();
        tokens_.setText(text);
        return library_.execute(tokens_, interpreter_.globals(), result_, interpreter_, libraries_, false);
    }

    vex::VEXCommands library_;
    tala::interp::Interpreter interpreter_;
    tala::interp::LibraryList libraries_{&library_};
    tala::interp::CommandTokenizer tokens_;
    Object result_;
};

TEST_F(Commands, StateWithoutArgumentsExplainsItsArguments) {
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(run("vex::State"));
    EXPECT_EQ("Error: Arguments for vex::State are MODE:STRING {vex::SensorList}^*\n",
              ::testing::internal::GetCapturedStdout());
    EXPECT_FALSE(result_.hasData());
}

TEST_F(Commands, WordsOfOtherLibrariesAreDeclinedUnevaluated) {
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(run("vex::qdm::unknown (print_new_line)"));
    EXPECT_FALSE(run("print (print_new_line)"));
    EXPECT_EQ("", ::testing::internal::GetCapturedStdout());
}

TEST(ApplyOp, UsesOnlyTheFirstSensorOfAName) {
    auto qdm = fixture::finishedDecisionMaker();
    qdm->addSensor("twin");
    qdm->addSensor("twin");
    qdm->think();
    const linalg::Matrix expected = literal::apply(1, qdm->sensors[0].unitary, 25, literal::variableMatrix(*qdm, "psi.0"));
    qdm->applyOp("twin");
    const linalg::Matrix& psi = literal::variableMatrix(*qdm, "psi.0");
    for (int r = 0; r < 450; ++r) {
        EXPECT_NEAR(expected(r, 0).re, psi(r, 0).re, 1e-12);
        EXPECT_NEAR(expected(r, 0).im, psi(r, 0).im, 1e-12);
    }
    const linalg::Matrix before = psi;
    qdm->applyOp("nobody");
    for (int r = 0; r < 450; ++r) EXPECT_EQ(before(r, 0).re, psi(r, 0).re);
}

}  // namespace
