// What scripts cannot reach of the library: a command word alone and words
// it declines.

#include <gtest/gtest.h>

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

}  // namespace
