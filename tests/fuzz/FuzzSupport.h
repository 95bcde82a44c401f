#pragma once
// What the fuzz targets share: quiet output, a private working folder, a console
// whose key poll breaks loops after a fixed number of polls, and script lines run
// the way the programs run them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

namespace fuzz {

// A check of a target: a failed one is a finding.
inline void require(bool holds) {
    if (!holds) std::abort();
}

// Once per process: standard output discarded (unless FLOCK_FUZZ_OUTPUT is set),
// standard input empty, the working folder a fresh temporary one (with copies of
// `dataFiles` from the project's data/ folder), files written limited to 1 MB each,
// and the memory budget small enough that no single request takes long.
void setUpProcess(std::initializer_list<const char*> dataFiles = {});

using Line = std::function<void(const std::string&)>;
using EachLine = std::function<void(const Line&)>;

// One script input, as libFuzzer's TestOneInput returns it. An input that loads a
// module, or has a "/" and a writing word (which could reach outside the working
// folder), is not run: -1. Otherwise `session` runs with the C library's generator
// seeded alike and a key "pressed" after 1000 polls, so loops end; its `eachLine`
// hands every non-empty line, normalised as the programs do, to a handler whose
// failures are dropped (the programs report them and go on). Then the working
// folder is put back as it was set up, so inputs stay independent.
int runScript(const std::uint8_t* data, std::size_t size, const std::function<void(const EachLine&)>& session);

}  // namespace fuzz
