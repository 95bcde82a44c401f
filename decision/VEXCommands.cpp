#include "decision/VEXCommands.h"

#include <deque>
#include <string>

#include "interp/Interpreter.h"

#include "decision/DecisionCall.h"
#include "decision/ValueTypes.h"
#include "interp/ArgumentCount.h"

namespace vex {

namespace {

// Every group of the library's commands, in order.
const CommandTable& commandTable() {
    static const CommandGroup groups[] = {valueWords(), actionWords(), decisionMakerWords(), sensorWords(),
                                         inspectionWords()};
    static const CommandTable table(groups);
    return table;
}

}  // namespace

const std::vector<tala::interp::GroupDoc>& wordGroups() { return commandTable().groups(); }

const std::vector<tala::interp::GroupDoc>& talaWordGroups() {
    static const std::vector<tala::interp::GroupDoc> groups = [] {
        std::vector<tala::interp::GroupDoc> all = tala::interp::wordGroups();
        // Group names are views: the library's names live here as long as the groups do.
        static std::deque<std::string> names;
        for (const tala::interp::GroupDoc& group : wordGroups()) {
            names.push_back("vex " + std::string(group.name));
            all.push_back(tala::interp::GroupDoc{names.back(), group.words});
        }
        return all;
    }();
    return groups;
}

bool VEXCommands::execute(const tala::interp::CommandTokenizer& tokens, tala::interp::ObjectList& scope,
                          tala::interp::Object& result, tala::interp::Interpreter& interpreter,
                          const tala::interp::LibraryList& libraries, bool global) {
    // Words of other libraries are declined before anything is evaluated.
    std::string scratch;
    const auto* word = commandTable().lookup(tokens.token(0, scratch));
    if (word == nullptr) return false;
    const std::string scriptFile = tala::interp::takeScriptFile();
    DecisionCall call{{interpreter, tokens, scope, result, libraries, global, word->synopsis}};
    const bool handled = word->handler(call);
    tala::interp::checkArgumentCount(tokens, word->arity, scriptFile);
    return handled;
}

bool VEXCommands::createType(const std::string& typeName, const std::string& variableName,
                             tala::interp::ObjectList& scope) {
    auto value = createValue(typeName);
    if (!value) return false;
    scope.append(tala::interp::Object(variableName, std::move(value)));
    return true;
}

}  // namespace vex
