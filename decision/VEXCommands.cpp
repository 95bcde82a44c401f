#include "decision/VEXCommands.h"

#include "decision/CommandCall.h"
#include "decision/ValueTypes.h"

namespace vex {

namespace {

const CommandTable& commandTable() {
    static const CommandTable table = [] {
        CommandTable built;
        addValueCommands(built);
        addActionCommands(built);
        addDecisionMakerCommands(built);
        addSensorCommands(built);
        return built;
    }();
    return table;
}

}  // namespace

bool VEXCommands::execute(const tala::interp::CommandTokenizer& tokens, tala::interp::ObjectList& scope,
                          tala::interp::Object& result, tala::interp::Interpreter& interpreter,
                          const tala::interp::LibraryList& libraries, bool global) {
    // Words of other libraries are declined before anything is evaluated.
    const CommandHandler handler = commandTable().find(tokens.token(0));
    if (handler == nullptr) return false;
    CommandCall call{tokens, scope, result, interpreter, libraries, global};
    return handler(call);
}

bool VEXCommands::createType(const std::string& typeName, const std::string& variableName,
                             tala::interp::ObjectList& scope) {
    auto value = createValue(typeName);
    if (!value) return false;
    scope.append(tala::interp::Object(variableName, std::move(value)));
    return true;
}

std::vector<std::string> commandWords() { return commandTable().words(); }

}  // namespace vex
