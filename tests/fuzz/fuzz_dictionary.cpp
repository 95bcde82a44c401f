// Writes a fuzz target's dictionary: every word of the word tables the target reaches, and the words their handlers
// look for in their arguments. Usage: fuzz_dictionary typed_evaluator|object_interpreter
#include <cstdio>
#include <iostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>
#include "decision/VEXCommands.h"
#include "interp/Interpreter.h"
#include "qlang/WordTable.h"

int main(int argc, char** argv) {
    const std::string_view target = argc == 2 ? argv[1] : "";
    std::set<std::string> words;
    const auto add = [&](const std::vector<tala::interp::GroupDoc>& groups) {
        for (const auto& group : groups)
            for (const auto& word : group.words) words.emplace(word.word);
    };
    if (target == "typed_evaluator") {
        add(qlang::wordGroups());
        words.insert({"space", "system", "matrix", "array", "integer", "double", "complex", "string", "ident", "zero",
                      "UFT", "QFT", "u_random"});
    } else if (target == "object_interpreter") {
        add(tala::interp::wordGroups());
        add(vex::wordGroups());
        words.insert({"vex::dist", "vex::Distribution", "vex::SensorList", "vex::State", "vex::TrainingSet", "vex::QDM",
                      "vex::qdm::Point", "vex::qdm::Action", "vex::qdm::ActionList", "vex::qdm::ActionSpace",
                      "String", "Integer", "Double", "repeat", "single", "points", "actions", "degreeOfFreedom",
                      "movementMap", "gridSize", "resetDelta", "integer", "char", "string", "kbhit",
                      "vex_flock_setup.txt", "flock_decision_maker.txt", "flock_sensors.bin"});
    } else {
        std::cerr << "usage: fuzz_dictionary typed_evaluator|object_interpreter\n";
        return 2;
    }
    // libFuzzer's form: a quoted text, with \xNN for the quote, the backslash and every byte that is not printable.
    for (const std::string& word : words) {
        std::string quoted = "\"";
        for (unsigned char c : word) {
            char escaped[5];
            const bool plain = c >= 0x20 && c < 0x7f && c != '\\' && c != '"';
            std::snprintf(escaped, sizeof escaped, plain ? "%c" : "\\x%02x", c);
            quoted += escaped;
        }
        std::cout << quoted << "\"\n";
    }
    return 0;
}
