#pragma once
// The groups of built-in words, each answered by its own source file <Group>Words.cpp;
// qlang/WordTable.cpp lists them all.

#include <string>

#include "qlang/QuantumCall.h"

namespace qlang {

WordGroup controlWords();      // sequencing, loops, conditions, the global switch, help
WordGroup variableWords();     // declaring, reading, writing and deleting variables
WordGroup matrixWords();       // building matrices, reading and replacing entries
WordGroup operatorWords();     // arithmetic, tensor products, gates, operators on subsystems
WordGroup measurementWords();  // outcome distributions and sampled measurements
WordGroup ioWords();           // printing, text files, user input, script files
WordGroup scalarWords();       // conversions and functions of single values
WordGroup randomWords();       // random draws
WordGroup comparisonWords();   // comparisons of two integers or two doubles

// "new" with TYPE "space", "system" or "matrix": declares NAME (already read as a
// string) of that structured type. The variable word "new" hands these three over.
void declareStructured(QuantumCall& call, const std::string& type, const std::string& name);

}  // namespace qlang
