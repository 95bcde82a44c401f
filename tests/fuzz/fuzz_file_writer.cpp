// The whole-file writer on random sequences of targets and writes cut short by the file-size limit. After every step
// the target holds its old bytes or the new ones, whole; links, pipe and device stay; no temporary is left.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include "support/FileReplace.h"
#include "support/Failure.h"
#include "tests/fuzz/FuzzSupport.h"

namespace fs = std::filesystem;

namespace {

using fuzz::require;

std::string contentOf(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool noTemporaries() {
    for (const auto& entry : fs::recursive_directory_iterator("."))
        if (support::isReplaceTemporary(entry.path().filename().string())) return false;
    return true;
}

mode_t typeOf(const std::string& file) {
    struct stat status {};
    return ::lstat(file.c_str(), &status) == 0 ? (status.st_mode & S_IFMT) : 0;
}

// The folder each input starts from: a regular file, a link, a link to a file not there yet, a pipe without a
// reader, a read-only file and (for root) a full device.
void setUpFolder() {
    for (const auto& entry : fs::directory_iterator(".")) fs::remove_all(entry.path());
    fs::create_directory("real");
    std::ofstream("regular") << "regular";
    std::ofstream("real/target") << "target";
    fs::create_symlink("real/target", "link");
    fs::create_symlink("real/fresh", "dangling");
    ::mkfifo("pipe", 0600);
    std::ofstream("readonly") << "readonly";
    ::chmod("readonly", 0444);
    if (::geteuid() == 0) ::mknod("full", S_IFCHR | 0666, makedev(1, 7));
}

bool refused(const std::string& name, const std::string& bytes) try {
    support::replaceFile(name, bytes);
    return false;
} catch (const support::Failure&) {
    return true;
}

// Writes `bytes` to `name` (a link to `file`, or `file` itself) and checks the outcome.
void step(const std::string& name, const std::string& file, const std::string& bytes, bool cutShort) {
    const bool existed = fs::exists(file);
    const std::string before = existed ? contentOf(file) : std::string();
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit shorter{bytes.size() / 2, saved.rlim_max};
    if (cutShort && bytes.size() > 1) ::setrlimit(RLIMIT_FSIZE, &shorter);
    const bool written = !refused(name, bytes);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    require(written ? contentOf(file) == bytes : existed ? contentOf(file) == before : !fs::exists(file));
    require(noTemporaries() && (name == file || typeOf(name) == S_IFLNK));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::setUpProcess();
    return 0;
}

// Each step takes two bytes: what to write to, and how long the new content is (taken from the rest of the input,
// or the input again).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    setUpFolder();
    const std::string input(reinterpret_cast<const char*>(data), size);
    const char* const targets[][2] = {{"regular", "regular"}, {"link", "real/target"}, {"dangling", "real/fresh"},
                                      {}, {"missing/file", "missing/file"}, {"readonly", "readonly"}};
    for (std::size_t at = 0; at + 1 < size && at < 32; at += 2) {
        const unsigned choice = data[at], target = choice % 7;
        const std::size_t length = std::min<std::size_t>(data[at + 1] * 64u, 1 << 16);
        std::string bytes = input.substr(at + 2);
        while (bytes.size() < length && !input.empty()) bytes += input;
        bytes.resize(length);
        if (target == 3) {  // no reader: refused at once
            require(refused("pipe", bytes) && typeOf("pipe") == S_IFIFO && noTemporaries());
        } else if (target == 6) {
            if (typeOf("full") != S_IFCHR) continue;
            if (!bytes.empty()) require(refused("full", bytes));
            require(typeOf("full") == S_IFCHR && noTemporaries());
        } else {
            step(targets[target][0], targets[target][1], bytes, (choice & 0x80) != 0);
        }
    }
    return 0;
}
