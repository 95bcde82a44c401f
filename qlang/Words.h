#pragma once
// The groups of built-in words. Each add* function registers one group's table.

#include <span>
#include <string>

#include "qlang/WordCall.h"

namespace qlang {

class WordTable;

void addControlWords(WordTable& table);      // global, begin, while, if, nop, NOP, help
void addVariableWords(WordTable& table);     // new, get, size, get_index, index, set, delete
void addMatrixWords(WordTable& table);       // matrix, vector, rowSize, colSize, set_element, get_element
void addOperatorWords(WordTable& table);     // add, +, subtract, -, mult, *, div, /, ..., apply_op
void addMeasurementWords(WordTable& table);  // partial_measure, measure_distribution, measure, measure_qbit
void addIoWords(WordTable& table);           // print, print_new_line, ..., user.input, file
void addScalarWords(WordTable& table);       // integer, double, ..., comparisons

// "new" with TYPE "space", "system" or "matrix": declares NAME (already read as a
// string) of that structured type. The variable word "new" hands these three over.
void declareStructured(WordCall& call, const std::string& type, const std::string& name);

}  // namespace qlang
