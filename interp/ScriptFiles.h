#pragma once
// Script files named on a program's command line.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tala::interp {

// The "file" commands that run the named scripts, in order. When a file cannot be run,
// prints "<program>: cannot open '<file>': <reason>" on standard error for each such
// file and answers nothing.
std::optional<std::vector<std::string>> scriptFileCommands(std::string_view program,
                                                          const std::vector<std::string>& files);

}  // namespace tala::interp
