#pragma once
// The groups of built-in words, each answered by its own source file <Group>Words.cpp;
// qlang/WordTable.cpp lists them all.

#include <string>

#include "qlang/WordCall.h"

namespace qlang {

WordGroup controlWords();      // global, begin, while, if, nop, NOP, help
WordGroup variableWords();     // new, get, size, get_index, index, set, delete
WordGroup matrixWords();       // matrix, vector, rowSize, colSize, set_element, get_element
WordGroup operatorWords();     // add, +, subtract, -, mult, *, div, /, ..., apply_op
WordGroup measurementWords();  // partial_measure, measure_distribution, measure, measure_qbit
WordGroup ioWords();           // print, print_new_line, ..., user.input, file
WordGroup scalarWords();       // integer, double, real, complex, ..., rootOfUnity, cnorm
WordGroup randomWords();       // rand, randf, random_int
WordGroup comparisonWords();   // comp.*, <, >, ==, !=

// "new" with TYPE "space", "system" or "matrix": declares NAME (already read as a
// string) of that structured type. The variable word "new" hands these three over.
void declareStructured(WordCall& call, const std::string& type, const std::string& name);

}  // namespace qlang
