// What scripts cannot reach of the library: a command word alone, the type
// factory's answers, and the first-sensor rule of apply_op.

#include <gtest/gtest.h>

#include "DecisionFixture.h"
#include "LiteralRoutes.h"
#include "decision/ValueTypes.h"
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

TEST_F(Commands, FactoryMakesTheNineTypesUnderTheirNewNames) {
    const std::pair<const char*, const char*> names[] = {
        {"vex::dist", "vex::Distribution"},
        {"vex::SensorList", "vex::SensorList"},
        {"vex::State", "vex::State"},
        {"vex::TrainingSet", "vex::TrainingSet"},
        {"vex::QDM", "vex::QDM"},
        {"vex::qdm::Point", "vex::qdm::Point"},
        {"vex::qdm::Action", "vex::qdm::Action"},
        {"vex::qdm::ActionList", "vex::qdm::ActionList"},
        {"vex::qdm::ActionSpace", "vex::qdm::ActionSpace"},
    };
    tala::interp::ObjectList scope;
    for (const auto& [newName, typeName] : names) {
        ASSERT_TRUE(library_.createType(newName, std::string("v") + newName, scope)) << newName;
        const Object& created = scope[scope.size() - 1];
        EXPECT_EQ(std::string("v") + newName, created.name);
        EXPECT_EQ(typeName, created.getUserObject().typeName());
    }
    EXPECT_FALSE(library_.createType("vex::Distribution", "x", scope));
    EXPECT_FALSE(library_.createType("integer", "x", scope));
    EXPECT_EQ(9u, scope.size());
    EXPECT_EQ(1, library_.interfaceLevel());
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
