// Variable words: get, set, index, new.

#include <array>
#include <iostream>
#include <memory>
#include <string>

#include "interp/InterpreterWords.h"

namespace tala::interp::words {

namespace {

// Larger arrays would exhaust memory long before a script could use them.
constexpr std::int32_t kMaxArraySize = 1'000'000;

// The argument must be a variable reference: its name is looked up.
void word_get(Command& c) {
    Object reference;
    c.evaluate(1, reference);
    c.target.lookup(reference.name, c.result);
}

void word_set(Command& c) {
    Object target;
    Object value;
    c.evaluate(1, target);
    c.evaluate(2, value);
    c.target.assign(target, value);
}

// Builds base.part.part... and looks it up; arrays are named name.0, name.1, ...
void word_index(Command& c) {
    Object base;
    c.evaluate(1, base);
    std::string name = base.holds(ObjectType::String) ? base.getString() : base.name;
    for (int k = 2; k < c.count(); ++k) {
        Object part;
        c.evaluate(k, part);
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
void declare(Command& c, const std::string& typeName, const std::string& name) {
    if (typeName == "integer") return appendValue(c.target, name, ObjectType::Integer, std::int32_t{0});
    if (typeName == "double") return appendValue(c.target, name, ObjectType::Double, 0.0);
    if (typeName == "string") return appendValue(c.target, name, ObjectType::String, std::string());
    for (CommandLibrary* library : c.interpreter.consultedLibraries(c.libraries))
        if (library->createType(typeName, name, c.target)) return;
    c.report("'; type '" + typeName + "' not recognized.\n");
}

// new TYPE NAME, or new array NAME ELEMENT-TYPE SIZE.
void word_new(Command& c) {
    Object typeArg;
    Object nameArg;
    c.evaluate(1, typeArg);
    c.evaluate(2, nameArg);
    const std::string name = nameArg.getString();
    if (name == kObjectTempName) {
        std::cout << "Illegal name of variable; on line '" << c.text << "'\n";
        return;
    }
    std::string typeName = typeArg.getString();
    if (typeName != "array") {
        declare(c, typeName, name);
        return;
    }
    Object elementType;
    Object size;
    c.evaluate(3, elementType);
    c.evaluate(4, size);
    const std::int32_t n = size.getInteger();
    typeName = elementType.getString();
    if (n > kMaxArraySize) {
        c.report("'; array size too large.\n");
        return;
    }
    appendValue(c.target, name + ".size", ObjectType::Integer, n);
    for (std::int32_t i = 0; i < n; ++i) declare(c, typeName, name + "." + std::to_string(i));
}

constexpr std::array kVariableWords{
    WordEntry{"get", word_get},
    WordEntry{"set", word_set},
    WordEntry{"index", word_index},
    WordEntry{"new", word_new},
};

}  // namespace

void addVariableWords(WordTable& table) { table.add(kVariableWords); }

}  // namespace tala::interp::words
