// Declaring, reading, writing and deleting variables, and building indexed names.

#include <cstdint>
#include <iostream>
#include <string>

#include "support/Reporting.h"
#include "support/Failure.h"
#include "linalg/MemoryBudget.h"
#include "qlang/Words.h"
#include "support/ScriptOutput.h"

namespace qlang {

namespace {

using tala::interp::Variable;

// One "new array" may not ask for more elements than memory can sensibly hold.
constexpr std::int32_t kMaxArrayElements = 1000000;

// The zero value of a declarable type; false when the type cannot be declared here.
bool setZero(Variable& variable, const std::string& type, bool inArray) {
    if (type == "integer")
        variable.setInteger(0);
    else if (type == "double")
        variable.setDouble(0.0);
    else if (type == "complex")
        variable.setComplex(0.0, 0.0);
    else if (type == "matrix" && inArray)
        variable.setMatrix(1, 1);
    else
        return false;
    return true;
}

void declare(QuantumCall& call, const std::string& type, const std::string& name, bool inArray) {
    Variable variable;
    if (!setZero(variable, type, inArray)) {
        call.report("'; illegal type (or cannot be used as array)\n");
        throw support::Failure("Error.");
    }
    variable.name = name;
    tala::interp::append(call.target, variable);
}

// Every element, with its value, its list entry and its name, must fit in the
// memory budget before the first is made.
void requireArrayMemory(const std::string& name, const std::string& element, std::int32_t count) {
    if (count <= 0) return;
    const std::int64_t each = tala::interp::kValueBytes + static_cast<std::int64_t>(name.size()) + 8 +
                              (element == "matrix" ? std::int64_t{sizeof(linalg::Complex)} : 0);
    linalg::requireMemory((std::int64_t{count} + 1) * each,
                          "array " + name + " of " + std::to_string(count) + " elements");
}

void declareArray(QuantumCall& call, const std::string& name) {
    const std::string element = call.stringArg(3);
    const std::int32_t count = call.integerArg(4);
    if (count > kMaxArrayElements) throw support::Failure("Array larger than 1000000 elements");
    requireArrayMemory(name, element, count);

    Variable size;
    size.setInteger(count);
    size.name = name + ".size";
    tala::interp::append(call.target, size);
    if (count == 1) {
        declare(call, element, name, true);
        return;
    }
    for (std::int32_t k = 0; k < count; ++k) declare(call, element, name + "." + std::to_string(k), true);
}

void word_new(QuantumCall& call) {
    const auto [typeArg, nameArg] = call.valueArgs<2>(1);
    const std::string type = typeArg.getString();
    const std::string name = nameArg.getString();
    if (name == tala::interp::kTempName) {
        support::out() << "Illegal name 'temp'; on line '" << call.text << "'\n";
        support::noteProblem();
        return;
    }
    if (type == "space" || type == "system" || type == "matrix") {
        declareStructured(call, type, name);
        return;
    }
    if (type == "array") {
        declareArray(call, name);
        return;
    }
    declare(call, type, name, false);
}

void word_get(QuantumCall& call) { tala::interp::lookup(call.target, call.stringArg(1), call.result); }

void word_size(QuantumCall& call) { tala::interp::lookup(call.target, call.stringArg(1) + ".size", call.result); }

void word_get_index(QuantumCall& call) {
    const auto [name, index] = call.valueArgs<2>(1);
    if (name.typeName != "string" || index.typeName != "integer") {
        call.report("'\n");
        return;
    }
    tala::interp::lookup(call.target, name.getString() + "." + std::to_string(index.getInteger()), call.result);
}

void word_index(QuantumCall& call) {
    std::string path = call.stringArg(1);
    for (int i = 2; i < call.count(); ++i) {
        const Variable part = call.valueArg(i);
        if (part.typeName == "integer") {
            path += '.';
            path += std::to_string(part.getInteger());
        } else if (part.typeName == "string") {
            const std::string& text = part.getString();
            // Empty texts and texts that begin with a blank add nothing.
            if (!text.empty() && text[0] != ' ') {
                path += '.';
                path += text;
            }
        } else {
            call.report("'; index not integer or string.\n");
            return;
        }
    }
    call.result.setString(path);
}

void word_set(QuantumCall& call) {
    const std::string name = call.stringArg(1);
    const Variable value = call.valueArg(2);
    tala::interp::assign(call.target, name, value);
}

// Works on the caller's scope: from inside any word the entry is a borrowed copy,
// which refuses to be deleted.
void word_delete(QuantumCall& call) { tala::interp::remove(call.scope, call.stringArg(1)); }

constexpr WordEntry kVariableWords[] = {
    {"new", word_new, "TYPE NAME ...",
     "Declares NAME: integer, double or complex with a zero value, an array, a space, a system or a matrix.",
     "global (new integer x)"},
    {"get", word_get, "NAME", "The variable NAME itself; the result is untouched when there is none.",
     "begin (new integer x) (print (get x))"},
    {"size", word_size, "NAME", "The variable NAME.size, as arrays, spaces and systems keep it.",
     "begin (new array a double 3) (print (size a))"},
    {"get_index", word_get_index, "NAME I", "The variable NAME.I, for a string NAME and an integer I.",
     "begin (new array a double 3) (print (get_index a 1))"},
    {"index", word_index, "BASE PART...",
     "The name BASE.PART..., integers in decimal; texts that are empty or start with a blank add nothing.",
     "print (index psi 0)"},
    {"set", word_set, "NAME VALUE", "Stores VALUE into every variable NAME of the same type.",
     "begin (new integer x) (set x 4) (print (get x))"},
    {"delete", word_delete, "NAME", "Removes the variable NAME from the caller's scope.", "delete x"},
};

}  // namespace

WordGroup variableWords() { return {"variables", kVariableWords}; }

}  // namespace qlang
