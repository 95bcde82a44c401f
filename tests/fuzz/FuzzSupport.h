#pragma once
// What the fuzz targets share. A target includes it in its one source file: the console keys the linker swaps in
// (--wrap, see CMakeLists.txt) are defined here.
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include "interp/CommandTokenizer.h"
#include "linalg/MemoryBudget.h"

// support's console keys under their own names, which the linker's --wrap (CMakeLists.txt) keeps for these.
extern "C" bool __real__ZN7support10keyWaitingEv();
extern "C" int __real__ZN7support7readKeyEv();
extern "C" int __real__ZN7support11readKeyEchoEv();
// Only kept, never called: the link fails when a wrapped name no longer names a function of support/ (the wrap
// would then replace nothing, and a while loop in an input would never end).
[[gnu::used]] static const void* const realConsoleKeys[] = {
    reinterpret_cast<const void*>(&__real__ZN7support10keyWaitingEv),
    reinterpret_cast<const void*>(&__real__ZN7support7readKeyEv),
    reinterpret_cast<const void*>(&__real__ZN7support11readKeyEchoEv)};

namespace fuzz {

namespace fs = std::filesystem;

constexpr int kPollsBeforeKey = 1000;
inline int pollsLeft = kPollsBeforeKey;
inline bool keyPending = false;
inline fs::path workFolder, pristineFolder;

struct Discard : std::streambuf {
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

inline void copyFolder(const fs::path& from, const fs::path& to) {
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

// A check of a target: a failed one is a finding.
inline void require(bool holds) {
    if (!holds) std::abort();
}

// Once per process: standard output discarded (unless FLOCK_FUZZ_OUTPUT is set), standard input empty, the working
// folder a fresh temporary one (with copies of `dataFiles` from the project's data/ folder), files written limited
// to 1 MB each, and the memory budget small enough that no single request takes long.
inline void setUpProcess(std::initializer_list<const char*> dataFiles = {}) {
    static Discard discard;
    static std::istringstream noInput;
    // std::cerr too: libFuzzer and the sanitizers write to the descriptor itself.
    if (std::getenv("FLOCK_FUZZ_OUTPUT") == nullptr) { std::cout.rdbuf(&discard); std::cerr.rdbuf(&discard); }
    std::cin.rdbuf(noInput.rdbuf());
    std::string pattern = (fs::temp_directory_path() / "flock-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    workFolder = fs::path(pattern) / "work";
    pristineFolder = fs::path(pattern) / "pristine";
    fs::create_directories(pristineFolder);
    for (const char* file : dataFiles) copyFolder(fs::path(FLOCK_SOURCE_DIR) / "data" / file, pristineFolder / file);
    copyFolder(pristineFolder, workFolder);
    fs::current_path(workFolder);
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit fileSize{1 << 20, 1 << 20};
    ::setrlimit(RLIMIT_FSIZE, &fileSize);
    linalg::setMemoryBudget(std::int64_t{8} << 20);
}

using Line = std::function<void(const std::string&)>;
using EachLine = std::function<void(const Line&)>;

// One script input, as libFuzzer's TestOneInput returns it. An input that loads a module, or has a "/" and a writing
// word (which could reach outside the working folder), is not run: -1. Otherwise `session` runs with the C library's
// generator seeded alike and a key "pressed" after 1000 polls, so loops end; its `eachLine` hands every non-empty
// line, normalised as the programs do, to a handler whose failures are dropped (the programs report them and go on).
// Then the working folder is put back as it was set up, so inputs stay independent.
inline int runScript(const std::uint8_t* data, std::size_t size, const std::function<void(const EachLine&)>& session) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    bool writes = false;
    for (std::string_view writer : {"new_file", "print_file", "vex::save"})
        writes = writes || input.find(writer) != std::string_view::npos;
    if (input.find("load_module") != std::string_view::npos || (writes && input.find('/') != std::string_view::npos))
        return -1;
    std::srand(1);
    pollsLeft = kPollsBeforeKey;
    keyPending = false;
    std::cin.clear();
    session([input](const Line& run) {
        std::istringstream lines{std::string(input)};
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            line = tala::interp::normalizeCommandText(line);
            if (line.empty()) continue;
            try { run(line); } catch (const std::exception&) {}  // the programs print "Error: ..." and go on
        }
    });
    if (!writes) return 0;
    for (const auto& entry : fs::directory_iterator(workFolder)) fs::remove_all(entry.path());
    copyFolder(pristineFolder, workFolder);
    return 0;
}

}  // namespace fuzz

// The console keys, seen through the linker's --wrap: no input ever waits, and after a fixed number of polls one "q"
// is pressed, which ends a while loop or a training.
extern "C" bool __wrap__ZN7support10keyWaitingEv() {
    if (fuzz::pollsLeft > 0 && --fuzz::pollsLeft > 0) return false;
    return fuzz::keyPending = true;
}

extern "C" int __wrap__ZN7support7readKeyEv() {
    if (!fuzz::keyPending) return -1;
    fuzz::keyPending = false;
    return 'q';
}

extern "C" int __wrap__ZN7support11readKeyEchoEv() { return __wrap__ZN7support7readKeyEv(); }

