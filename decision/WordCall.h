#pragma once
// What a decision command's handler sees of the command it runs: the object
// language's call with its argument readers, and the readers of the decision values.
// Each group of commands lives in its own source file <Group>Words.cpp that ends with
// its table k<Group>Words and one function <group>Words() answering it; the library's
// table (VEXCommands.cpp) lists every group.

#include <cstdint>
#include <string>

#include "interp/DispatchTable.h"
#include "interp/Object.h"
#include "interp/WordCall.h"

namespace vex {

class QDM;
class QDMType;

struct WordCall : tala::interp::WordCall {
    std::string word() const { return tokens.token(0); }
    // Number of arguments after the command word.
    int argumentCount() const { return tokens.count() - 1; }
    bool isLast(int n) const { return n == tokens.count() - 1; }

    // A Double as it is, an Integer converted; anything else fails as an integer.
    double weightArg(int n) const;

    // The decision-maker value of argument n, or null (nothing printed) when the
    // argument is a user value of another type. A non-user value fails.
    QDMType* qdmArg(int n, tala::interp::Object& holder) const;
};

// The command word followed by " syntax error: first argument must be of type 'vex::QDM'.\n".
// These printers note the problem for the run's count (tala::interp::noteProblem).
void printNotDecisionMaker(const WordCall& call);
// The same without the full stop.
void printNotDecisionMakerPlain(const WordCall& call);
// What a command says of a value without a live decision maker.
inline constexpr const char* kNoDecisionMakerText = "vex::QDM = NULL; make sure to vex::qdm::new first.";
// "Error: " and that text, with a line end.
void printNoDecisionMaker();

// The live decision maker a value refers to; null when it has none or it was freed.
QDM* decisionMakerOf(const QDMType& value);

// A value that is a String in the last position ends an argument list quietly.
bool isTrailingString(const WordCall& call, int n, const tala::interp::Object& value);

using CommandHandler = bool (*)(WordCall& call);

using CommandEntry = tala::interp::DispatchEntry<CommandHandler>;
using CommandGroup = tala::interp::WordGroup<CommandHandler>;
using CommandTable = tala::interp::DispatchTable<CommandHandler>;

CommandGroup valueWords();          // distributions, sensor lists, states, training sets
CommandGroup actionWords();         // points, actions, action lists, action spaces
CommandGroup decisionMakerWords();  // creating, building, running and releasing decision makers
CommandGroup sensorWords();         // training, adding, saving and loading sensors; training histories
CommandGroup inspectionWords();     // describing a decision maker and scoring its rules

}  // namespace vex
