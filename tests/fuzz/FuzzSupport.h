#pragma once
// What the fuzz targets share: quiet output, a private working folder, a console
// whose key poll breaks loops after a fixed number of polls, and script lines run
// the way the programs run them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>

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

// Before each input: the C library's generator seeded the same way, and the key poll's
// count started afresh. After 1000 polls a key is "pressed", so loops end.
void startInput();

// Whether the input may run here. Writing words are confined to the working folder:
// an input that could name a file outside it (a "/" together with a writing word)
// is left out, and so is every input that loads a module.
bool mayRun(std::string_view input);

// After an input that may have written files: the working folder is put back as it
// was set up, so inputs stay independent and the disk does not fill.
void restoreFolder(std::string_view input);

// Each non-empty line, normalised as the programs do, is handed to `run`; failures
// are reported by the programs and the run goes on, so here they are dropped.
void runLines(std::string_view input, const std::function<void(const std::string&)>& run);

}  // namespace fuzz
