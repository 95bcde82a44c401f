#pragma once
// What a decision command's handler sees of the command it runs, with the
// argument readers every command shares. Each group of commands lives in its own
// source file that ends with its table { "word", handler } and one function adding
// that table to the library's dispatcher.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "interp/DispatchTable.h"
#include "interp/CommandLibrary.h"
#include "interp/CommandTokenizer.h"
#include "interp/Interpreter.h"
#include "interp/Object.h"

namespace vex {

class QDM;
class QDMType;

struct CommandCall {
    const tala::interp::CommandTokenizer& tokens;
    tala::interp::ObjectList& scope;
    tala::interp::Object& result;
    tala::interp::Interpreter& interpreter;
    const tala::interp::LibraryList& libraries;
    bool global;

    std::string word() const { return tokens.token(0); }
    // Number of arguments after the command word.
    int argumentCount() const { return tokens.count() - 1; }
    bool isLast(int n) const { return n == tokens.count() - 1; }

    // Evaluates argument n through the interpreter into a fresh temporary.
    tala::interp::Object evaluate(int n) const;

    // The readers raise the value accessors' failures on a wrong type.
    std::int32_t integerArg(int n) const;
    std::string stringArg(int n) const;
    // A Double as it is, an Integer converted; anything else fails as an integer.
    double weightArg(int n) const;

    // The decision-maker value of argument n, or null (nothing printed) when the
    // argument is a user value of another type. A non-user value fails.
    QDMType* qdmArg(int n, tala::interp::Object& holder) const;
};

// The command word followed by " syntax error: first argument must be of type 'vex::QDM'.\n".
void printNotDecisionMaker(const CommandCall& call);
// The same without the full stop.
void printNotDecisionMakerPlain(const CommandCall& call);
// "Error: vex::QDM = NULL; make sure to vex::qdm::new first.\n".
void printNoDecisionMaker();

// The live decision maker a value refers to; null when it has none or it was freed.
QDM* decisionMakerOf(const QDMType& value);

// A value that is a String in the last position ends an argument list quietly.
bool isTrailingString(const CommandCall& call, int n, const tala::interp::Object& value);

using CommandHandler = bool (*)(CommandCall& call);

using CommandEntry = tala::interp::DispatchEntry<CommandHandler>;
using CommandTable = tala::interp::DispatchTable<CommandHandler>;

void addValueCommands(CommandTable& table);          // vex::dist, vex::dist_str, vex::SensorList, vex::State, vex::add_rule
void addActionCommands(CommandTable& table);         // vex::qdm::Point, Action, ActionList, set_action_space
void addDecisionMakerCommands(CommandTable& table);  // vex::qdm::new, free, think, decide, finalize, shell, ...
void addSensorCommands(CommandTable& table);         // vex::train, vex::add_sensor, vex::save, vex::load

}  // namespace vex
