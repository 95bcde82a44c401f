// What scripts cannot reach of the library: a command word alone, words it
// declines, and its table.

#include <gtest/gtest.h>

#include <string>

#include "decision/VEXCommands.h"
#include "interp/Interpreter.h"
#include "interp/CommandTokenizer.h"

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

// Every command described, with an example that runs it.
TEST_F(Commands, EveryGroupIsListedAndEveryCommandDescribed) {
    std::string names;
    for (const auto& group : vex::wordGroups()) names += std::string(group.name) + ";";
    EXPECT_EQ(names, "values;actions;decision maker;sensors;");
    for (const auto& group : vex::wordGroups())
        for (const auto& word : group.words) {
            EXPECT_FALSE(word.summary.empty()) << word.word;
            tala::interp::CommandTokenizer example = tala::interp::CommandTokenizer::forScripts();
            example.setText(word.example);
            const std::string first = example.token(0);
            EXPECT_TRUE(first == word.word || example.text().find(std::string(word.word) + " ") != std::string::npos)
                << word.word;
        }
}

}  // namespace
