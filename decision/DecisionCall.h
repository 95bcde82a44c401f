#pragma once
// What a decision command's handler sees of the command it runs: the object
// language's call with its argument readers, and the readers of the decision values.
// Each group of commands lives in its own source file <Group>Words.cpp that ends with
// its table k<Group>Words and one function <group>Words() answering it; the library's
// table (VEXCommands.cpp) lists every group.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "interp/DispatchTable.h"
#include "interp/Object.h"
#include "interp/ObjectCall.h"

namespace vex {

class QDM;
class QDMType;

// The user value an object holds as a T (same type name and class), kept alive while the
// answer is held; null for a user value of another type. A value that is no user value
// fails when `userValueRequired`, else it is null too.
template <class T>
std::shared_ptr<T> userValue(const tala::interp::Object& object, bool userValueRequired = false) {
    if (!userValueRequired && !object.holds(tala::interp::ObjectType::UserType)) return nullptr;
    tala::interp::UserObject& value = object.getUserObject();
    if (value.typeName() != T::kTypeName) return nullptr;
    T* typed = dynamic_cast<T*>(&value);
    return typed ? std::shared_ptr<T>(object.data, typed) : nullptr;
}

// What a command does about a decision-maker value without a live decision maker: a
// notice on standard error, the "vex::QDM = NULL" text on the script's output, or a
// raised failure.
enum class NoDecisionMaker { Notice, NullText, Raise };

struct DecisionCall : tala::interp::ObjectCall {
    std::string word() const { return tokens.token(0); }
    // Number of arguments after the command word.
    int argumentCount() const { return tokens.count() - 1; }

    // A Double as it is, an Integer converted; anything else fails as an integer.
    double weightArg(int n) const;

    // The value of argument n as a T, kept alive while the answer is held. Null when the
    // argument is a user value of another type, after printing the complaint (if any)
    // as a problem of the run. A value that is no user value fails.
    // Either way the notice of wrongType follows.
    template <class T>
    std::shared_ptr<T> userArg(int n, std::string_view complaint = {}) const {
        return userIn<T>(valueArg(n), n, complaint);
    }
    // The same for a value argument n already gave.
    template <class T>
    std::shared_ptr<T> userIn(const tala::interp::Object& argument, int n, std::string_view complaint = {}) const {
        const std::string wanted = std::string("a ") + T::kTypeName;
        if (!argument.holds(tala::interp::ObjectType::UserType)) wrongType(n, wanted, argument, true);
        std::shared_ptr<T> value = userValue<T>(argument, true);
        if (value) return value;
        if (!complaint.empty()) complain(complaint);
        wrongType(n, wanted, argument);
        return value;
    }

    // The decision-maker value of argument n; null after printing "WORD syntax error: first
    // argument must be of type 'vex::QDM'" and the ending when it is a user value of another type.
    std::shared_ptr<QDMType> decisionMakerValueArg(int n, const char* ending = ".\n") const;
    // The live decision maker of argument n, or null after a message: the one above for a
    // value of another type, or what `missing` says for a value without a decision maker.
    std::shared_ptr<QDM> decisionMakerArg(int n, NoDecisionMaker missing = NoDecisionMaker::Notice) const;
    // The live decision maker of a value; null after what `missing` says.
    std::shared_ptr<QDM> decisionMakerIn(const QDMType& value, NoDecisionMaker missing) const;

    // Prints text as a problem of the run (support::noteProblem counts it).
    static void complain(std::string_view text);
};

// A value that is a String in the last position ends an argument list, quietly when it is
// empty (as a trailing separator leaves it); another is named as an argument that wanted
// `wanted` and is ignored.
bool isTrailingString(const DecisionCall& call, int n, const tala::interp::Object& value, std::string_view wanted);

using CommandHandler = bool (*)(DecisionCall& call);

using CommandEntry = tala::interp::DispatchEntry<CommandHandler>;
using CommandGroup = tala::interp::WordGroup<CommandHandler>;
using CommandTable = tala::interp::DispatchTable<CommandHandler>;

CommandGroup valueWords();          // distributions, sensor lists, states, training sets
CommandGroup actionWords();         // points, actions, action lists, action spaces
CommandGroup decisionMakerWords();  // creating, building, running and releasing decision makers
CommandGroup sensorWords();         // training, adding, saving and loading sensors; training histories
CommandGroup inspectionWords();     // describing a decision maker and scoring its rules

}  // namespace vex
