#pragma once
// The scalar words come in three tables (values, random draws, comparisons);
// addScalarWords registers all three.

namespace qlang {

class WordTable;

void addRandomWords(WordTable& table);      // rand, randf, random_int
void addComparisonWords(WordTable& table);  // comp.*, <, >, ==, !=

}  // namespace qlang
