// What scripts cannot reach of the library: a command word alone, words it declines, and the release of the
// decision maker a value held. Copies of freed and replaced ones: golden/values/decision_maker_value.
#include <gtest/gtest.h>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>
#include "decision/SteeringQuestions.h"
#include "decision/VEXCommands.h"
#include "decision/ValueTypes.h"
#include "interp/CommandTokenizer.h"
#include "interp/Interpreter.h"
#include "interp/InterpreterHost.h"
#include "linalg/MemoryBudget.h"
#include "testsupport/StreamCapture.h"
namespace {

// vex::State alone explains its arguments; words of other libraries are declined without evaluating theirs.
TEST(Commands, StateAloneExplainsItsArgumentsAndOtherWordsAreDeclinedUnevaluated) {
    vex::VEXCommands library;
    tala::interp::Interpreter interpreter;
    tala::interp::LibraryList libraries{&library};
    tala::interp::Object result;
    OutputCapture printed;
    for (const char* text : {"vex::State", "vex::qdm::unknown (print_new_line)", "print (print_new_line)"}) {
        auto tokens = tala::interp::CommandTokenizer::forScripts();
        tokens.setText(text);
        EXPECT_FALSE(library.execute(tokens, interpreter.globals(), result, interpreter, libraries, false)) << text;
    }
    EXPECT_FALSE(result.hasData());
    EXPECT_EQ("Error: Arguments for vex::State are MODE:STRING {vex::SensorList}^*\n", printed.text());
}

// Rounds of finished decision makers for one value fit in a small budget, and the last one goes with the
// host, that is with the last value referring to it.
TEST(DecisionMakerValues, ANewDecisionMakerAndTheLastValueReleaseTheOneHeld) {
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(__FILE__).parent_path());  // for QDM_Scripts/
    std::vector<std::unique_ptr<tala::interp::CommandLibrary>> libraries;
    libraries.push_back(std::make_unique<vex::VEXCommands>());
    auto host = std::make_unique<tala::interp::InterpreterHost>(std::move(libraries));
    OutputCapture out;
    const auto run = [&](std::initializer_list<const char*> commands) {
        for (const char* command : commands) host->runCommand(command);
    };
    run({"global (new vex::QDM a)", "global (new vex::qdm::ActionSpace A)",
         "vex::qdm::set_action_space degreeOfFreedom A -1 0 1", "vex::qdm::set_action_space gridSize A 3",
         "vex::qdm::set_action_space points A (vex::qdm::ActionList (vex::qdm::Action (vex::qdm::Point 0) forward))"});
    const auto round = [&] { run({"vex::qdm::new a", "vex::qdm::add_action_space a A", "vex::qdm::finalize a 2"}); };
    const auto held = [&] {
        tala::interp::Object value;
        host->runCommand("get a", value);
        return std::weak_ptr<vex::QDM>(dynamic_cast<vex::QDMType&>(value.getUserObject()).decisionMaker());
    };
    round();
    const std::weak_ptr<vex::QDM> first = held();
    const std::int64_t savedBudget = linalg::memoryBudget();
    linalg::setMemoryBudget(linalg::memoryInUse() + (256 << 10));
    for (int n = 0; n < 3000; ++n) round();
    linalg::setMemoryBudget(savedBudget);
    std::filesystem::current_path(saved);
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(std::string::npos, out.text().find("Not enough memory")) << out.text().substr(0, 300);
    const std::weak_ptr<vex::QDM> last = held();
    EXPECT_FALSE(last.expired());
    host.reset();
    EXPECT_TRUE(last.expired());
}

}  // namespace

TEST(HeldDecisionMakers, TheDoorFollowsTheGlobalThroughNewAndFree) {
    std::vector<std::unique_ptr<tala::interp::CommandLibrary>> libraries;
    libraries.push_back(std::make_unique<vex::VEXCommands>());
    tala::interp::InterpreterHost host(std::move(libraries));
    OutputCapture out;
    const vex::HeldDecisionMaker door(host.interpreter());
    const char* const actions[] = {"forward"};
    const char* const stimuli[] = {"left", "right"};
    EXPECT_FALSE(door.present());
    EXPECT_EQ(door.steeringProblem(actions, stimuli), "no decision maker was made");
    EXPECT_FALSE(door.actionOdds(actions));
    door.loadRandomSensors(stimuli);  // nothing to load into: no failure

    host.runCommand("global (new vex::QDM QDM)");
    host.runCommand("vex::qdm::new (get QDM)");
    ASSERT_TRUE(door.present());
    door.loadRandomSensors(stimuli);
    ASSERT_EQ(door.held()->sensors.size(), 2u);
    EXPECT_EQ(door.held()->sensors[1].name, "right");
    door.loadSensors({});
    EXPECT_TRUE(door.held()->sensors.empty());
    EXPECT_FALSE(door.actionOdds(actions));  // no action space yet

    host.runCommand("vex::qdm::free (get QDM)");
    EXPECT_FALSE(door.present());
    EXPECT_EQ(door.steeringProblem(actions, stimuli), "no decision maker was made");
}
