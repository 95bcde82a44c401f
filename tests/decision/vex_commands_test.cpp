// What scripts cannot reach of the library: a command word alone, words it
// declines, its table, and a value left behind by a freed decision maker.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "decision/VEXCommands.h"
#include "decision/ValueTypes.h"
#include "interp/CommandTokenizer.h"
#include "interp/Interpreter.h"
#include "interp/InterpreterHost.h"
#include "linalg/MemoryBudget.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempFolder.h"

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

// vex::State alone explains its arguments; words of other libraries are declined
// without evaluating their arguments.
TEST_F(Commands, StateAloneExplainsItsArgumentsAndOtherWordsAreDeclinedUnevaluated) {
    OutputCapture printed;
    EXPECT_FALSE(run("vex::State"));
    EXPECT_FALSE(result_.hasData());
    EXPECT_FALSE(run("vex::qdm::unknown (print_new_line)"));
    EXPECT_FALSE(run("print (print_new_line)"));
    EXPECT_EQ("Error: Arguments for vex::State are MODE:STRING {vex::SensorList}^*\n", printed.text());
}

// Every command described, with an example that runs it.
TEST_F(Commands, EveryGroupIsListedAndEveryCommandDescribed) {
    std::string names;
    for (const auto& group : vex::wordGroups()) names += std::string(group.name) + ";";
    EXPECT_EQ(names, "values;actions;decision maker;sensors;inspection;");
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

// A copy of a decision-maker value must not reach a decision maker made after the
// one it shared was freed, even one that reuses the freed one's address.
using DecisionMakerValues = TempFolder;

TEST_F(DecisionMakerValues, ACopyOfAFreedDecisionMakerReachesNoLaterOne) {
    namespace fs = std::filesystem;
    const fs::path saved = fs::current_path();
    fs::current_path(folder_);

    std::vector<std::unique_ptr<tala::interp::CommandLibrary>> libraries;
    libraries.push_back(std::make_unique<vex::VEXCommands>());
    tala::interp::InterpreterHost host(std::move(libraries));
    OutputCapture out;
    for (const char* command : {"global (new vex::QDM a)", "vex::qdm::new (get a)", "global (new vex::QDM b)",
                                "set b (get a)", "vex::qdm::free (get a)", "global (new vex::QDM c)",
                                "vex::qdm::new (get c)", "vex::add_sensor (get b) stale", "vex::save (get c) c.bin"})
        host.runCommand(command);
    EXPECT_EQ(8u, fs::file_size("c.bin"));  // format number and no sensors
    out.take();
    host.runCommand("vex::qdm::shell (get b)");
    EXPECT_EQ("Error: vex::QDM = NULL; make sure to vex::qdm::new first.\n", out.take());
    host.runCommand("vex::qdm::free (get b)");
    host.runCommand("vex::save (get c) c.bin");
    EXPECT_EQ("Saving sensors to file 'c.bin'\n", out.take());

    fs::current_path(saved);
}

// A new decision maker for a value leaves its earlier copies without one; one never
// freed goes with the last value that refers to it.
TEST_F(DecisionMakerValues, CopiesLoseTheDecisionMakerANewOneReplacesAndTheLastValueReleasesIt) {
    std::weak_ptr<vex::QDM> kept;
    {
        std::vector<std::unique_ptr<tala::interp::CommandLibrary>> libraries;
        libraries.push_back(std::make_unique<vex::VEXCommands>());
        tala::interp::InterpreterHost host(std::move(libraries));
        OutputCapture out;
        for (const char* command : {"global (new vex::QDM a)", "vex::qdm::new (get a)", "global (new vex::QDM b)",
                                    "set b (get a)", "vex::qdm::new (get a)", "vex::qdm::shell (get b)"})
            host.runCommand(command);
        EXPECT_EQ("Error: vex::QDM = NULL; make sure to vex::qdm::new first.\n", out.take());
        Object held;
        host.runCommand("get a", held);
        kept = dynamic_cast<vex::QDMType&>(held.getUserObject()).decisionMaker();
        EXPECT_FALSE(kept.expired());
    }
    EXPECT_TRUE(kept.expired());
}

// Making a new decision maker for a value that holds one releases the old one, which
// nothing could reach any more: rounds of finished decision makers fit in a small budget.
TEST_F(DecisionMakerValues, ANewDecisionMakerReleasesTheOneTheValueHeld) {
    namespace fs = std::filesystem;
    const fs::path saved = fs::current_path();
    fs::current_path(fs::path(__FILE__).parent_path());  // finalize reads QDM_Scripts/ here
    std::vector<std::unique_ptr<tala::interp::CommandLibrary>> libraries;
    libraries.push_back(std::make_unique<vex::VEXCommands>());
    tala::interp::InterpreterHost host(std::move(libraries));
    OutputCapture out;
    for (const char* command :
         {"global (new vex::QDM a)", "global (new vex::qdm::ActionSpace A)",
          "vex::qdm::set_action_space degreeOfFreedom A -1 0 1", "vex::qdm::set_action_space gridSize A 3",
          "vex::qdm::set_action_space points A (vex::qdm::ActionList (vex::qdm::Action (vex::qdm::Point 0) forward))"})
        host.runCommand(command);
    auto round = [&] {
        host.runCommand("vex::qdm::new (get a)");
        host.runCommand("vex::qdm::add_action_space (get a) (get A)");
        host.runCommand("vex::qdm::finalize (get a) 2");
    };
    round();
    Object held;
    host.runCommand("get a", held);
    const std::weak_ptr<vex::QDM> first = dynamic_cast<vex::QDMType&>(held.getUserObject()).decisionMaker();
    const std::int64_t savedBudget = linalg::memoryBudget();
    linalg::setMemoryBudget(linalg::memoryInUse() + (256 << 10));
    EXPECT_NO_THROW(for (int n = 0; n < 3000; ++n) round());
    linalg::setMemoryBudget(savedBudget);
    host.runCommand("vex::qdm::free (get a)");
    fs::current_path(saved);
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(out.text().find("Not enough memory"), std::string::npos) << out.text().substr(0, 300);
}

}  // namespace
