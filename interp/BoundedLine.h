#pragma once
// A line of input read in pieces and held to the memory budget as it grows, so that a
// line of any length (a 300 MB script on one line, a stream without line ends) is
// refused with the budget's message instead of taking all the memory there is.

#include <istream>
#include <string>

namespace tala::interp {

// Reads the next line (without its end) into `line`, as std::getline does, and answers
// false when the input has ended before any character. A line that would not fit in the
// free budget is read to its end and dropped (`line` is left empty), and support::Failure
// is raised with the budget's message; the next call reads the line after it.
bool readLineWithinBudget(std::istream& in, std::string& line);

}  // namespace tala::interp
