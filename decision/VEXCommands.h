#pragma once
// The decision library as a command library: the "vex::" commands and the nine
// decision value types.

#include <cstdint>
#include <string>
#include <vector>

#include "interp/CommandLibrary.h"
#include "interp/DispatchTable.h"

namespace vex {

class VEXCommands : public tala::interp::CommandLibrary {
public:
    bool execute(const tala::interp::CommandTokenizer& tokens, tala::interp::ObjectList& scope,
                 tala::interp::Object& result, tala::interp::Interpreter& interpreter,
                 const tala::interp::LibraryList& libraries, bool global) override;
    bool createType(const std::string& typeName, const std::string& variableName,
                    tala::interp::ObjectList& scope) override;
    std::int32_t interfaceLevel() override { return 1; }
};

// The library's commands, group by group in table order, for help and completion.
const std::vector<tala::interp::GroupDoc>& wordGroups();

// Every word a tala shell knows: the interpreter's groups, then the library's, each named
// "vex " and its group. The terminal and the web console list, describe and complete these.
const std::vector<tala::interp::GroupDoc>& talaWordGroups();

}  // namespace vex
