// Declaring, reading, writing and deleting variables, and building indexed names.

#include <cstdint>
#include <iostream>
#include <string>

#include "linalg/Failure.h"
#include "qlang/WordTable.h"
#include "qlang/Words.h"

namespace qlang {

namespace {

using tala::interp::Variable;

// One "new array" may not ask for more elements than memory can sensibly hold.
constexpr std::int32_t kMaxArrayElements = 1000000;

std::string stringArg(const WordCall& call, int n) {
    Variable value;
    call.evaluateArg(n, value);
    return value.getString();
}

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

void declare(WordCall& call, const std::string& type, const std::string& name, bool inArray) {
    Variable variable;
    if (!setZero(variable, type, inArray)) {
        call.report("'; illegal type (or cannot be used as array)\n");
        throw tala::Failure("Error.");
    }
    variable.name = name;
    tala::interp::append(call.target, variable);
}

void declareArray(WordCall& call, const std::string& name) {
    const std::string element = stringArg(call, 3);
    Variable countArg;
    call.evaluateArg(4, countArg);
    const std::int32_t count = countArg.getInteger();
    if (count > kMaxArrayElements) throw tala::Failure("Array larger than 1000000 elements");

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

void word_new(WordCall& call) {
    Variable typeArg;
    call.evaluateArg(1, typeArg);
    Variable nameArg;
    call.evaluateArg(2, nameArg);
    const std::string type = typeArg.getString();
    const std::string name = nameArg.getString();
    if (name == tala::interp::kTempName) {
        std::cout << "Illegal name 'temp'; on line '" << call.text << "'\n";
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

void word_get(WordCall& call) { tala::interp::lookup(call.target, stringArg(call, 1), call.result); }

void word_size(WordCall& call) { tala::interp::lookup(call.target, stringArg(call, 1) + ".size", call.result); }

void word_get_index(WordCall& call) {
    Variable name;
    call.evaluateArg(1, name);
    Variable index;
    call.evaluateArg(2, index);
    if (name.typeName != "string" || index.typeName != "integer") {
        call.report("'\n");
        return;
    }
    tala::interp::lookup(call.target, name.getString() + "." + std::to_string(index.getInteger()), call.result);
}

void word_index(WordCall& call) {
    std::string path = stringArg(call, 1);
    for (int i = 2; i < call.count(); ++i) {
        Variable part;
        call.evaluateArg(i, part);
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

void word_set(WordCall& call) {
    const std::string name = stringArg(call, 1);
    Variable value;
    call.evaluateArg(2, value);
    tala::interp::assign(call.target, name, value);
}

// Works on the caller's scope: from inside any word the entry is a borrowed copy,
// which refuses to be deleted.
void word_delete(WordCall& call) { tala::interp::remove(call.scope, stringArg(call, 1)); }

constexpr WordEntry kVariableWords[] = {
    {"new", word_new},     {"get", word_get}, {"size", word_size},     {"get_index", word_get_index},
    {"index", word_index}, {"set", word_set}, {"delete", word_delete},
};

}  // namespace

void addVariableWords(WordTable& table) { table.add(kVariableWords); }

}  // namespace qlang
