// Variable words: declaring, reading and writing variables, and indexed names.

#include <memory>
#include <string>

#include "interp/InterpreterWords.h"
#include "support/Reporting.h"
#include "support/ScriptOutput.h"

namespace tala::interp::words {

using support::explain;
using support::noteProblem;

namespace {

// Larger arrays would exhaust memory long before a script could use them.
constexpr std::int32_t kMaxArraySize = 1'000'000;

// The argument must be a variable reference: its name is looked up.
void word_get(InterpreterCall& c) { c.target.lookup(c.valueArg(1).name, c.result); }

void word_set(InterpreterCall& c) {
    const Object target = c.valueArg(1);
    const Object value = c.valueArg(2);
    c.target.assign(target, value);
}

// Builds base.part.part... and looks it up; arrays are named name.0, name.1, ...
void word_index(InterpreterCall& c) {
    const Object base = c.valueArg(1);
    std::string name = base.holds(ObjectType::String) ? base.getString() : base.name;
    for (int k = 2; k < c.count(); ++k) {
        const Object part = c.valueArg(k);
        if (part.holds(ObjectType::Integer)) {
            name += '.';
            name += std::to_string(part.getInteger());
        } else if (part.holds(ObjectType::String)) {
            const std::string& text = part.getString();
            if (!text.empty() && text[0] != ' ') {
                name += '.';
                name += text;
            }
        } else {
            name += part.name;
        }
    }
    c.target.lookup(name, c.result);
}

void appendValue(ObjectList& scope, const std::string& name, ObjectType type, ObjectValue value) {
    scope.append(Object(name, type, std::make_shared<ObjectValue>(std::move(value))));
}

// One variable of a built-in type, or one made by the first library that knows the type.
void declare(InterpreterCall& c, const std::string& typeName, const std::string& name) {
    if (typeName == "integer") return appendValue(c.target, name, ObjectType::Integer, std::int32_t{0});
    if (typeName == "double") return appendValue(c.target, name, ObjectType::Double, 0.0);
    if (typeName == "string") return appendValue(c.target, name, ObjectType::String, std::string());
    for (CommandLibrary* library : c.interpreter.consultedLibraries(c.libraries))
        if (library->createType(typeName, name, c.target)) return;
    c.report("'; type '" + typeName + "' not recognized.\n");
}

// new TYPE NAME, or new array NAME ELEMENT-TYPE SIZE.
void word_new(InterpreterCall& c) {
    const Object typeArg = c.valueArg(1);
    const Object nameArg = c.valueArg(2);
    if (!nameArg.holds(ObjectType::String) && nameArg.name != kObjectTempName)
        explain("new: '" + nameArg.name + "' is declared already, as " + describeValue(nameArg) +
             "; a name is declared once, then set or used as it is");
    else if (!nameArg.holds(ObjectType::String)) c.wrongType(2, "a string", nameArg, true);
    const std::string name = nameArg.getString();
    if (name == kObjectTempName) {
        support::out() << "Illegal name of variable; on line '" << c.text << "'\n";
        noteProblem();
        return;
    }
    std::string typeName = c.stringIn(typeArg, 1);
    if (typeName != "array") {
        declare(c, typeName, name);
        return;
    }
    const Object elementType = c.valueArg(3);
    const Object size = c.valueArg(4);
    const std::int32_t n = c.integerIn(size, 4);
    typeName = c.stringIn(elementType, 3);
    if (n > kMaxArraySize) {
        c.report("'; array size too large.\n");
        return;
    }
    appendValue(c.target, name + ".size", ObjectType::Integer, n);
    for (std::int32_t i = 0; i < n; ++i) declare(c, typeName, name + "." + std::to_string(i));
}

constexpr WordEntry kVariableWords[] = {
    {"get", word_get, "VARIABLE", "The variable named like the reference VARIABLE; no data when there is none.",
     "begin (new integer n) (print (get n))"},
    {"set", word_set, "VARIABLE VALUE", "Stores VALUE into every variable named like VARIABLE, when the types match.",
     "begin (new integer n) (set n 4) (print n)"},
    {"index", word_index, "BASE PART...",
     "The variable named BASE.PART... (Integers in decimal, texts as they are), as arrays are named.",
     "begin (new array a integer 3) (print (index a 1))"},
    {"new", word_new, "TYPE NAME | array NAME TYPE SIZE",
     "Declares NAME of TYPE (integer, double, string or a library's type), or an array of SIZE such variables.",
     "global (new integer n)"},
};

}  // namespace

WordGroup variableWords() { return {"variables", kVariableWords}; }

}  // namespace tala::interp::words
